#include "commande/AideEnLigne.h"

#include "shared/LigneDeCommande.h"

#include <QStringList>
#include <QTextStream>

std::optional<int> ExecuterAideEnLigne(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments);
    if (!options.erreur.isEmpty()) {
        QTextStream(stderr) << "corvane : " << options.erreur << "\n"
                            << "Essayez « corvane --help » pour plus d'informations." << Qt::endl;
        return 2;
    }
    if (options.aide) {
        QTextStream(stdout) << TexteAide() << Qt::flush;
        return 0;
    }
    return std::nullopt;
}
