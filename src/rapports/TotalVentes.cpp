#include "rapports/LignesRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "rapports/SommeHT.h"
#include "rapports/Trappe.h"
#include "rapports/VentesPeriode.h"

#include "database/Dates.h"
#include "shared/Plateforme.h"

QString RequeteVentes(const std::optional<DateTime> &dateDebut, const QString &dateFin,
                      const QString &ordre)
{
    const QString debut = dateDebut ? TexteDate(*dateDebut, Plateforme::localeSysteme()) : QString();
    return QStringLiteral("Select ccur( [Total]/[TauxTVA]) AS TotalHT, * from Ventes where( Ventes.LaDate > CDate(\"")
        + debut + QStringLiteral(" 00:00:00\")) AND ( Ventes.LaDate < CDate(\"") + dateFin
        + QStringLiteral("  23:59:59\")) order by ") + ordre;
}

ResultatRapport TotalVentes(Connection &connexion, const std::optional<DateTime> &dateDebut,
                            const QString &dateFin, ListeRapport &liste)
{
    ResultatRapport resultat = ResultatRapport::Erreur;
    avecTrappe(QStringLiteral("TotalVentes"), [&] {
        VentesPeriode ventes(connexion, RequeteVentes(dateDebut, dateFin, QStringLiteral("TypePaiement")));
        if (ventes.vide()) {
            resultat = ResultatRapport::AucuneVente;
            return;
        }
        const int oType = ventes.ordinal(QStringLiteral("TypePaiement"));
        const int oHT = ventes.ordinal(QStringLiteral("TotalHT"));
        const int oTotal = ventes.ordinal(QStringLiteral("Total"));

        qint64 nbCarte = 0, nbType1 = 0;
        SommeHT htCarte, htType1;
        Currency ttc;
        for (; !ventes.fin(); ventes.suivant()) {
            const Value type = ventes.champ(oType);
            if (typeEgal(type, 2)) {
                htCarte.ajouter(ventes.champ(oHT));
                ++nbCarte;
            } else if (typeEgal(type, 1)) {
                htType1.ajouter(ventes.champ(oHT));
                ++nbType1;
            }
            ttc = ttc + ventes.champ(oTotal).toCurrency();
        }

        LignesRapport::total(liste, dateDebut, dateFin, nbCarte, htCarte, nbType1, htType1, ttc);
        resultat = ResultatRapport::Rempli;
    });
    return resultat;
}
