#include "flotte/ImportFlotte.h"

#include "flotte/BaseFlotte.h"
#include "flotte/CopieTexte.h"
#include "flotte/LectureBorne.h"
#include "flotte/SchemaFlotte.h"
#include "shared/RuntimeError.h"

#include <sqlite3.h>

namespace {

using CopieTexte::Genre;

constexpr qint64 pasProgression = 250000;
constexpr qsizetype tailleEnvoi = 1 << 20;

struct Colonne
{
    const char *kiosque;
    const char *flotte;
    Genre genre;
};

// The columns of the journal and of the reports, in the fleet table's order.
const Colonne colonnesVentes[] = {
    {"NoVente", "novente", Genre::Entier},       {"LaDate", "ladate", Genre::Date},
    {"Total", "total", Genre::Monnaie},          {"TauxTVA", "tauxtva", Genre::Nombre},
    {"TypePaiement", "typepaiement", Genre::Nombre}, {"NbJeton", "nbjeton", Genre::Nombre},
    {"Client", "client", Genre::Texte},          {"Paye", "paye", Genre::Monnaie},
    {"Rendu", "rendu", Genre::Monnaie},          {"Ticket", "ticket", Genre::Texte},
};
const Colonne colonnesTelecollectes[] = {
    {"NoTelecollecte", "notelecollecte", Genre::Entier},
    {"LaDate", "ladate", Genre::Date},
    {"Ticket", "ticket", Genre::Texte},
};

template <std::size_t N>
QByteArray selection(const Colonne (&c)[N], const char *table)
{
    QByteArray sql = "SELECT ";
    for (std::size_t i = 0; i < N; ++i)
        sql += QByteArray(i ? ", [" : "[") + c[i].kiosque + "]";
    return sql + " FROM [" + table + "]";
}

// Streams the kiosk's table into the temporary table by COPY; returns the rows sent.
template <std::size_t N>
qint64 copier(BaseFlotte &base, const LectureBorne &borne, const Colonne (&c)[N], const char *table,
              const char *copie, const QString &nomLignes, const std::function<void(const QString &)> &progression)
{
    RequeteBorne requete(borne, selection(c, table).constData());
    base.debutCopie(copie);
    QByteArray envoi;
    envoi.reserve(tailleEnvoi + 65536);
    qint64 n = 0;
    while (requete.suivante()) {
        const qsizetype debut = envoi.size();
        for (std::size_t i = 0; i < N; ++i) {
            try {
                CopieTexte::colonne(envoi, requete.handle(), int(i), c[i].genre, i + 1 == N);
            } catch (const RuntimeError &e) {
                envoi.truncate(debut);
                throw RuntimeError(e.number(), QStringLiteral("%1 : ligne %2 (%3 = %4), champ %5 : %6")
                                                   .arg(QString::fromLatin1(table)).arg(n + 1)
                                                   .arg(QString::fromLatin1(c[0].kiosque))
                                                   .arg(QString::fromUtf8(reinterpret_cast<const char *>(
                                                       sqlite3_column_text(requete.handle(), 0))))
                                                   .arg(QString::fromLatin1(c[i].kiosque), e.description()));
            }
        }
        if (++n % pasProgression == 0 && progression)
            progression(QStringLiteral("%1 : %2 lues").arg(nomLignes).arg(n));
        if (envoi.size() >= tailleEnvoi) {
            base.envoyerCopie(envoi);
            envoi.clear();
        }
    }
    if (!envoi.isEmpty())
        base.envoyerCopie(envoi);
    base.finCopie();
    return n;
}

// What differs between the fleet's sale and the kiosk's, column by column.
QByteArray requeteConflits()
{
    QByteArray differences = "concat_ws('; '";
    QByteArray lignes = "(", lignesFlotte = "(";
    for (const Colonne &c : colonnesVentes) {
        if (QByteArray(c.flotte) == "novente")
            continue;
        const QByteArray f = c.flotte;
        differences += ", CASE WHEN v." + f + " IS DISTINCT FROM s." + f + " THEN '" + c.kiosque
            + " ' || coalesce(left(v." + f + "::text, 40), 'Null') || ' ≠ ' || coalesce(left(s." + f
            + "::text, 40), 'Null') END";
        lignes += (lignes.size() > 1 ? ", s." : "s.") + f;
        lignesFlotte += (lignesFlotte.size() > 1 ? ", v." : "v.") + f;
    }
    return "SELECT s.novente, " + differences + ") FROM import_ventes s JOIN corvane.ventes v"
        " ON v.borne = $1 AND v.novente = s.novente WHERE " + lignes + ") IS DISTINCT FROM " + lignesFlotte
        + ") ORDER BY s.novente";
}

} // namespace

