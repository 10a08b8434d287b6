#pragma once

#include "jet/ErreurTraduction.h"

#include <string>
#include <string_view>

// Translation of Jet SQL expressions (as the query catalogue of a Jet file
// stores them) into SQLite SQL. Plain C++, no Qt: the converter process links it.
namespace Jet {

// What the translation found out about an expression besides its SQL.
struct ExpressionTraduite
{
    std::string sql;
    // A plain column reference ([T].[C] or [C]): its table (may be empty)
    // and column, which also name the result column as Jet names it.
    bool colonne = false;
    std::string table;
    std::string nomColonne;
    // "T.*" or "*": every column of `table` (or of every source).
    bool etoile = false;
};

// Translates one expression. Throws ErreurTraduction. Inputs longer than
// 64 KiB or nested deeper than 200 levels are refused.
ExpressionTraduite traduireExpression(std::string_view jet);

} // namespace Jet
