#pragma once

#include <cstdint>
#include <string>

// The French lines of a conversion's progress, the same from the converter
// run by hand and from "corvane --convertir".
namespace Jet {

// "3 tables", "1 table", "0 ligne": French uses the singular below 2.
inline std::string quantite(std::uint64_t n, const std::string &singulier, const std::string &pluriel)
{
    return std::to_string(n) + " " + (n < 2 ? singulier : pluriel);
}

inline std::string ligneTable(const std::string &table, std::uint64_t lignes)
{
    return "Table « " + table + " » : " + quantite(lignes, "ligne", "lignes");
}

inline std::string ligneResume(std::uint64_t tables, std::uint64_t lignes, std::uint64_t converties,
                               std::uint64_t ignorees)
{
    return "Conversion terminée : " + quantite(tables, "table", "tables") + ", " + quantite(lignes, "ligne", "lignes")
           + ", " + quantite(converties, "requête convertie", "requêtes converties") + ", "
           + quantite(ignorees, "requête ignorée", "requêtes ignorées") + ".";
}

} // namespace Jet
