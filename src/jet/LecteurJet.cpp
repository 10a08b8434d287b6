#include "jet/LecteurJet.h"

#include "jet/EnteteJet.h"
#include "jet/ValeursJet.h"

// mdbtools.h includes <glib.h> inside extern "C": glib must come first in C++.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sys/stat.h>

namespace Jet {

namespace {

constexpr std::uint32_t MasqueDecalage = 0x1fff;
constexpr std::uint32_t LigneSupprimee = 0x4000;
constexpr std::size_t TailleMaximaleLongue = std::size_t(1) << 30;   // Jet's own limit for a memo or OLE value

std::uint32_t lire32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::string guillemets(const std::string &nom) { return "« " + nom + " »"; }

bool typeConnu(int t)
{
    switch (t) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x07:
    case 0x08: case 0x09: case 0x0a: case 0x0b: case 0x0c: case 0x0f: case 0x10:
        return true;
    default:
        return false;
    }
}

int tailleFixe(TypeJet t)
{
    switch (t) {
    case TypeJet::Octet:
        return 1;
    case TypeJet::Entier:
        return 2;
    case TypeJet::EntierLong:
    case TypeJet::Simple:
        return 4;
    case TypeJet::Monetaire:
    case TypeJet::Double:
    case TypeJet::DateHeure:
        return 8;
    case TypeJet::NumeroReplication:
        return 16;
    case TypeJet::Decimal:
        return 17;
    default:
        return 0;
    }
}

} // namespace

// One row of MSysQueries: its Order field, its place in the table, its content.
struct RangeeCatalogue
{
    std::string ordre;
    std::size_t rang;
    LigneCatalogue ligne;
};

struct BaseJet::Private
{
    MdbHandle *mdb = nullptr;
    ~Private()
    {
        if (mdb)
            mdb_close(mdb);
    }
    std::vector<MdbCatalogEntry *> catalogue(int type) const
    {
        std::vector<MdbCatalogEntry *> r;
        for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
            auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (e && e->object_type == type)
                r.push_back(e);
        }
        return r;
    }
};

struct TableJet::Private
{
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    std::string nom;
    std::vector<ColonneJet> colonnes;
    std::vector<IndexJet> index;
    std::vector<std::string> indexIllisibles;
    std::vector<MdbField> champs;
    std::vector<bool> decodees;
    bool pageChargee = false;
    unsigned lignesSurPage = 0, ligne = 0;

    ~Private()
    {
        if (table)
            mdb_free_tabledef(table);
    }

    [[noreturn]] void echec(const std::string &raison) const
    {
        throw ErreurLecture("table " + guillemets(nom) + " illisible : " + raison);
    }

    // A memo or OLE value: inline, on one page, or a chain of pages.
    std::string valeurLongue(const std::uint8_t *p, std::size_t n, const ColonneJet &c) const
    {
        if (n < MDB_MEMO_OVERHEAD)
            echec("valeur longue tronquée dans la colonne " + guillemets(c.nom));
        const std::uint32_t entete = lire32(p);
        const std::size_t longueur = entete & 0x3fffffff;
        if (longueur > TailleMaximaleLongue)
            echec("valeur longue démesurée dans la colonne " + guillemets(c.nom));
        if (entete & 0x80000000) {
            if (longueur > n - MDB_MEMO_OVERHEAD)
                echec("valeur longue tronquée dans la colonne " + guillemets(c.nom));
            return std::string(reinterpret_cast<const char *>(p + MDB_MEMO_OVERHEAD), longueur);
        }
        std::string r;
        r.reserve(std::min<std::size_t>(longueur, 16 << 20));
        std::uint32_t pageLigne = lire32(p + 4);
        if (entete & 0x40000000) {
            const std::string morceau = ligneLongue(pageLigne, c);
            if (morceau.size() < longueur)
                echec("valeur longue tronquée dans la colonne " + guillemets(c.nom));
            return morceau.substr(0, longueur);
        }
        if (entete & 0xc0000000)
            echec("valeur longue de forme inconnue dans la colonne " + guillemets(c.nom));
        std::set<std::uint32_t> vues;
        while (pageLigne != 0 && r.size() < longueur) {
            if (!vues.insert(pageLigne).second)
                echec("chaîne de pages en boucle dans la colonne " + guillemets(c.nom));
            const std::string morceau = ligneLongue(pageLigne, c);
            if (morceau.size() < 4)
                echec("page de valeur longue vide dans la colonne " + guillemets(c.nom));
            pageLigne = lire32(reinterpret_cast<const std::uint8_t *>(morceau.data()));
            r.append(morceau, 4, std::string::npos);
        }
        if (r.size() < longueur)
            echec("valeur longue tronquée dans la colonne " + guillemets(c.nom));
        r.resize(longueur);
        return r;
    }

