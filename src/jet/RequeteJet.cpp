#include "jet/RequeteJet.h"

#include "jet/NomsSqlJet.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace Jet {

namespace {

const char *nomType(int type)
{
    switch (type) {
    case TypeRequete::CreationTable:
        return "requête Création de table";
    case TypeRequete::Ajout:
        return "requête Ajout";
    case TypeRequete::MiseAJour:
        return "requête Mise à jour";
    case TypeRequete::Suppression:
        return "requête Suppression";
    case TypeRequete::AnalyseCroisee:
        return "requête Analyse croisée";
    case TypeRequete::DefinitionDonnees:
        return "requête Définition des données";
    case TypeRequete::SqlDirect:
        return "requête SQL direct";
    case TypeRequete::Union:
        return "requête Union";
    default:
        return "requête d'un type inconnu";
    }
}

constexpr int OptionEtoile = 0x01, OptionDistinct = 0x02, OptionTop = 0x10, OptionPourcent = 0x20;

struct Source
{
    std::string nom, alias;
    std::string cle() const { return Jet::cle(alias.empty() ? nom : alias); }
    std::string sql() const { return identifiant(nom) + (alias.empty() ? "" : " AS " + identifiant(alias)); }
};

struct Jointure
{
    std::string gauche, droite;   // keys
    int type = 1;
    std::vector<std::string> conditions;
};

const char *motJointure(int type)
{
    switch (type) {
    case 1:
        return " INNER JOIN ";
    case 2:
        return " LEFT JOIN ";
    case 3:
        return " RIGHT JOIN ";
    default:
        throw ErreurTraduction("type de jointure inconnu (" + std::to_string(type) + ")");
    }
}

// The FROM clause: the sources, joined as the catalogue's join rows say.
class ClauseFrom
{
public:
    explicit ClauseFrom(const std::vector<Source> &sources) : m_sources(sources)
    {
        for (std::size_t i = 0; i < sources.size(); ++i)
            if (!m_index.emplace(sources[i].cle(), i).second)
                throw ErreurTraduction("source « " + sources[i].cle() + " » nommée deux fois");
    }

    // Joins whose conditions only filter (inner joins closing a loop) add to `filtres`.
    std::string texte(const std::vector<LigneCatalogue> &lignes, std::vector<std::string> &filtres)
    {
        for (const Jointure &j : jointures(lignes))
            joindre(j, filtres);
        // Items in the order of their first source, as Jet lists them.
        std::vector<std::pair<std::size_t, std::string>> elements;
        for (const Composant &c : m_composants)
            elements.emplace_back(*std::min_element(c.membres.begin(), c.membres.end()), c.sql);
        for (std::size_t i = 0; i < m_sources.size(); ++i)
            if (trouver(i) < 0)
                elements.emplace_back(i, m_sources[i].sql());
        std::sort(elements.begin(), elements.end());
        std::string from;
        for (const auto &e : elements)
            from += (from.empty() ? "" : ", ") + e.second;
        return from;
    }

private:
    // Sources already joined together, as one FROM item.
    struct Composant
    {
        std::string sql;
        std::vector<std::size_t> membres;
        bool contient(std::size_t i) const { return std::find(membres.begin(), membres.end(), i) != membres.end(); }
    };

    const std::vector<Source> &m_sources;
    std::map<std::string, std::size_t> m_index;
    std::vector<Composant> m_composants;

    std::size_t source(const std::string &nom) const
    {
        const auto it = m_index.find(cle(nom));
        if (it == m_index.end())
            throw ErreurTraduction("jointure sur une source inconnue « " + nom + " »");
        return it->second;
    }

    int trouver(std::size_t i) const
    {
        for (std::size_t c = 0; c < m_composants.size(); ++c)
            if (m_composants[c].contient(i))
                return static_cast<int>(c);
        return -1;
    }

    // Several joins between the same two sources make one join on all their conditions.
    std::vector<Jointure> jointures(const std::vector<LigneCatalogue> &lignes) const
    {
        std::vector<Jointure> jointures;
        for (const LigneCatalogue &l : lignes) {
            if (l.attribut != Attribut::Jointure)
                continue;
            const int type = l.drapeau.value_or(1);
            motJointure(type);
            const std::string g = m_sources[source(l.nom1)].cle(), d = m_sources[source(l.nom2)].cle();
            const std::string condition = traduireExpression(l.expression).sql;
            auto it = std::find_if(jointures.begin(), jointures.end(), [&](const Jointure &j) {
                return j.gauche == g && j.droite == d && j.type == type;
            });
            if (it == jointures.end())
                jointures.push_back({g, d, type, {condition}});
            else
                it->conditions.push_back(condition);
        }
        return jointures;
    }

