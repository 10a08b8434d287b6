#include "rapports/LignesRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "rapports/SommeHT.h"
#include "rapports/Trappe.h"
#include "rapports/VentesPeriode.h"

// The daily and the monthly report: one walk over the sales in time order,
// grouped by calendar day or by calendar month.
namespace {

using LignesRapport::Groupe;

struct Reglage
{
    const char *contexte;
    Groupe groupe;
};

// Day number from day zero: two dates fall on the same calendar day when these are equal.
qint64 numeroJour(const DateTime &d)
{
    const qint64 s = d.secondes;
    return s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
}

bool memeGroupe(Groupe g, const DateTime &a, const DateTime &b)
{
    if (numeroJour(a) == numeroJour(b))
        return true;
    if (g == Groupe::Jour)
        return false;
    const QDate qa = a.date(), qb = b.date();
    return qa.month() == qb.month() && qa.year() == qb.year();
}

ResultatRapport ventesGroupees(const Reglage &r, Connection &connexion,
                               const std::optional<DateTime> &dateDebut, const QString &dateFin,
                               ListeRapport &liste)
{
    ResultatRapport resultat = ResultatRapport::Erreur;
    avecTrappe(QString::fromUtf8(r.contexte), [&] {
        VentesPeriode ventes(connexion, RequeteVentes(dateDebut, dateFin, QStringLiteral("LaDate")));
        if (ventes.vide()) {
            resultat = ResultatRapport::AucuneVente;
            return;
        }
        const int oDate = ventes.ordinal(QStringLiteral("LaDate"));
        const int oType = ventes.ordinal(QStringLiteral("TypePaiement"));
        const int oHT = ventes.ordinal(QStringLiteral("TotalHT"));

        LignesRapport::entete(liste, r.groupe, dateDebut, dateFin);

        qint64 nb = 0;
        SommeHT ht;
        DateTime dateLigne = ventes.date(oDate);
        while (true) {
            const DateTime groupe = dateLigne;
            if (typeEgal(ventes.champ(oType), 2)) {
                ht.ajouter(ventes.champ(oHT));
                ++nb;
            }
            ventes.suivant();
            const bool fin = ventes.fin();
            if (!fin)
                dateLigne = ventes.date(oDate);
            if (fin || !memeGroupe(r.groupe, groupe, dateLigne)) {
                LignesRapport::groupe(liste, r.groupe, groupe, nb, ht);
                nb = 0;
                ht = SommeHT();
            }
            if (fin)
                break;
        }
        resultat = ResultatRapport::Rempli;
    });
    return resultat;
}

} // namespace

ResultatRapport TotalVentesparJours(Connection &connexion, const std::optional<DateTime> &dateDebut,
                                    const QString &dateFin, ListeRapport &liste)
{
    static const Reglage r{"TotalVentesparJours", Groupe::Jour};
    return ventesGroupees(r, connexion, dateDebut, dateFin, liste);
}

ResultatRapport TotalVentesparmois(Connection &connexion, const std::optional<DateTime> &dateDebut,
                                   const QString &dateFin, ListeRapport &liste)
{
    static const Reglage r{"TotalVentesparmois", Groupe::Mois};
    return ventesGroupees(r, connexion, dateDebut, dateFin, liste);
}
