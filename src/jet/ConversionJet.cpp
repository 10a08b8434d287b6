#include "jet/ConversionJet.h"

#include "database/ReglagesSqlite.h"
#include "jet/FichiersDurables.h"
#include "jet/LecteurJet.h"
#include "jet/NomsSqlJet.h"
#include "jet/RequeteJet.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace Jet {

namespace {

std::string guillemets(const std::string &nom) { return "« " + nom + " »"; }

struct FinInstruction
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Instruction = std::unique_ptr<sqlite3_stmt, FinInstruction>;

class Destination
{
public:
    explicit Destination(sqlite3 *db) : m_db(db) {}
    sqlite3 *db() const { return m_db; }

    void executer(const std::string &sql) const
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string m = message ? message : sqlite3_errmsg(m_db);
            sqlite3_free(message);
            throw ErreurConversion("écriture de la nouvelle base impossible : " + m);
        }
    }
    // Runs SQL, answering the engine's message instead of throwing.
    std::optional<std::string> essayer(const std::string &sql) const
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return std::nullopt;
        const std::string m = message ? message : sqlite3_errmsg(m_db);
        sqlite3_free(message);
        return m;
    }
    Instruction preparer(const std::string &sql) const
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            throw ErreurConversion("écriture de la nouvelle base impossible : " + std::string(sqlite3_errmsg(m_db)));
        }
        return Instruction(s);
    }
    // The columns of a table or view, nullopt when there is none of that name.
    std::optional<std::vector<std::string>> colonnes(const std::string &objet) const
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, ("SELECT * FROM " + identifiant(objet) + " LIMIT 0").c_str(), -1, &s, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(s);
            return std::nullopt;
        }
        Instruction i(s);
        std::vector<std::string> r;
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            r.emplace_back(sqlite3_column_name(s, c));
        return r;
    }

private:
    sqlite3 *m_db;
};

std::string typeSql(const ColonneJet &c)
{
    switch (c.type) {
    case TypeJet::Booleen:
        return "BOOLEAN";
    case TypeJet::Octet:
        return "TINYINT";
    case TypeJet::Entier:
        return "SMALLINT";
    case TypeJet::EntierLong:
        return "INTEGER";
    case TypeJet::Monetaire:
        return "CURRENCY";
    case TypeJet::Simple:
        return "FLOAT";
    case TypeJet::Double:
        return "DOUBLE";
    case TypeJet::DateHeure:
        return "DATETIME";
    case TypeJet::Binaire:
        return "BLOB";
    case TypeJet::Ole:
        return "LONGBLOB";
    // Jet compares texts without regard to case; so do the converted columns.
    case TypeJet::Texte:
        return "VARCHAR(" + std::to_string(c.taille) + ") COLLATE NOCASE";
    case TypeJet::Memo:
        return "LONGTEXT COLLATE NOCASE";
    case TypeJet::NumeroReplication:
        return "VARCHAR(38)";
    case TypeJet::Decimal:
        return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.echelle) + ")";
    }
    return "BLOB";
}

std::string creationTable(const TableJet &t, const IndexJet *primaire)
{
    const auto &cs = t.colonnes();
    // A single whole-number key becomes the row id, numbering new rows as Jet's AutoNumber did.
    const bool cleEntiere = primaire && primaire->colonnes.size() == 1
                            && cs[primaire->colonnes.front().first].type == TypeJet::EntierLong;
    std::string sql = "CREATE TABLE " + identifiant(t.nom()) + " (";
    for (std::size_t i = 0; i < cs.size(); ++i) {
        sql += (i ? ", " : "") + identifiant(cs[i].nom) + " " + typeSql(cs[i]);
        if (cleEntiere && primaire->colonnes.front().first == static_cast<int>(i))
            sql += " PRIMARY KEY";
    }
    if (primaire && !cleEntiere) {
        sql += ", PRIMARY KEY (";
        for (std::size_t k = 0; k < primaire->colonnes.size(); ++k)
            sql += (k ? ", " : "") + identifiant(cs[primaire->colonnes[k].first].nom);
        sql += ")";
    }
    return sql + ")";
}