    void joindre(const Jointure &j, std::vector<std::string> &filtres)
    {
        std::string on;
        for (const std::string &c : j.conditions)
            on += (on.empty() ? "" : " AND ") + c;
        if (j.conditions.size() > 1)
            on = "(" + on + ")";
        const std::size_t g = source(j.gauche), d = source(j.droite);
        const int cg = trouver(g), cd = trouver(d);
        if (cg < 0 && cd < 0) {
            m_composants.push_back({m_sources[g].sql() + motJointure(j.type) + m_sources[d].sql() + " ON " + on, {g, d}});
        } else if (cg >= 0 && cd < 0) {
            m_composants[cg].sql += motJointure(j.type) + m_sources[d].sql() + " ON " + on;
            m_composants[cg].membres.push_back(d);
        } else if (cg < 0) {
            // The left source joins an existing group: the same join seen from the other side.
            const int inverse = j.type == 2 ? 3 : j.type == 3 ? 2 : 1;
            m_composants[cd].sql += motJointure(inverse) + m_sources[g].sql() + " ON " + on;
            m_composants[cd].membres.push_back(g);
        } else if (cg == cd) {
            if (j.type != 1)
                throw ErreurTraduction("jointure externe formant une boucle");
            filtres.push_back(on);
        } else {
            Composant &a = m_composants[cg];
            const Composant &b = m_composants[cd];
            a.sql += std::string(motJointure(j.type)) + "(" + b.sql + ") ON " + on;
            a.membres.insert(a.membres.end(), b.membres.begin(), b.membres.end());
            m_composants.erase(m_composants.begin() + cd);
        }
    }
};

struct Colonne
{
    std::string sql;
    std::string nom;        // the result column's name
    std::string table;      // of a plain column reference without alias
    bool reference = false; // a plain column reference without alias
};

// What the Type, Options and Source rows say; refuses what is not a plain select.
struct Entete
{
    int options = 0;
    std::string top;
    std::vector<Source> sources;
};

Entete lireEntete(const std::vector<LigneCatalogue> &lignes)
{
    int type = TypeRequete::Selection;
    for (const LigneCatalogue &l : lignes)
        if (l.attribut == Attribut::Type)
            type = l.drapeau.value_or(TypeRequete::Selection);
    if (type != TypeRequete::Selection)
        throw ErreurTraduction(std::string(nomType(type)) + " : seules les requêtes Sélection deviennent des vues");

    Entete e;
    for (const LigneCatalogue &l : lignes) {
        switch (l.attribut) {
        case Attribut::Parametre:
            throw ErreurTraduction("requête paramétrée (paramètre « " + l.nom1 + " »)");
        case Attribut::BaseExterne:
            throw ErreurTraduction("requête sur une base de données externe");
        case Attribut::Options:
            e.options = l.drapeau.value_or(0);
            e.top = l.nom1;
            break;
        case Attribut::Source:
            if (!l.expression.empty())
                throw ErreurTraduction("source dans une base de données externe");
            if (l.nom1.empty())
                throw ErreurTraduction("source sans nom");
            e.sources.push_back({l.nom1, l.nom2});
            break;
        default:
            break;
        }
    }
    if (e.options & OptionPourcent)
        throw ErreurTraduction("TOP ... PERCENT non pris en charge");
    if (e.sources.empty())
        throw ErreurTraduction("requête sans table");
    return e;
}

// The result columns, named as Jet names them.
class ListeColonnes
{
public:
    ListeColonnes(const std::vector<Source> &sources, const ColonnesDe &colonnesDe)
        : m_sources(sources), m_colonnesDe(colonnesDe)
    {
    }

    std::vector<Colonne> lire(const std::vector<LigneCatalogue> &lignes, int options)
    {
        if (options & OptionEtoile)
            etoile({});
        for (const LigneCatalogue &l : lignes)
            if (l.attribut == Attribut::Colonne)
                colonne(l);
        if (m_colonnes.empty())
            throw ErreurTraduction("requête sans colonne");
        nommerHomonymes();
        return std::move(m_colonnes);
    }

private:
    const std::vector<Source> &m_sources;
    const ColonnesDe &m_colonnesDe;
    std::vector<Colonne> m_colonnes;
    int m_expressions = 0;

    void colonne(const LigneCatalogue &l)
    {
        const ExpressionTraduite e = traduireExpression(l.expression);
        if (e.etoile) {
            if (!l.nom1.empty())
                throw ErreurTraduction("« * » avec un alias");
            etoile(e.table);
        } else if (!l.nom1.empty()) {
            m_colonnes.push_back({e.sql, l.nom1, {}, false});
        } else if (e.colonne) {
            m_colonnes.push_back({e.sql, e.nomColonne, e.table, true});
        } else {
            m_colonnes.push_back({e.sql, "Expr" + std::to_string(1000 + m_expressions++), {}, false});
        }
    }

