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

std::string clauseFrom(const std::vector<Source> &sources, const std::vector<LigneCatalogue> &lignes,
                       std::vector<std::string> &filtresSupplementaires)
{
    std::map<std::string, std::size_t> indexSource;
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (!indexSource.emplace(sources[i].cle(), i).second)
            throw ErreurTraduction("source « " + sources[i].cle() + " » nommée deux fois");
    const auto source = [&](const std::string &nom) -> std::size_t {
        const auto it = indexSource.find(cle(nom));
        if (it == indexSource.end())
            throw ErreurTraduction("jointure sur une source inconnue « " + nom + " »");
        return it->second;
    };

    // Several joins between the same two sources make one join on all their conditions.
    std::vector<Jointure> jointures;
    for (const LigneCatalogue &l : lignes) {
        if (l.attribut != Attribut::Jointure)
            continue;
        const int type = l.drapeau.value_or(1);
        motJointure(type);
        const std::string g = sources[source(l.nom1)].cle(), d = sources[source(l.nom2)].cle();
        const std::string condition = traduireExpression(l.expression).sql;
        auto it = std::find_if(jointures.begin(), jointures.end(), [&](const Jointure &j) {
            return j.gauche == g && j.droite == d && j.type == type;
        });
        if (it == jointures.end())
            jointures.push_back({g, d, type, {condition}});
        else
            it->conditions.push_back(condition);
    }

    struct Composant
    {
        std::string sql;
        std::vector<std::size_t> membres;
        bool contient(std::size_t i) const { return std::find(membres.begin(), membres.end(), i) != membres.end(); }
    };
    std::vector<Composant> composants;
    const auto trouver = [&](std::size_t i) -> int {
        for (std::size_t c = 0; c < composants.size(); ++c)
            if (composants[c].contient(i))
                return static_cast<int>(c);
        return -1;
    };

    for (const Jointure &j : jointures) {
        std::string on;
        for (const std::string &c : j.conditions)
            on += (on.empty() ? "" : " AND ") + c;
        if (j.conditions.size() > 1)
            on = "(" + on + ")";
        const std::size_t g = source(j.gauche), d = source(j.droite);
        const int cg = trouver(g), cd = trouver(d);
        if (cg < 0 && cd < 0) {
            composants.push_back({sources[g].sql() + motJointure(j.type) + sources[d].sql() + " ON " + on, {g, d}});
        } else if (cg >= 0 && cd < 0) {
            composants[cg].sql += motJointure(j.type) + sources[d].sql() + " ON " + on;
            composants[cg].membres.push_back(d);
        } else if (cg < 0) {
            // The left source joins an existing group: the same join seen from the other side.
            const int inverse = j.type == 2 ? 3 : j.type == 3 ? 2 : 1;
            composants[cd].sql += motJointure(inverse) + sources[g].sql() + " ON " + on;
            composants[cd].membres.push_back(g);
        } else if (cg == cd) {
            if (j.type != 1)
                throw ErreurTraduction("jointure externe formant une boucle");
            filtresSupplementaires.push_back(on);
        } else {
            Composant &a = composants[cg];
            const Composant &b = composants[cd];
            a.sql += std::string(motJointure(j.type)) + "(" + b.sql + ") ON " + on;
            a.membres.insert(a.membres.end(), b.membres.begin(), b.membres.end());
            composants.erase(composants.begin() + cd);
        }
    }

    // Items in the order of their first source, as Jet lists them.
    std::vector<std::pair<std::size_t, std::string>> elements;
    for (const Composant &c : composants)
        elements.emplace_back(*std::min_element(c.membres.begin(), c.membres.end()), c.sql);
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (trouver(i) < 0)
            elements.emplace_back(i, sources[i].sql());
    std::sort(elements.begin(), elements.end());
    std::string from;
    for (const auto &e : elements)
        from += (from.empty() ? "" : ", ") + e.second;
    return from;
}

struct Colonne
{
    std::string sql;
    std::string nom;        // the result column's name
    std::string table;      // of a plain column reference without alias
    bool reference = false; // a plain column reference without alias
};

} // namespace

