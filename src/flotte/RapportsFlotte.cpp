#include "flotte/RapportsFlotte.h"

#include "database/Dates.h"
#include "flotte/BaseFlotte.h"
#include "flotte/SchemaFlotte.h"
#include "rapports/LignesRapport.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

namespace {

// The kiosk's TotalHT in ten-thousandths: ccur(Total / TauxTVA), where a
// division by zero gives Null (SQLite's rule; PostgreSQL's would fail).
#define HT "CASE WHEN tauxtva <> 0 THEN round(total::float8 / tauxtva * 10000)::bigint END"
#define VENTES(filtre)                                                                                          \
    "(SELECT ladate, typepaiement, total, " HT " AS ht FROM corvane.ventes WHERE ladate > $1::timestamp "  \
    "AND ladate < $2::timestamp" filtre ") v"
#define SOMME(type) \
    "count(*) FILTER (WHERE typepaiement = " type "), sum(ht) FILTER (WHERE typepaiement = " type "), " \
    "bool_or(ht IS NULL) FILTER (WHERE typepaiement = " type ")"

const char *const total[2] = {
    "SELECT count(*), " SOMME("2") ", " SOMME("1") ", sum(total) * 10000, bool_or(total IS NULL) FROM " VENTES(""),
    "SELECT count(*), " SOMME("2") ", " SOMME("1") ", sum(total) * 10000, bool_or(total IS NULL) FROM "
    VENTES(" AND borne = $3"),
};
const char *const groupes[2][2] = {
    {"SELECT date_trunc('day', ladate), " SOMME("2") " FROM " VENTES("") " GROUP BY 1 ORDER BY 1",
     "SELECT date_trunc('day', ladate), " SOMME("2") " FROM " VENTES(" AND borne = $3") " GROUP BY 1 ORDER BY 1"},
    {"SELECT date_trunc('month', ladate), " SOMME("2") " FROM " VENTES("") " GROUP BY 1 ORDER BY 1",
     "SELECT date_trunc('month', ladate), " SOMME("2") " FROM " VENTES(" AND borne = $3") " GROUP BY 1 ORDER BY 1"},
};

Currency monnaie(const ResultatPg &r, int ligne, int colonne)
{
    if (r.estNull(ligne, colonne))
        return {};
    bool ok = false;
    const qint64 n = r.octets(ligne, colonne).split('.').constFirst().toLongLong(&ok);
    if (!ok)
        throw RuntimeError(Erreurs::DepassementCapacite, QStringLiteral("Dépassement de capacité"));
    return Currency{n};
}

// count, sum, "has a Null" from three columns.
SommeHT somme(const ResultatPg &r, int ligne, int colonne)
{
    SommeHT s;
    if (r.texte(ligne, colonne + 2) == QLatin1String("t"))
        s.valeur.reset();
    else
        s.valeur = monnaie(r, ligne, colonne + 1);
    return s;
}

} // namespace

ResultatRapport ExecuterRapportFlotte(BaseFlotte &base, RapportFlotte rapport, const QDate &du, const QDate &au,
                                      const QString &borne, ListeRapport &liste)
{
    SchemaFlotte::verifier(base, false);
    std::vector<std::optional<QByteArray>> parametres{
        (du.toString(Qt::ISODate) + QStringLiteral(" 00:00:00")).toUtf8(),
        (au.toString(Qt::ISODate) + QStringLiteral(" 23:59:59")).toUtf8()};
    if (!borne.isEmpty()) {
        const int n = SchemaFlotte::numeroBorne(base, borne);
        if (n < 0)
            throw RuntimeError(Erreurs::ElementIntrouvable, QStringLiteral("Borne inconnue de la flotte : %1").arg(borne));
        parametres.push_back(QByteArray::number(n));
    }
    const int uneBorne = borne.isEmpty() ? 0 : 1;
    // The period as the window holds it: the start a date, the end its short-date text.
    const std::optional<DateTime> dateDebut = DateTime::fromDate(du);
    const QString dateFin = TexteDate(DateTime::fromDate(au), Plateforme::localeSysteme());

    if (rapport == RapportFlotte::Total) {
        const ResultatPg r = base.executer(total[uneBorne], parametres);
        if (r.entier(0, 0) == 0)
            return ResultatRapport::AucuneVente;
        if (r.texte(0, 8) == QLatin1String("t"))
            throw RuntimeError(Erreurs::UtilisationNull, QStringLiteral("Utilisation incorrecte de Null"));
        LignesRapport::total(liste, dateDebut, dateFin, r.entier(0, 1), somme(r, 0, 1), r.entier(0, 4), somme(r, 0, 4),
                             monnaie(r, 0, 7));
        return ResultatRapport::Rempli;
    }
    const bool mois = rapport == RapportFlotte::Mensuel;
    const ResultatPg r = base.executer(groupes[mois ? 1 : 0][uneBorne], parametres);
    if (r.lignes() == 0)
        return ResultatRapport::AucuneVente;
    const LignesRapport::Groupe g = mois ? LignesRapport::Groupe::Mois : LignesRapport::Groupe::Jour;
    LignesRapport::entete(liste, g, dateDebut, dateFin);
    for (int i = 0; i < r.lignes(); ++i) {
        const QByteArray jour = r.octets(i, 0);
        const std::optional<DateTime> date = DateTime::fromIso(jour.constData(), std::size_t(jour.size()));
        if (!date)
            throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
        LignesRapport::groupe(liste, g, *date, r.entier(i, 1), somme(r, i, 1));
    }
    return ResultatRapport::Rempli;
}