    // The bytes of row (page << 8 | row) of a long-value page.
    std::string ligneLongue(std::uint32_t pageLigne, const ColonneJet &c) const
    {
        void *tampon = nullptr;
        int debut = 0;
        size_t taille = 0;
        if (mdb_find_pg_row(mdb, static_cast<int>(pageLigne), &tampon, &debut, &taille) != 0 || !tampon
            || debut < 0 || static_cast<std::size_t>(debut) + taille > static_cast<std::size_t>(mdb->fmt->pg_size))
            echec("page de valeur longue introuvable dans la colonne " + guillemets(c.nom));
        return std::string(static_cast<const char *>(tampon) + debut, taille);
    }

    // Money, floating point numbers and dates: refused when not kept exactly,
    // not finite or not a date.
    ValeurJet nombre(const ColonneJet &c, const std::uint8_t *p) const
    {
        switch (c.type) {
        case TypeJet::Monetaire: {
            const std::int64_t v = static_cast<std::int64_t>(lire32(p) | std::uint64_t(lire32(p + 4)) << 32);
            const std::optional<NombreExact> m = montant(v);
            if (!m)
                echec("montant trop grand pour être gardé exactement dans la colonne " + guillemets(c.nom));
            return std::visit([](auto x) -> ValeurJet { return x; }, *m);
        }
        case TypeJet::Simple: {
            float f4;
            std::memcpy(&f4, p, 4);
            if (!std::isfinite(f4))
                echec("nombre invalide dans la colonne " + guillemets(c.nom));
            return simple(f4);
        }
        case TypeJet::Double: {
            double d;
            std::memcpy(&d, p, 8);
            if (!std::isfinite(d))
                echec("nombre invalide dans la colonne " + guillemets(c.nom));
            return d;
        }
        case TypeJet::DateHeure: {
            double d;
            std::memcpy(&d, p, 8);
            std::optional<std::string> iso = dateIso(d);
            if (!iso)
                echec("date invalide dans la colonne " + guillemets(c.nom));
            return std::move(*iso);
        }
        default:
            echec("type de colonne inconnu");
        }
    }

    ValeurJet valeur(const ColonneJet &c, const MdbField &f) const
    {
        if (c.type == TypeJet::Booleen)   // the null bit holds the value
            return std::int64_t(f.is_null ? 0 : -1);
        if (f.is_null)
            return std::monostate{};
        const std::size_t page = static_cast<std::size_t>(mdb->fmt->pg_size);
        if (f.start < 0 || f.siz < 0 || static_cast<std::size_t>(f.start) + static_cast<std::size_t>(f.siz) > page)
            echec("champ hors de sa page dans la colonne " + guillemets(c.nom));
        const std::uint8_t *p = mdb->pg_buf + f.start;
        const std::size_t n = static_cast<std::size_t>(f.siz);
        const int fixe = tailleFixe(c.type);
        if (fixe && n < static_cast<std::size_t>(fixe))
            echec("champ trop court dans la colonne " + guillemets(c.nom));
        const bool jet4 = mdb->f->jet_version != MDB_VER_JET3;
        switch (c.type) {
        case TypeJet::Octet:
            return std::int64_t(p[0]);
        case TypeJet::Entier:
            return std::int64_t(static_cast<std::int16_t>(p[0] | p[1] << 8));
        case TypeJet::EntierLong:
            return std::int64_t(static_cast<std::int32_t>(lire32(p)));
        case TypeJet::Monetaire:
        case TypeJet::Simple:
        case TypeJet::Double:
        case TypeJet::DateHeure:
            return nombre(c, p);
        case TypeJet::NumeroReplication:
            return guid(p);
        case TypeJet::Decimal: {
            const std::optional<NombreExact> v = decimal(p, c.echelle);
            if (!v)
                echec("nombre décimal trop précis pour être gardé exactement dans la colonne " + guillemets(c.nom));
            return std::visit([](auto x) -> ValeurJet { return x; }, *v);
        }
        case TypeJet::Binaire:
            return Octets{std::string(reinterpret_cast<const char *>(p), n)};
        case TypeJet::Texte:
            return jet4 ? texteJet4(p, n) : texteJet3(p, n);
        case TypeJet::Ole:
            return Octets{valeurLongue(p, n, c)};
        case TypeJet::Memo: {
            const std::string brut = valeurLongue(p, n, c);
            const auto *b = reinterpret_cast<const std::uint8_t *>(brut.data());
            return jet4 ? texteJet4(b, brut.size()) : texteJet3(b, brut.size());
        }
        case TypeJet::Booleen:
            break;
        }
        echec("type de colonne inconnu");
    }
};

