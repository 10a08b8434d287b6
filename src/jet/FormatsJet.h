#pragma once

#include <optional>
#include <string>
#include <string_view>

// Jet's literal and pattern languages inside expressions, read and rewritten
// for SQLite. Each answers nullopt for what SQLite cannot express.
namespace Jet {

// The inside of a #...# date literal (US order m/d/y as Jet SQL reads it, or
// y-m-d; optionally a time, with AM/PM; a time alone is on 30/12/1899) as ISO
// text "YYYY-MM-DD HH:MM:SS".
std::optional<std::string> dateLitterale(std::string_view texte);

// Format(x, modele) for SQL operand `x`: named formats and custom date/time
// (d dd m mm yy yyyy h hh n nn s ss) or number (0 # . %) templates.
std::optional<std::string> formatSql(const std::string &x, std::string_view modele);

// A Like pattern (* ? # [...] [!...]) as a LIKE pattern escaped with '\',
// or, when it needs a character class and holds no letter, a GLOB pattern.
struct MotifSql
{
    std::string motif;
    bool glob = false;
};
std::optional<MotifSql> motifComme(std::string_view jet);

} // namespace Jet