ResultatImport ImporterBorne(BaseFlotte &base, const QString &dossier, const QString &nomBorne,
                             const std::function<void(const QString &)> &progression)
{
    // The kiosk's file is checked before anything goes to the server.
    const LectureBorne borne(dossier);
    SchemaFlotte::verifier(base);
    ResultatImport r;
    // Any error leaves the transaction: nothing of this import is kept.
    struct Annulation
    {
        BaseFlotte &base;
        ~Annulation() { base.annuler(); }
    } annulation{base};
    base.executerTexte("BEGIN");
    const QByteArray id = QByteArray::number(SchemaFlotte::preparerBorne(base, nomBorne));

    base.executerTexte("CREATE TEMP TABLE import_ventes (novente bigint, ladate timestamp(0), total numeric(19,4), "
                       "tauxtva double precision, typepaiement numeric, nbjeton numeric, client text, "
                       "paye numeric(19,4), rendu numeric(19,4), ticket text) ON COMMIT DROP;"
                       "CREATE TEMP TABLE import_telecollectes (notelecollecte bigint, ladate timestamp(0), "
                       "ticket text) ON COMMIT DROP");
    // A kiosk's first import has nothing to compare: its sales go straight into its partition.
    const bool premier = base.executer("SELECT NOT EXISTS (SELECT 1 FROM corvane.ventes WHERE borne = $1)", {id})
                             .texte(0, 0) == QLatin1String("t");
    const QByteArray copieVentes = premier
        ? "COPY corvane.ventes_" + id + " (novente, ladate, total, tauxtva, typepaiement, nbjeton, client, paye, rendu, "
          "ticket) FROM STDIN"
        : QByteArray("COPY import_ventes FROM STDIN");
    r.ventesLues = copier(base, borne, colonnesVentes, "Ventes", copieVentes.constData(), QStringLiteral("ventes"),
                          progression);
    r.telecollectesLues = copier(base, borne, colonnesTelecollectes, "Telecollectes",
                                 "COPY import_telecollectes FROM STDIN", QStringLiteral("télécollectes"), progression);
    if (progression && r.ventesLues >= pasProgression)
        progression(QStringLiteral("enregistrement dans la base de la flotte…"));

    if (premier) {
        r.ventesAjoutees = r.ventesLues;
    } else {
        const ResultatPg conflits = base.executer(requeteConflits().constData(), {id});
        for (int i = 0; i < conflits.lignes(); ++i)
            r.conflits << QStringLiteral("vente n° %1 : %2").arg(conflits.texte(i, 0), conflits.texte(i, 1));
        r.ventesAjoutees = base.executer("WITH n AS (INSERT INTO corvane.ventes SELECT $1, s.* FROM import_ventes s "
                                         "ON CONFLICT DO NOTHING RETURNING 1) SELECT count(*) FROM n",
                                         {id})
                               .entier(0, 0);
    }
    r.telecollectesAjoutees =
        base.executer("WITH n AS (INSERT INTO corvane.telecollectes SELECT $1, t.notelecollecte, t.ladate, t.ticket, "
                      "coalesce(sha256(convert_to(t.ticket, 'UTF8')), '\\x'::bytea) FROM import_telecollectes t "
                      "ON CONFLICT DO NOTHING RETURNING 1) SELECT count(*) FROM n",
                      {id})
            .entier(0, 0);
    base.executerTexte("COMMIT");
    return r;
}