namespace {

void verifierFichier(const std::string &chemin)
{
    const VersionJet v = versionFichierJet(chemin.c_str());
    if (v == VersionJet::Aucune)
        throw ErreurLecture("ce n'est pas une base Jet 3 ou Jet 4");
    struct stat st;
    if (::stat(chemin.c_str(), &st) != 0)
        throw ErreurLecture("fichier illisible");
    const off_t page = v == VersionJet::Jet3 ? 2048 : 4096;
    if (st.st_size < 2 * page || st.st_size % page != 0)
        throw ErreurLecture("fichier tronqué (sa taille n'est pas un nombre entier de pages)");
}

} // namespace

BaseJet::BaseJet(const std::string &chemin) : d(std::make_unique<Private>())
{
    verifierFichier(chemin);
    d->mdb = mdb_open(chemin.c_str(), MDB_NOFLAGS);
    if (!d->mdb)
        throw ErreurLecture("fichier illisible par le lecteur Jet");
    lireCatalogue();
}

BaseJet::BaseJet(const std::uint8_t *octets, std::size_t taille) : d(std::make_unique<Private>())
{
    const VersionJet v = versionJet(octets, taille);
    const std::size_t page = v == VersionJet::Jet3 ? 2048 : 4096;
    if (v == VersionJet::Aucune || taille < 2 * page || taille % page != 0)
        throw ErreurLecture("ce n'est pas une base Jet 3 ou Jet 4");
    d->mdb = mdb_open_buffer(const_cast<std::uint8_t *>(octets), taille, MDB_NOFLAGS);
    if (!d->mdb)
        throw ErreurLecture("fichier illisible par le lecteur Jet");
    lireCatalogue();
}

// libmdb stops reading the catalogue at the first page it cannot read, as if
// the file held no more objects: every row of MSysObjects must be there.
void BaseJet::lireCatalogue()
{
    if (!mdb_read_catalog(d->mdb, MDB_ANY) || !d->mdb->catalog)
        throw ErreurLecture("catalogue des objets illisible");
    std::unique_ptr<TableJet> objets;
    try {
        objets = ouvrirTable("MSysObjects");
    } catch (const ErreurLecture &) {
        throw ErreurLecture("catalogue des objets illisible");
    }
    objets->decoderSeulement({-1});   // rows counted, values left alone
    std::uint64_t lignes = 0;
    std::vector<ValeurJet> v;
    while (objets->ligneSuivante(v))
        ++lignes;
    if (lignes != objets->lignesAnnoncees() || lignes != d->mdb->catalog->len)
        throw ErreurLecture("catalogue des objets incomplet : " + std::to_string(d->mdb->catalog->len) + " objets lus sur "
                            + std::to_string(objets->lignesAnnoncees()) + " annoncés");
}

BaseJet::~BaseJet() = default;

bool BaseJet::jet4() const { return d->mdb->f->jet_version != MDB_VER_JET3; }

std::vector<std::string> BaseJet::tables() const
{
    std::vector<std::string> r;
    for (MdbCatalogEntry *e : d->catalogue(MDB_TABLE))
        if (mdb_is_user_table(e))
            r.emplace_back(e->object_name);
    return r;
}

std::vector<std::string> BaseJet::tablesLiees() const
{
    std::vector<std::string> r;
    for (MdbCatalogEntry *e : d->catalogue(MDB_LINKED_TABLE))
        r.emplace_back(e->object_name);
    return r;
}

std::vector<BaseJet::Requete> BaseJet::requetes()
{
    const std::vector<MdbCatalogEntry *> entrees = d->catalogue(MDB_QUERY);
    std::vector<Requete> r;
    if (entrees.empty())
        return r;

    std::map<unsigned long, std::size_t> parIdentifiant;
    for (MdbCatalogEntry *e : entrees) {
        if (e->object_name[0] == '~')   // hidden queries behind forms and reports
            continue;
        parIdentifiant[e->table_pg & 0x00ffffff] = r.size();
        r.push_back({e->object_name, {}, {}});
    }

    std::map<std::size_t, std::vector<RangeeCatalogue>> rangees;
    try {
        lireCatalogueRequetes(parIdentifiant, rangees);
    } catch (const ErreurLecture &e) {
        for (Requete &q : r)
            q.illisible = std::string("catalogue des requêtes illisible (") + e.what() + ")";
        return r;
    }
    for (auto &[i, liste] : rangees) {
        // Catalogue order: by the Order field when filled, else as stored.
        std::stable_sort(liste.begin(), liste.end(),
                         [](const RangeeCatalogue &a, const RangeeCatalogue &b) { return a.ordre < b.ordre; });
        for (RangeeCatalogue &x : liste)
            r[i].lignes.push_back(std::move(x.ligne));
    }
    return r;
}