// Rows into the table; false when a key constraint refused one. `dejaFaites`
// counts the rows of the tables before, for the progress reports.
bool remplir(const Destination &dest, TableJet &t, std::uint64_t &lignes, std::uint64_t dejaFaites,
             const Rapport &rapport)
{
    std::string sql = "INSERT INTO " + identifiant(t.nom()) + " VALUES (";
    for (std::size_t i = 0; i < t.colonnes().size(); ++i)
        sql += i ? ", ?" : "?";
    Instruction ins = dest.preparer(sql + ")");
    sqlite3_stmt *s = ins.get();
    std::vector<ValeurJet> v;
    lignes = 0;
    t.rembobiner();
    while (t.ligneSuivante(v)) {
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int n = static_cast<int>(i + 1);
            int rc = SQLITE_OK;
            if (const auto *e = std::get_if<std::int64_t>(&v[i]))
                rc = sqlite3_bind_int64(s, n, *e);
            else if (const auto *d = std::get_if<double>(&v[i]))
                rc = sqlite3_bind_double(s, n, *d);
            else if (const auto *x = std::get_if<std::string>(&v[i]))
                rc = sqlite3_bind_text64(s, n, x->data(), x->size(), SQLITE_STATIC, SQLITE_UTF8);
            else if (const auto *o = std::get_if<Octets>(&v[i]))
                rc = sqlite3_bind_blob64(s, n, o->donnees.data(), o->donnees.size(), SQLITE_STATIC);
            else
                rc = sqlite3_bind_null(s, n);
            if (rc != SQLITE_OK)
                throw ErreurConversion("écriture de la table " + guillemets(t.nom())
                                       + " impossible : " + sqlite3_errmsg(dest.db()));
        }
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if ((rc & 0xff) == SQLITE_CONSTRAINT)
            return false;
        if (rc != SQLITE_DONE)
            throw ErreurConversion("écriture de la table " + guillemets(t.nom()) + " impossible : "
                                   + sqlite3_errmsg(dest.db()));
        if (++lignes % 8192 == 0 && rapport.avancement)
            rapport.avancement(dejaFaites + lignes);
    }
    return true;
}

std::string nomUnique(std::set<std::string> &pris, const std::string &voulu)
{
    std::string nom = voulu;
    for (int n = 2; !pris.insert(cle(nom)).second; ++n)
        nom = voulu + "_" + std::to_string(n);
    return nom;
}

void convertirTable(const Destination &dest, TableJet &t, std::set<std::string> &nomsIndex, const Rapport &rapport,
                    Resume &resume)
{
    const IndexJet *primaire = nullptr;
    for (const IndexJet &ix : t.index())
        if (ix.primaire && !primaire)
            primaire = &ix;

    dest.executer(creationTable(t, primaire));
    std::uint64_t lignes = 0;
    if (!remplir(dest, t, lignes, resume.lignes, rapport)) {
        // A key that the rows do not satisfy was not read right: the rows matter more.
        if (rapport.avertissement)
            rapport.avertissement("Clé primaire " + guillemets(primaire ? primaire->nom : std::string())
                                  + " de la table " + guillemets(t.nom())
                                  + " non recréée : ses valeurs ne sont pas uniques.");
        dest.executer("DROP TABLE " + identifiant(t.nom()));
        dest.executer(creationTable(t, nullptr));
        primaire = nullptr;
        if (!remplir(dest, t, lignes, resume.lignes, rapport))
            throw ErreurConversion("écriture de la table " + guillemets(t.nom()) + " impossible");
    }
    // A definition that announces other than what its pages hold means a damaged file.
    if (lignes != t.lignesAnnoncees())
        throw ErreurConversion("table " + guillemets(t.nom()) + " incomplète : " + std::to_string(lignes)
                               + " lignes lues sur " + std::to_string(t.lignesAnnoncees()) + " annoncées");

    for (const std::string &nom : t.indexIllisibles())
        if (rapport.avertissement)
            rapport.avertissement("Index " + guillemets(nom) + " de la table " + guillemets(t.nom())
                                  + " non recréé : sa définition est illisible.");
    for (const IndexJet &ix : t.index()) {
        if (&ix == primaire)
            continue;
        const std::string nom = nomUnique(nomsIndex, t.nom() + "_" + ix.nom);
        std::string sql = std::string(ix.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + identifiant(nom)
                          + " ON " + identifiant(t.nom()) + " (";
        for (std::size_t k = 0; k < ix.colonnes.size(); ++k)
            sql += (k ? ", " : "") + identifiant(t.colonnes()[ix.colonnes[k].first].nom)
                   + (ix.colonnes[k].second ? " DESC" : "");
        if (const auto erreur = dest.essayer(sql + ")"))
            if (rapport.avertissement)
                rapport.avertissement("Index " + guillemets(ix.nom) + " de la table " + guillemets(t.nom())
                                      + " non recréé : " + *erreur + ".");
    }
    ++resume.tables;
    resume.lignes += lignes;
    if (rapport.table)
        rapport.table(t.nom(), lignes);
}

// Stand-ins for the program's own SQL functions, so that views using them
// can be checked here; the program's connections register the real ones.
void fonctionAbsente(sqlite3_context *c, int, sqlite3_value **)
{
    sqlite3_result_error(c, "fonction du programme Corvane", -1);
}

} // namespace

