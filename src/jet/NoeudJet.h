#pragma once

#include <string>
#include <utility>

// A translated piece of a Jet expression, as the parser and the table of
// functions hand it to each other.
namespace Jet {

struct Noeud
{
    std::string sql;
    bool chaine = false;        // a text literal
    std::string valeurChaine;   // its value
    bool colonne = false;
    std::string table, nomColonne;
    bool etoile = false;
};

inline Noeud sqlSeul(std::string s)
{
    Noeud n;
    n.sql = std::move(s);
    return n;
}

// Jet's integer operators and conversions round their operands first.
inline std::string entierArrondi(const std::string &sql) { return "CAST(round(" + sql + ") AS INTEGER)"; }

} // namespace Jet
