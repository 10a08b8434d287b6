#pragma once

#include <cstddef>
#include <cstdint>

// The fuzzed entries of the Jet conversion, plain functions so that the same
// code runs under libFuzzer (clang, fuzz/cible_*.cpp) and in the replay test
// of the corpus (any compiler). Each returns 0; a fault aborts.
namespace fuzz {

// One Jet expression (the bytes as text).
int expression(const std::uint8_t *donnees, std::size_t taille);
// A query catalogue, one row a line: "attribute|Name1|Name2|Expression|Flag".
int requete(const std::uint8_t *donnees, std::size_t taille);
// Field bytes through every value decoder (first byte picks the scale).
int valeurs(const std::uint8_t *donnees, std::size_t taille);
// A whole Jet file, read in this process and converted into an SQLite
// database in memory. Only the fuzzer runs it: libmdb has faults of its own
// on such input, which Corvane keeps out of its process.
int lecture(const std::uint8_t *donnees, std::size_t taille);

} // namespace fuzz
