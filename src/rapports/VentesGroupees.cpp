#include "rapports/FormatRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "rapports/SommeHT.h"
#include "rapports/Trappe.h"
#include "rapports/VentesPeriode.h"

// The daily and the monthly report: one walk over the sales in time order,
// grouped by calendar day or by calendar month.
namespace {

enum class Groupe { Jour, Mois };

struct Reglage
{
    const char *contexte;
    QString titre;
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

QString ligneGroupe(Groupe g, const DateTime &date, qint64 nb, const SommeHT &ht)
{
    const QString montant = FormatRapport::montant(ht.valeur);
    if (g == Groupe::Jour)
        return FormatRapport::jour(date) + QStringLiteral("\tCB:     \t| ") + QString::number(nb)
            + QStringLiteral("\t\t| ") + montant + QStringLiteral(" EUR");
    return FormatRapport::mois(date) + QStringLiteral("\tCB:     \t\t| ") + QString::number(nb)
        + QStringLiteral("\t\t| ") + montant + QStringLiteral(" EUR");
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
        const QString tirets(95, QLatin1Char('-'));

        liste.effacer();
        liste.ajouter(r.titre.toUpper());
        liste.ajouter(QString());
        liste.ajouter(FormatRapport::ligneDuAu(dateDebut, dateFin));
        liste.ajouter(QString());
        liste.ajouter(QStringLiteral("Date:        \t\t Nb ventes:\tMontant HT:"));
        liste.ajouter(tirets);

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
                liste.ajouter(ligneGroupe(r.groupe, groupe, nb, ht));
                liste.ajouter(tirets);
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
    static const Reglage r{"TotalVentesparJours", QStringLiteral("VENTES JOURNALIéRE"), Groupe::Jour};
    return ventesGroupees(r, connexion, dateDebut, dateFin, liste);
}

ResultatRapport TotalVentesparmois(Connection &connexion, const std::optional<DateTime> &dateDebut,
                                   const QString &dateFin, ListeRapport &liste)
{
    static const Reglage r{"TotalVentesparmois", QStringLiteral("VENTES MENSUEL"), Groupe::Mois};
    return ventesGroupees(r, connexion, dateDebut, dateFin, liste);
}
