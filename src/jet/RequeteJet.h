#pragma once

#include "jet/ExpressionJet.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A saved query of a Jet file, as its query catalogue (MSysQueries) stores
// it, rebuilt as one SQLite SELECT statement.
namespace Jet {

// One row of the catalogue for one query: Attribute, Name1, Name2,
// Expression, Flag (Null when absent).
struct LigneCatalogue
{
    int attribut = 0;
    std::string nom1, nom2, expression;
    std::optional<int> drapeau;
};

// Catalogue attributes.
namespace Attribut {
constexpr int Type = 1, Parametre = 2, Options = 3, BaseExterne = 4, Source = 5, Colonne = 6, Jointure = 7,
              Filtre = 8, Groupe = 9, FiltreGroupe = 10, Tri = 11;
}

// Query types (Flag of the Type row).
namespace TypeRequete {
constexpr int Selection = 1, CreationTable = 2, Ajout = 3, MiseAJour = 4, Suppression = 5, AnalyseCroisee = 6,
              DefinitionDonnees = 7, SqlDirect = 8, Union = 9;
}

// The columns of a table or view already in the destination, to expand
// "T.*" the way Jet names its result columns; nullopt when unknown.
using ColonnesDe = std::function<std::optional<std::vector<std::string>>(const std::string &source)>;

// The SELECT statement of a select query (DISTINCT, TOP n, inner/left/right
// joins, WHERE, GROUP BY, HAVING, ORDER BY), every result column named as Jet
// names it (alias, column name, "Table.Column" when two sources share a
// column name, Expr1000... for unnamed expressions). Throws ErreurTraduction
// for anything else (action, crosstab, union, parameter queries...).
std::string traduireRequete(const std::vector<LigneCatalogue> &lignes, const ColonnesDe &colonnes = {});

} // namespace Jet