void BaseJet::lireCatalogueRequetes(const std::map<unsigned long, std::size_t> &parIdentifiant,
                                    std::map<std::size_t, std::vector<RangeeCatalogue>> &rangees)
{
    std::unique_ptr<TableJet> catalogue = ouvrirTable("MSysQueries");
    const auto ordinal = [&](const char *nom) {
        const auto &cs = catalogue->colonnes();
        for (std::size_t i = 0; i < cs.size(); ++i)
            if (g_ascii_strcasecmp(cs[i].nom.c_str(), nom) == 0)
                return static_cast<int>(i);
        throw ErreurLecture(std::string("catalogue des requêtes sans colonne ") + nom);
    };
    const int cObjet = ordinal("ObjectId"), cAttribut = ordinal("Attribute"), cNom1 = ordinal("Name1"),
              cNom2 = ordinal("Name2"), cExpression = ordinal("Expression"), cDrapeau = ordinal("Flag"),
              cOrdre = ordinal("Order");
    catalogue->decoderSeulement({cObjet, cAttribut, cNom1, cNom2, cExpression, cDrapeau, cOrdre});

    std::vector<ValeurJet> v;
    std::size_t rang = 0;
    const auto texte = [&v](int i) { return std::holds_alternative<std::string>(v[i]) ? std::get<std::string>(v[i]) : std::string(); };
    const auto entier = [&v](int i) -> std::optional<std::int64_t> {
        if (std::holds_alternative<std::int64_t>(v[i]))
            return std::get<std::int64_t>(v[i]);
        return std::nullopt;
    };
    while (catalogue->ligneSuivante(v)) {
        const std::optional<std::int64_t> objet = entier(cObjet);
        const std::optional<std::int64_t> attribut = entier(cAttribut);
        if (!objet || !attribut)
            continue;
        const auto it = parIdentifiant.find(static_cast<unsigned long>(*objet) & 0x00ffffff);
        if (it == parIdentifiant.end())
            continue;
        LigneCatalogue l;
        l.attribut = static_cast<int>(*attribut);
        l.nom1 = texte(cNom1);
        l.nom2 = texte(cNom2);
        l.expression = texte(cExpression);
        if (const auto f = entier(cDrapeau))
            l.drapeau = static_cast<int>(*f);
        std::string ordre;
        if (std::holds_alternative<Octets>(v[cOrdre]))
            ordre = std::get<Octets>(v[cOrdre]).donnees;
        rangees[it->second].push_back({ordre, rang++, l});
    }
}

