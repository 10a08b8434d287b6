#include "commande/ConversionEnLigne.h"

#include "commande/SortiesProtegees.h"
#include "jet/ConvertisseurJet.h"
#include "shared/Chemins.h"
#include "shared/LigneDeCommande.h"
#include "shared/RuntimeError.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
enum Sortie { Succes = 0, Echec = 1, LigneIncorrecte = 2 };
}

std::optional<int> ExecuterConversionEnLigne(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments);
    if (!options.modeConversion)
        return std::nullopt;
    QTextStream sortie(stdout), erreurs(stderr);
    if (!options.erreur.isEmpty()) {
        erreurs << "corvane : " << options.erreur << "\n"
                << "Essayez « corvane --help » pour plus d'informations." << Qt::endl;
        return LigneIncorrecte;
    }
    if (options.aide) {
        sortie << TexteAide() << Qt::flush;
        return Succes;
    }
    AppliquerLigneDeCommande(options);

    // The converter is found beside this program.
    QCoreApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("corvane"));
    if (const QString refus = RefusFichierDuKiosque(options.convertirDestination); !refus.isEmpty()) {
        erreurs << "corvane : " << refus << Qt::endl;
        return LigneIncorrecte;
    }
    try {
        const Jet::ResultatConversion r =
            Jet::ConvertirBaseJet(resoudreChemin(options.convertirSource), options.convertirDestination,
                                  [&sortie](const QString &ligne) { sortie << ligne << Qt::endl; });
        for (const QString &avertissement : r.avertissements)
            erreurs << "Avertissement : " << avertissement << Qt::endl;
        return Succes;
    } catch (const RuntimeError &e) {
        erreurs << "corvane : " << e.description() << Qt::endl;
        return Echec;
    }
}
