#include "jet/TableFonctionsJet.h"

#include "jet/ErreurTraduction.h"
#include "jet/FormatsJet.h"
#include "jet/NomsSqlJet.h"

#include <optional>
#include <string_view>

namespace Jet {

namespace {

using Arguments = std::vector<Noeud>;

struct Fonction
{
    std::string_view nom;   // lower case
    std::size_t min, max;   // arity
    // The SQL of a call with an accepted number of arguments; `f` is the
    // function's lower-case name, for entries shared by several names.
    std::string (*sql)(const Arguments &a, std::string_view f);
};

std::string partieDate(const char *format, const std::string &x)
{
    return "CAST(strftime('" + std::string(format) + "', " + x + ") AS INTEGER)";
}

// Same name in SQLite: the one argument passed through.
std::string memeNom(const Arguments &a, std::string_view f) { return std::string(f) + "(" + a[0].sql + ")"; }

std::string formater(const Arguments &a, std::string_view)
{
    if (a.size() == 1)
        return "CAST(" + a[0].sql + " AS TEXT)";
    if (a.size() > 2)
        throw ErreurTraduction("Format avec premier jour de la semaine non pris en charge");
    if (!a[1].chaine)
        throw ErreurTraduction("Format dont le modèle n'est pas un texte littéral");
    const std::optional<std::string> sql = formatSql(a[0].sql, a[1].valeurChaine);
    if (!sql)
        throw ErreurTraduction("modèle de Format non pris en charge « " + a[1].valeurChaine + " »");
    return *sql;
}

std::string droite(const Arguments &a, std::string_view)
{
    const std::string &x = a[0].sql, &n = a[1].sql;
    return "(CASE WHEN " + n + " >= length(" + x + ") THEN " + x + " ELSE substr(" + x + ", length(" + x + ") - (" + n
           + ") + 1) END)";
}

// Largest whole number not above x.
std::string entier(const Arguments &a, std::string_view)
{
    const std::string &x = a[0].sql;
    return "(CASE WHEN " + x + " < CAST(" + x + " AS INTEGER) THEN CAST(" + x + " AS INTEGER) - 1 ELSE CAST(" + x
           + " AS INTEGER) END)";
}

const Fonction fonctions[] = {
    {"iif", 3, 3,
     [](const Arguments &a, std::string_view) {
         return "(CASE WHEN " + a[0].sql + " THEN " + a[1].sql + " ELSE " + a[2].sql + " END)";
     }},
    // In a query, Nz of Null without a replacement is a zero-length text.
    {"nz", 1, 2,
     [](const Arguments &a, std::string_view) {
         return "coalesce(" + a[0].sql + ", " + (a.size() == 2 ? a[1].sql : std::string("''")) + ")";
     }},
    {"isnull", 1, 1,
     [](const Arguments &a, std::string_view) { return "(CASE WHEN " + a[0].sql + " IS NULL THEN -1 ELSE 0 END)"; }},
    {"date", 0, 0, [](const Arguments &, std::string_view) { return std::string("(date('now', 'localtime') || ' 00:00:00')"); }},
    {"now", 0, 0, [](const Arguments &, std::string_view) { return std::string("datetime('now', 'localtime')"); }},
    {"time", 0, 0,
     [](const Arguments &, std::string_view) { return std::string("('1899-12-30 ' || time('now', 'localtime'))"); }},
    // ccur and CDate are SQL functions of every connection of the program.
    {"ccur", 1, 1, memeNom},
    {"cdate", 1, 1, [](const Arguments &a, std::string_view) { return "CDate(" + a[0].sql + ")"; }},
    {"cstr", 1, 1, [](const Arguments &a, std::string_view) { return "CAST(" + a[0].sql + " AS TEXT)"; }},
    {"cdbl", 1, 1, [](const Arguments &a, std::string_view) { return "CAST(" + a[0].sql + " AS REAL)"; }},
    {"csng", 1, 1, [](const Arguments &a, std::string_view) { return "CAST(" + a[0].sql + " AS REAL)"; }},
    {"cint", 1, 1, [](const Arguments &a, std::string_view) { return entierArrondi(a[0].sql); }},
    {"clng", 1, 1, [](const Arguments &a, std::string_view) { return entierArrondi(a[0].sql); }},
    {"int", 1, 1, entier},
    {"fix", 1, 1, [](const Arguments &a, std::string_view) { return "CAST(" + a[0].sql + " AS INTEGER)"; }},
    {"abs", 1, 1, memeNom},
    {"sgn", 1, 1, [](const Arguments &a, std::string_view) { return "sign(" + a[0].sql + ")"; }},
    {"round", 1, 2,
     [](const Arguments &a, std::string_view) {
         return "round(" + a[0].sql + (a.size() == 2 ? ", " + a[1].sql : std::string()) + ")";
     }},
    {"len", 1, 1, [](const Arguments &a, std::string_view) { return "length(" + a[0].sql + ")"; }},
    {"left", 2, 2, [](const Arguments &a, std::string_view) { return "substr(" + a[0].sql + ", 1, " + a[1].sql + ")"; }},
    {"right", 2, 2, droite},
    {"mid", 2, 3,
     [](const Arguments &a, std::string_view) {
         return "substr(" + a[0].sql + ", " + a[1].sql + (a.size() == 3 ? ", " + a[2].sql : std::string()) + ")";
     }},
    {"ucase", 1, 1, [](const Arguments &a, std::string_view) { return "upper(" + a[0].sql + ")"; }},
    {"lcase", 1, 1, [](const Arguments &a, std::string_view) { return "lower(" + a[0].sql + ")"; }},
    {"trim", 1, 1, [](const Arguments &a, std::string_view f) { return std::string(f) + "(" + a[0].sql + ", ' ')"; }},
    {"ltrim", 1, 1, [](const Arguments &a, std::string_view f) { return std::string(f) + "(" + a[0].sql + ", ' ')"; }},
    {"rtrim", 1, 1, [](const Arguments &a, std::string_view f) { return std::string(f) + "(" + a[0].sql + ", ' ')"; }},
    {"space", 1, 1, [](const Arguments &a, std::string_view) { return "printf('%*s', " + a[0].sql + ", '')"; }},
    {"instr", 2, 2,
     [](const Arguments &a, std::string_view) { return "instr(" + a[0].sql + ", " + a[1].sql + ")"; }},
    {"replace", 3, 3,
     [](const Arguments &a, std::string_view) {
         return "replace(" + a[0].sql + ", " + a[1].sql + ", " + a[2].sql + ")";
     }},
    {"year", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%Y", a[0].sql); }},
    {"month", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%m", a[0].sql); }},
    {"day", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%d", a[0].sql); }},
    {"hour", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%H", a[0].sql); }},
    {"minute", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%M", a[0].sql); }},
    {"second", 1, 1, [](const Arguments &a, std::string_view) { return partieDate("%S", a[0].sql); }},
    {"dateserial", 3, 3,
     [](const Arguments &a, std::string_view) {
         return "printf('%04d-%02d-%02d 00:00:00', " + a[0].sql + ", " + a[1].sql + ", " + a[2].sql + ")";
     }},
    {"datevalue", 1, 1, [](const Arguments &a, std::string_view) { return "(date(" + a[0].sql + ") || ' 00:00:00')"; }},
    {"format", 1, 4, formater},
    {"sum", 1, 1, memeNom},
    {"avg", 1, 1, memeNom},
    {"min", 1, 1, memeNom},
    {"max", 1, 1, memeNom},
    {"count", 1, 1,
     [](const Arguments &a, std::string_view) {
         return a[0].etoile ? std::string("count(*)") : "count(" + a[0].sql + ")";
     }},
};

} // namespace

Noeud appelFonction(const std::string &nomJet, const std::vector<Noeud> &arguments)
{
    const std::string f = cle(nomJet);
    for (const Noeud &n : arguments)
        if (n.etoile && f != "count")
            throw ErreurTraduction("« * » hors de Count");
    for (const Fonction &fonction : fonctions) {
        if (fonction.nom != f)
            continue;
        if (arguments.size() < fonction.min || arguments.size() > fonction.max)
            throw ErreurTraduction("nombre d'arguments incorrect pour " + nomJet);
        return sqlSeul(fonction.sql(arguments, f));
    }
    throw ErreurTraduction("fonction " + nomJet + " non prise en charge");
}

} // namespace Jet
