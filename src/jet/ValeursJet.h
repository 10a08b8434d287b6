#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// Values of a Jet row, decoded from their bytes into what the native
// database stores. Plain C++: no libmdb, no Qt.
namespace Jet {

// Jet 4 text: UTF-16 LE, or "compressed" (starting FF FE: runs of one byte
// per character, a 0 byte switching between one and two bytes). To UTF-8;
// an unpaired surrogate becomes U+FFFD.
std::string texteJet4(const std::uint8_t *p, std::size_t n);
// Jet 3 text: Windows-1252, to UTF-8.
std::string texteJet3(const std::uint8_t *p, std::size_t n);

// A date (days since 30/12/1899, the fraction's absolute value being the
// time of day) as "YYYY-MM-DD HH:MM:SS", to the nearest second; nullopt when
// not a date of years 100 to 9999.
std::optional<std::string> dateIso(double jours);

// A number as SQLite will store it exactly: a whole number, or a double whose
// 15 significant digits read back as the decimal value.
using NombreExact = std::variant<std::int64_t, double>;

// Currency: a count of ten-thousandths. nullopt when the amount has more
// than 15 significant digits and is not whole (SQLite would round it).
std::optional<NombreExact> montant(std::int64_t dixMilliemes);

// Decimal/Numeric: sign byte then 16 bytes (four 32-bit little-endian words,
// most significant first), scaled by 10^-echelle. Its exact decimal text:
std::string texteDecimal(const std::uint8_t octets[17], int echelle);
// ... and as stored (nullopt as for montant, or for an impossible scale).
std::optional<NombreExact> decimal(const std::uint8_t octets[17], int echelle);

// Single: the shortest decimal that reads back as the float, as a double
// (0.1f gives 0.1, not 0.100000001490116).
double simple(float f);

// Replication ID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string guid(const std::uint8_t octets[16]);

} // namespace Jet
