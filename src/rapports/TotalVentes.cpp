#include "rapports/FormatRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "rapports/SommeHT.h"
#include "rapports/Trappe.h"
#include "rapports/VentesPeriode.h"

#include "shared/Dates.h"
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

        liste.effacer();
        liste.ajouter(QStringLiteral("TOTAL DE VENTE"));
        liste.ajouter(FormatRapport::ligneDuAu(dateDebut, dateFin));
        liste.ajouter(QString());
        liste.ajouter(QStringLiteral("Carte Bancaire:"));
        liste.ajouter(QStringLiteral("Nb de vente: ") + QString::number(nbCarte));
        liste.ajouter(QStringLiteral("Montant HT: ") + FormatRapport::montant(htCarte.valeur) + QStringLiteral(" EUR"));
        liste.ajouter(QString(20, QLatin1Char('_')));
        liste.ajouter(QStringLiteral("Nb Total vente: ") + QString::number(nbCarte + nbType1));
        liste.ajouter(QStringLiteral("TOTAL HT: \t") + FormatRapport::montant((htCarte + htType1).valeur)
                      + QStringLiteral(" EUR"));
        liste.ajouter(QStringLiteral("TOTAL TTC: \t") + FormatRapport::montant(ttc) + QStringLiteral(" EUR"));
        resultat = ResultatRapport::Rempli;
    });
    return resultat;
}