    // Every column of a source, or false when they are not known.
    bool deplier(const Source &s, std::vector<Colonne> &sortie) const
    {
        const std::optional<std::vector<std::string>> noms =
            m_colonnesDe ? m_colonnesDe(s.nom) : std::optional<std::vector<std::string>>();
        if (!noms)
            return false;
        const std::string t = s.alias.empty() ? s.nom : s.alias;
        for (const std::string &n : *noms)
            sortie.push_back({identifiant(t) + "." + identifiant(n), n, t, true});
        return true;
    }

    // "T.*" (or "*" for an empty table): the columns one by one when known.
    void etoile(const std::string &table)
    {
        std::vector<const Source *> visees;
        for (const Source &s : m_sources)
            if (table.empty() || s.cle() == cle(table)) {
                visees.push_back(&s);
                if (!table.empty())
                    break;
            }
        if (visees.empty())
            throw ErreurTraduction("« " + table + ".* » sur une source inconnue");
        std::vector<Colonne> depliees;
        for (const Source *s : visees)
            if (!deplier(*s, depliees)) {
                m_colonnes.push_back({table.empty() ? "*" : identifiant(table) + ".*", {}, {}, false});
                return;
            }
        m_colonnes.insert(m_colonnes.end(), depliees.begin(), depliees.end());
    }

    // Two references of the same name from different sources are named "Table.Column".
    void nommerHomonymes()
    {
        std::map<std::string, int> occurrences;
        for (const Colonne &c : m_colonnes)
            if (!c.nom.empty())
                ++occurrences[cle(c.nom)];
        for (Colonne &c : m_colonnes)
            if (c.reference && !c.table.empty() && occurrences[cle(c.nom)] > 1)
                c.nom = c.table + "." + c.nom;
    }
};

std::string clauseSelect(int options, const std::vector<Colonne> &colonnes)
{
    std::string sql = "SELECT ";
    if (options & OptionDistinct)
        sql += "DISTINCT ";
    for (std::size_t i = 0; i < colonnes.size(); ++i) {
        if (i)
            sql += ", ";
        sql += colonnes[i].sql;
        if (!colonnes[i].nom.empty())
            sql += " AS " + identifiant(colonnes[i].nom);
    }
    return sql;
}

// WHERE from the filter rows and the joins that only filter.
std::string clauseWhere(const std::vector<LigneCatalogue> &lignes, const std::vector<std::string> &filtresJointures)
{
    std::string where;
    for (const LigneCatalogue &l : lignes)
        if (l.attribut == Attribut::Filtre)
            where += (where.empty() ? "" : " AND ") + traduireExpression(l.expression).sql;
    for (const std::string &f : filtresJointures)
        where += (where.empty() ? "" : " AND ") + f;
    return where.empty() ? std::string() : " WHERE " + where;
}

// GROUP BY, HAVING and ORDER BY, the rows translated in the catalogue's order.
std::string clausesGroupeEtTri(const std::vector<LigneCatalogue> &lignes)
{
    std::string groupe, filtreGroupe, tri;
    for (const LigneCatalogue &l : lignes) {
        if (l.attribut == Attribut::Groupe)
            groupe += (groupe.empty() ? "" : ", ") + traduireExpression(l.expression).sql;
        else if (l.attribut == Attribut::FiltreGroupe)
            filtreGroupe += (filtreGroupe.empty() ? "" : " AND ") + traduireExpression(l.expression).sql;
        else if (l.attribut == Attribut::Tri)
            tri += (tri.empty() ? "" : ", ") + traduireExpression(l.expression).sql
                   + (cle(l.nom1) == "d" ? " DESC" : "");
    }
    std::string sql;
    if (!groupe.empty())
        sql += " GROUP BY " + groupe;
    if (!filtreGroupe.empty())
        sql += " HAVING " + filtreGroupe;
    if (!tri.empty())
        sql += " ORDER BY " + tri;
    return sql;
}

std::string clauseLimit(int options, const std::string &top)
{
    if (!(options & OptionTop))
        return {};
    long long n = 0;
    const auto r = std::from_chars(top.data(), top.data() + top.size(), n);
    if (r.ec != std::errc() || r.ptr != top.data() + top.size() || n < 0)
        throw ErreurTraduction("TOP « " + top + " » incompris");
    return " LIMIT " + std::to_string(n);
}

} // namespace

std::string traduireRequete(const std::vector<LigneCatalogue> &lignes, const ColonnesDe &colonnesDe)
{
    const Entete e = lireEntete(lignes);
    std::vector<std::string> filtresJointures;
    const std::string from = ClauseFrom(e.sources).texte(lignes, filtresJointures);
    const std::vector<Colonne> colonnes = ListeColonnes(e.sources, colonnesDe).lire(lignes, e.options);
    std::string sql = clauseSelect(e.options, colonnes) + " FROM " + from;
    sql += clauseWhere(lignes, filtresJointures);
    sql += clausesGroupeEtTri(lignes);
    return sql + clauseLimit(e.options, e.top);
}

} // namespace Jet