std::string traduireRequete(const std::vector<LigneCatalogue> &lignes, const ColonnesDe &colonnesDe)
{
    int type = TypeRequete::Selection;
    for (const LigneCatalogue &l : lignes)
        if (l.attribut == Attribut::Type)
            type = l.drapeau.value_or(TypeRequete::Selection);
    if (type != TypeRequete::Selection)
        throw ErreurTraduction(std::string(nomType(type)) + " : seules les requêtes Sélection deviennent des vues");

    int options = 0;
    std::string top;
    std::vector<Source> sources;
    for (const LigneCatalogue &l : lignes) {
        switch (l.attribut) {
        case Attribut::Parametre:
            throw ErreurTraduction("requête paramétrée (paramètre « " + l.nom1 + " »)");
        case Attribut::BaseExterne:
            throw ErreurTraduction("requête sur une base de données externe");
        case Attribut::Options:
            options = l.drapeau.value_or(0);
            top = l.nom1;
            break;
        case Attribut::Source:
            if (!l.expression.empty())
                throw ErreurTraduction("source dans une base de données externe");
            if (l.nom1.empty())
                throw ErreurTraduction("source sans nom");
            sources.push_back({l.nom1, l.nom2});
            break;
        default:
            break;
        }
    }
    if (options & OptionPourcent)
        throw ErreurTraduction("TOP ... PERCENT non pris en charge");
    if (sources.empty())
        throw ErreurTraduction("requête sans table");

    std::vector<std::string> filtres;
    const std::string from = clauseFrom(sources, lignes, filtres);

    const auto sourceParCle = [&](const std::string &c) -> const Source * {
        for (const Source &s : sources)
            if (s.cle() == cle(c))
                return &s;
        return nullptr;
    };
    // Every column of a source, or nullopt when it is not known.
    const auto deplier = [&](const Source &s, std::vector<Colonne> &sortie) {
        const std::optional<std::vector<std::string>> noms =
            colonnesDe ? colonnesDe(s.nom) : std::optional<std::vector<std::string>>();
        if (!noms)
            return false;
        const std::string t = s.alias.empty() ? s.nom : s.alias;
        for (const std::string &n : *noms)
            sortie.push_back({identifiant(t) + "." + identifiant(n), n, t, true});
        return true;
    };

    std::vector<Colonne> colonnes;
    int expressions = 0;
    const auto etoile = [&](const std::string &table) {
        std::vector<const Source *> visees;
        if (table.empty())
            for (const Source &s : sources)
                visees.push_back(&s);
        else if (const Source *s = sourceParCle(table))
            visees.push_back(s);
        else
            throw ErreurTraduction("« " + table + ".* » sur une source inconnue");
        std::vector<Colonne> depliees;
        for (const Source *s : visees)
            if (!deplier(*s, depliees)) {
                colonnes.push_back({table.empty() ? "*" : identifiant(table) + ".*", {}, {}, false});
                return;
            }
        colonnes.insert(colonnes.end(), depliees.begin(), depliees.end());
    };
    if (options & OptionEtoile)
        etoile({});
    for (const LigneCatalogue &l : lignes) {
        if (l.attribut != Attribut::Colonne)
            continue;
        const ExpressionTraduite e = traduireExpression(l.expression);
        if (e.etoile) {
            if (!l.nom1.empty())
                throw ErreurTraduction("« * » avec un alias");
            etoile(e.table);
            continue;
        }
        if (!l.nom1.empty())
            colonnes.push_back({e.sql, l.nom1, {}, false});
        else if (e.colonne)
            colonnes.push_back({e.sql, e.nomColonne, e.table, true});
        else
            colonnes.push_back({e.sql, "Expr" + std::to_string(1000 + expressions++), {}, false});
    }
    if (colonnes.empty())
        throw ErreurTraduction("requête sans colonne");

    // Two references of the same name from different sources are named "Table.Column".
    std::map<std::string, int> occurrences;
    for (const Colonne &c : colonnes)
        if (!c.nom.empty())
            ++occurrences[cle(c.nom)];
    for (Colonne &c : colonnes)
        if (c.reference && !c.table.empty() && occurrences[cle(c.nom)] > 1)
            c.nom = c.table + "." + c.nom;

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
    sql += " FROM " + from;

    std::string where;
    for (const LigneCatalogue &l : lignes)
        if (l.attribut == Attribut::Filtre)
            where += (where.empty() ? "" : " AND ") + traduireExpression(l.expression).sql;
    for (const std::string &f : filtres)
        where += (where.empty() ? "" : " AND ") + f;
    if (!where.empty())
        sql += " WHERE " + where;

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
    if (!groupe.empty())
        sql += " GROUP BY " + groupe;
    if (!filtreGroupe.empty())
        sql += " HAVING " + filtreGroupe;
    if (!tri.empty())
        sql += " ORDER BY " + tri;
    if (options & OptionTop) {
        long long n = 0;
        const auto r = std::from_chars(top.data(), top.data() + top.size(), n);
        if (r.ec != std::errc() || r.ptr != top.data() + top.size() || n < 0)
            throw ErreurTraduction("TOP « " + top + " » incompris");
        sql += " LIMIT " + std::to_string(n);
    }
    return sql;
}

} // namespace Jet