std::unique_ptr<TableJet> BaseJet::ouvrirTable(const std::string &nom)
{
    std::unique_ptr<TableJet> t(new TableJet);
    TableJet::Private &p = *t->d;
    p.mdb = d->mdb;
    p.nom = nom;
    MdbCatalogEntry *entree = nullptr;
    for (MdbCatalogEntry *e : d->catalogue(MDB_TABLE))
        if (nom == e->object_name)
            entree = e;
    if (!entree)
        p.echec("absente du catalogue");
    p.table = mdb_read_table(entree);
    if (!p.table)
        p.echec("définition illisible");
    if (p.table->num_cols == 0 || p.table->num_cols > MDB_MAX_COLS || !mdb_read_columns(p.table))
        p.echec("colonnes illisibles");
    if (!p.table->columns || p.table->num_cols != p.table->columns->len || p.table->num_cols == 0
        || p.table->num_cols > MDB_MAX_COLS)
        p.echec("colonnes illisibles");
    // The indexes are read right after the definition, whose pages they follow.
    mdb_read_indices(p.table);

    const bool jet4 = d->mdb->f->jet_version != MDB_VER_JET3;
    for (guint i = 0; i < p.table->num_cols; ++i) {
        const auto *c = static_cast<MdbColumn *>(g_ptr_array_index(p.table->columns, i));
        if (!typeConnu(c->col_type))
            p.echec("type de colonne " + std::to_string(c->col_type) + " non pris en charge (colonne "
                    + guillemets(c->name) + ")");
        ColonneJet col;
        col.nom = c->name;
        col.type = static_cast<TypeJet>(c->col_type);
        col.taille = col.type == TypeJet::Texte && jet4 ? c->col_size / 2 : c->col_size;
        // libmdb 1.0 reads precision and scale each into the other's field.
        col.precision = c->col_scale;
        col.echelle = c->col_prec;
        col.numeroAuto = c->is_long_auto;
        p.colonnes.push_back(col);
    }

    for (guint i = 0; p.table->indices && i < p.table->indices->len; ++i) {
        const auto *x = static_cast<MdbIndex *>(g_ptr_array_index(p.table->indices, i));
        if (x->index_type == 2)   // the other side of a relationship: no index of its own
            continue;
        IndexJet ix;
        ix.nom = x->name;
        ix.primaire = x->index_type == 1;
        ix.unique = ix.primaire || (x->flags & MDB_IDX_UNIQUE);
        bool lisible = x->num_keys >= 1 && x->num_keys <= MDB_MAX_IDX_COLS;
        std::set<int> vues;
        for (unsigned k = 0; lisible && k < x->num_keys; ++k) {
            const int col = x->key_col_num[k] - 1;
            if (col < 0 || col >= static_cast<int>(p.colonnes.size()) || !vues.insert(col).second)
                lisible = false;
            else
                ix.colonnes.emplace_back(col, x->key_col_order[k] == MDB_DESC);
        }
        if (lisible)
            p.index.push_back(ix);
        else
            p.indexIllisibles.push_back(ix.nom);
    }
    p.champs.resize(p.colonnes.size());
    p.decodees.assign(p.colonnes.size(), true);
    t->rembobiner();
    return t;
}

TableJet::TableJet() : d(std::make_unique<Private>()) {}
TableJet::~TableJet() = default;
const std::string &TableJet::nom() const { return d->nom; }
const std::vector<ColonneJet> &TableJet::colonnes() const { return d->colonnes; }
const std::vector<IndexJet> &TableJet::index() const { return d->index; }
const std::vector<std::string> &TableJet::indexIllisibles() const { return d->indexIllisibles; }
std::uint64_t TableJet::lignesAnnoncees() const { return d->table->num_rows; }

void TableJet::decoderSeulement(const std::vector<int> &colonnes)
{
    d->decodees.assign(d->colonnes.size(), colonnes.empty());
    for (const int c : colonnes)
        if (c >= 0 && c < static_cast<int>(d->decodees.size()))
            d->decodees[static_cast<std::size_t>(c)] = true;
}

void TableJet::rembobiner()
{
    mdb_rewind_table(d->table);
    d->pageChargee = false;
    d->lignesSurPage = d->ligne = 0;
}

bool TableJet::ligneSuivante(std::vector<ValeurJet> &valeurs)
{
    Private &p = *d;
    MdbHandle *mdb = p.mdb;
    for (;;) {
        if (!p.pageChargee || p.ligne >= p.lignesSurPage) {
            if (!mdb_read_next_dpg(p.table))
                return false;
            p.pageChargee = true;
            p.ligne = 0;
            p.lignesSurPage = static_cast<unsigned>(mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset));
            if (p.lignesSurPage > 1000)
                p.echec("page de données endommagée");
        }
        int debut = 0;
        size_t taille = 0;
        if (mdb_find_row(mdb, static_cast<int>(p.ligne++), &debut, &taille) != 0 || taille == 0)
            continue;
        // Deleted rows, and the pointers of rows moved elsewhere (read at their new place).
        if (static_cast<std::uint32_t>(debut) & LigneSupprimee)
            continue;
        debut = static_cast<int>(static_cast<std::uint32_t>(debut) & MasqueDecalage);
        if (static_cast<std::size_t>(debut) + taille > static_cast<std::size_t>(mdb->fmt->pg_size))
            p.echec("ligne hors de sa page");
        std::fill(p.champs.begin(), p.champs.end(), MdbField{});
        if (mdb_crack_row(p.table, debut, taille, p.champs.data()) < 0)
            p.echec("ligne endommagée");
        valeurs.resize(p.colonnes.size());
        for (std::size_t i = 0; i < p.colonnes.size(); ++i) {
            const MdbField &f = p.champs[i];
            if (f.colnum != static_cast<int>(i))
                p.echec("ligne endommagée");
            valeurs[i] = p.decodees[i] ? p.valeur(p.colonnes[i], f) : ValeurJet();
        }
        return true;
    }
}

} // namespace Jet
