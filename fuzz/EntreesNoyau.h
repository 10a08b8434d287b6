#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// The fuzzed entries of the program's own readers of outside text: the
// configuration file, the record set's Find criteria and Sort texts, dates,
// and the command line. Plain functions, so that the same code runs under
// libFuzzer (clang, fuzz/cible_*.cpp) and in the replay test of the corpus
// (any compiler). Each returns 0; a fault aborts. A RuntimeError is the
// readers' expected way to refuse an input; any other exception escapes and
// fails the run.
namespace fuzz {

// The bytes as velmara.ini, read by the real reader from a file.
int configuration(const std::uint8_t *donnees, std::size_t taille);
// Lines: an optional "@Table" (the record set: ReqVentes when absent), a sort
// text, then Find criteria, each run forward and backward from several
// positions on a small real database, checked against a plain scan.
int recordset(const std::uint8_t *donnees, std::size_t taille);
// The bytes as a date text: the short-date reader in several regional
// settings, CDate in SQL and the conversion of a text value to a date.
int dates(const std::uint8_t *donnees, std::size_t taille);
// An argument vector, arguments separated by NUL bytes (the first one is
// the program's name).
int ligneDeCommande(const std::uint8_t *donnees, std::size_t taille);

// Reports a broken invariant and aborts.
[[noreturn]] void faute(const char *quoi, const QString &detail);
// Pins the program's regional settings to French (France), once.
void preparer();

} // namespace fuzz