// The view `nom` as `select`; SQLite's reason when it refuses it (then no view is left).
std::optional<std::string> creerVue(const Destination &dest, const std::string &nom, const std::string &select)
{
    std::optional<std::string> erreur = dest.essayer("CREATE VIEW " + identifiant(nom) + " AS " + select);
    if (!erreur) {
        // Creating a view checks little: reading it checks every name.
        sqlite3_stmt *s = nullptr;
        const int code = sqlite3_prepare_v2(dest.db(), ("SELECT * FROM " + identifiant(nom)).c_str(), -1, &s, nullptr);
        const Instruction lecture(s);
        if (code != SQLITE_OK) {
            erreur = sqlite3_errmsg(dest.db());
            dest.executer("DROP VIEW " + identifiant(nom));
        }
    }
    return erreur;
}

void convertirRequetes(sqlite3 *db, std::vector<BaseJet::Requete> requetes, const Rapport &rapport, Resume &resume)
{
    const Destination dest(db);
    for (const char *f : {"ccur", "CDate"})
        sqlite3_create_function(dest.db(), f, 1, SQLITE_UTF8, nullptr, fonctionAbsente, nullptr, nullptr);

    struct EnAttente
    {
        BaseJet::Requete requete;
        std::string raison;
        bool faite = false;
    };
    std::vector<EnAttente> attente;
    for (BaseJet::Requete &r : requetes)
        attente.push_back({std::move(r), {}, false});

    // A query may read another: create in passes until a pass makes nothing.
    // Each pass translates again, as a view's "*" unfolds once its sources exist.
    const ColonnesDe colonnes = [&dest](const std::string &objet) { return dest.colonnes(objet); };
    for (bool progres = true; progres;) {
        progres = false;
        for (EnAttente &e : attente) {
            if (e.faite)
                continue;
            if (!e.requete.illisible.empty()) {
                e.raison = e.requete.illisible;
                continue;
            }
            std::string select;
            try {
                select = traduireRequete(e.requete.lignes, colonnes);
            } catch (const ErreurTraduction &x) {
                e.raison = x.what();
                continue;
            }
            if (const std::optional<std::string> erreur = creerVue(dest, e.requete.nom, select)) {
                e.raison = "refusée par le moteur SQLite (" + *erreur + ")";
                continue;
            }
            ++resume.requetesConverties;
            e.faite = true;
            progres = true;
        }
    }
    for (const EnAttente &e : attente) {
        if (e.faite)
            continue;
        const std::string &nom = e.requete.nom;
        if (cle(nom) == "reqventes")
            throw ErreurConversion("la requête " + guillemets(nom) + " n'a pas pu être convertie : " + e.raison);
        ++resume.requetesIgnorees;
        if (rapport.avertissement)
            rapport.avertissement("Requête " + guillemets(nom) + " non convertie : " + e.raison + ".");
    }
}

Resume convertir(BaseJet &base, sqlite3 *db, const Rapport &rapport)
{
    const Destination dest(db);
    dest.executer("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; BEGIN");
    Resume resume;
    for (const std::string &nom : base.tablesLiees())
        if (rapport.avertissement)
            rapport.avertissement("Table liée " + guillemets(nom) + " ignorée : ses données sont dans une autre base.");
    const std::vector<std::string> tables = base.tables();
    if (rapport.debut) {
        std::uint64_t annoncees = 0;
        for (const std::string &nom : tables)
            annoncees += base.ouvrirTable(nom)->lignesAnnoncees();
        rapport.debut(tables.size(), annoncees);
    }
    std::set<std::string> nomsIndex;
    for (const std::string &nom : tables) {
        std::unique_ptr<TableJet> t = base.ouvrirTable(nom);
        convertirTable(dest, *t, nomsIndex, rapport, resume);
    }
    convertirRequetes(db, base.requetes(), rapport, resume);
    // SQLite writes nothing for a database without a table: the header has
    // to be written for the file to be a database at all.
    dest.executer("PRAGMA user_version=0; COMMIT");
    return resume;
}

Resume convertirFichier(const std::string &source, const std::string &destination, bool sansRenommer,
                        const Rapport &rapport)
{
    if (existe(destination))
        throw ErreurConversion("la destination « " + destination + " » existe déjà");
    FichierTemporaire fichier(destination, sansRenommer ? destination : std::string());
    Resume resume;
    {
        BaseJet base(source);
        sqlite3 *db = nullptr;
        int rc = sqlite3_open_v2(fichier.chemin().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> garde(db, sqlite3_close);
        if (rc == SQLITE_OK)
            rc = appliquerReglagesSqlite(db);
        if (rc != SQLITE_OK)
            throw ErreurConversion("création de la nouvelle base impossible : " + std::string(sqlite3_errmsg(db)));
        resume = convertir(base, db, rapport);
    }
    if (sansRenommer)
        fichier.garder();
    else
        fichier.publier(destination);
    return resume;
}

} // namespace Jet
