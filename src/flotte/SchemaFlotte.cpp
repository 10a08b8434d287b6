#include "flotte/SchemaFlotte.h"

#include "flotte/BaseFlotte.h"
#include "shared/RuntimeError.h"

namespace SchemaFlotte {

namespace {

// Money is exact numeric; the VAT rate stays the binary number the kiosk
// divides by, so the amount before tax comes out as the kiosk's.
const char *const creationSchema = "CREATE SCHEMA corvane";
const char *const creation = R"(
CREATE TABLE corvane.version (version integer NOT NULL);
INSERT INTO corvane.version VALUES (1);
CREATE TABLE corvane.bornes (
    id  integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    nom text NOT NULL UNIQUE
);
CREATE TABLE corvane.ventes (
    borne        integer NOT NULL,
    novente      bigint NOT NULL,
    ladate       timestamp(0),
    total        numeric(19,4),
    tauxtva      double precision,
    typepaiement numeric,
    nbjeton      numeric,
    client       text,
    paye         numeric(19,4),
    rendu        numeric(19,4),
    ticket       text,
    PRIMARY KEY (borne, novente)
) PARTITION BY LIST (borne);
CREATE INDEX ventes_periode ON corvane.ventes (ladate) INCLUDE (typepaiement, total, tauxtva);
CREATE TABLE corvane.telecollectes (
    borne          integer NOT NULL,
    notelecollecte bigint,
    ladate         timestamp(0),
    ticket         text,
    empreinte      bytea NOT NULL,
    UNIQUE NULLS NOT DISTINCT (borne, ladate, empreinte)
) PARTITION BY LIST (borne);
CREATE INDEX telecollectes_periode ON corvane.telecollectes (ladate);
)";

} // namespace

void verifier(BaseFlotte &base, bool creer)
{
    base.executerTexte("BEGIN");
    // Two first imports at once: the second waits, then finds the schema.
    base.executerTexte("SELECT pg_advisory_xact_lock(hashtext('corvane.schema'))");
    const ResultatPg existe = base.executer("SELECT 1 FROM pg_namespace WHERE nspname = 'corvane'");
    if (existe.lignes() == 0) {
        if (!creer) {
            base.executerTexte("ROLLBACK");
            throw RuntimeError(ErreursFlotte::SchemaInconnu,
                               QStringLiteral("La base de la flotte ne contient pas encore le schéma « corvane » : "
                                              "importez d'abord une borne (--importer)."));
        }
        base.executerTexte(creationSchema);
        base.executerTexte(creation);
        base.executerTexte("COMMIT");
        return;
    }
    // An empty schema that an administrator made for the fleet's role is filled.
    if (creer && base.executer("SELECT 1 FROM pg_class WHERE relnamespace = 'corvane'::regnamespace").lignes() == 0) {
        base.executerTexte(creation);
        base.executerTexte("COMMIT");
        return;
    }
    const ResultatPg table = base.executer("SELECT to_regclass('corvane.version') IS NOT NULL");
    if (table.texte(0, 0) != QLatin1String("t")) {
        base.executerTexte("ROLLBACK");
        throw RuntimeError(ErreursFlotte::SchemaInconnu,
                           QStringLiteral("Le schéma « corvane » de cette base n'est pas celui de la flotte "
                                          "(table corvane.version absente)."));
    }
    const ResultatPg v = base.executer("SELECT max(version) FROM corvane.version");
    base.executerTexte("COMMIT");
    if (v.estNull(0, 0) || v.entier(0, 0) != Version)
        throw RuntimeError(ErreursFlotte::SchemaInconnu,
                           QStringLiteral("Le schéma « corvane » est en version %1 ; ce programme connaît la version %2.")
                               .arg(v.estNull(0, 0) ? QStringLiteral("inconnue") : v.texte(0, 0))
                               .arg(Version));
}

int numeroBorne(BaseFlotte &base, const QString &nom)
{
    const ResultatPg r = base.executer("SELECT id FROM corvane.bornes WHERE nom = $1", {nom.toUtf8()});
    return r.lignes() ? int(r.entier(0, 0)) : -1;
}

int preparerBorne(BaseFlotte &base, const QString &nom)
{
    // Two imports of one new kiosk at once: one creates, the other waits.
    base.executer("SELECT pg_advisory_xact_lock(hashtext('corvane.bornes'))");
    const int connu = numeroBorne(base, nom);
    if (connu >= 0)
        return connu;
    const int n = int(base.executer("INSERT INTO corvane.bornes (nom) VALUES ($1) RETURNING id", {nom.toUtf8()})
                          .entier(0, 0));
    // The number comes from the server, never from the command line.
    const QByteArray id = QByteArray::number(n);
    // The kiosk's number as its partition's default: a first import copies straight into it.
    base.executerTexte(("CREATE TABLE corvane.ventes_" + id + " PARTITION OF corvane.ventes (borne DEFAULT " + id
                        + ") FOR VALUES IN (" + id + ")")
                           .constData());
    base.executerTexte(("CREATE TABLE corvane.telecollectes_" + id
                        + " PARTITION OF corvane.telecollectes FOR VALUES IN (" + id + ")")
                           .constData());
    return n;
}

} // namespace SchemaFlotte
