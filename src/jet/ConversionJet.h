#pragma once

#include "jet/LecteurJet.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

// The conversion of a Jet file into a new native (SQLite) database: every
// user table with every row, primary keys and indexes, saved select queries
// as views. Runs in the converter's own process (corvane-jet).
namespace Jet {

// The conversion failed; what() is a French reason.
class ErreurConversion : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Rapport
{
    // Before the first table: the number of tables and of rows they announce.
    std::function<void(std::size_t tables, std::uint64_t lignes)> debut;
    // Now and then: the rows written so far, all tables together.
    std::function<void(std::uint64_t lignes)> avancement;
    std::function<void(const std::string &table, std::uint64_t lignes)> table;   // after each table
    std::function<void(const std::string &texte)> avertissement;                 // French, one line
};

struct Resume
{
    std::size_t tables = 0;
    std::uint64_t lignes = 0;
    std::size_t requetesConverties = 0;
    std::size_t requetesIgnorees = 0;
};

// Writes everything `base` holds into the empty database `destination`.
// A query that cannot be translated is skipped with a warning; throws
// ErreurConversion (or ErreurLecture) when a table cannot be read or written,
// or when "ReqVentes" cannot be translated.
Resume convertir(BaseJet &base, sqlite3 *destination, const Rapport &rapport);

// The saved select queries as views of `destination`, whose tables exist:
// the part of convertir that only translates.
void convertirRequetes(sqlite3 *destination, std::vector<BaseJet::Requete> requetes, const Rapport &rapport,
                       Resume &resume);

// The whole file: `source` into the new file `destination`, which must not
// exist. Written beside it under a temporary name, made durable, then given
// its name without ever replacing a file; or, `sansRenommer`, written at
// `destination` itself, made durable, for a caller that names it. Nothing
// is left behind on failure (throws ErreurConversion, ErreurLecture or
// ErreurFichier).
Resume convertirFichier(const std::string &source, const std::string &destination, bool sansRenommer,
                        const Rapport &rapport);

} // namespace Jet
