// Argument vectors through the program's command-line reader.
#include "EntreesNoyau.h"

#include "shared/LigneDeCommande.h"

#include <QStringList>

namespace fuzz {

int ligneDeCommande(const std::uint8_t *d, std::size_t n)
{
    preparer();
    QStringList arguments;
    const char *debut = reinterpret_cast<const char *>(d);
    const char *const fin = debut + n;
    for (const char *p = debut;; ++p) {
        if (p == fin || *p == '\0') {
            arguments << QString::fromUtf8(debut, qsizetype(p - debut));
            if (p == fin)
                break;
            debut = p + 1;
        }
    }

    // Never throws: an exception escapes as a fault.
    const OptionsLigneDeCommande o = AnalyserLigneDeCommande(arguments);
    const QString vu = arguments.join(QLatin1Char('|'));
    if (!o.erreur.isEmpty())
        return 0;
    // What a command line accepted is complete for the run it asks for.
    if (o.modeRapport && o.modeConversion)
        faute("report and conversion accepted together", vu);
    if (o.modeRapport && !o.aide) {
        if (o.rapport != QLatin1String("total") && o.rapport != QLatin1String("journalier")
            && o.rapport != QLatin1String("mensuel"))
            faute("unknown report accepted", vu);
        if (o.du.trimmed().isEmpty() || o.au.trimmed().isEmpty())
            faute("report accepted without its period", vu);
        if (o.imprimer && !o.pdf.isEmpty())
            faute("printer and PDF accepted together", vu);
    }
    if (o.modeConversion && !o.aide && (o.convertirSource.isEmpty() || o.convertirDestination.isEmpty()))
        faute("conversion accepted without its files", vu);
    if (!o.dossier.isEmpty() && o.dossier.trimmed().isEmpty())
        faute("blank folder accepted", vu);
    return 0;
}

} // namespace fuzz
