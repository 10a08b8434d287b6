#pragma once

#include <cstddef>
#include <cstdint>

// Recognising a Jet 3 (Access 97) or Jet 4 (Access 2000-2003) database by
// the first bytes of its file. Plain C++: both sides of the conversion use it.
namespace Jet {

enum class VersionJet { Aucune, Jet3, Jet4 };

constexpr std::size_t TailleEntete = 0x18;

// From the file's first bytes (at least TailleEntete, else Aucune).
VersionJet versionJet(const std::uint8_t *entete, std::size_t n);

// From the file itself; Aucune when it cannot be read.
VersionJet versionFichierJet(const char *chemin);

} // namespace Jet
