#pragma once

#include "database/Colonne.h"
#include "database/Memoire.h"

#include <cstdint>
#include <memory>
#include <vector>

// Sorting a record set: a permutation of its rows, never a move of the rows.
// Each key is a stable radix pass over 64-bit keys that keep the order of the
// values, from the last key to the first, so rows that compare equal on every
// key stay in the order they were read.
namespace Tri {

struct Cle
{
    int colonne;
    bool descendant;
};

// Kinds of cells, in the order the engine sorts them: Null first, then
// numbers, dates, texts, bytes.
enum class Classe { Nul, Nombre, Date, Texte, Octets };
constexpr int nombreClasses = 5;

constexpr Classe classe(Value::Type t)
{
    switch (t) {
    case Value::Type::Null: return Classe::Nul;
    case Value::Type::Integer:
    case Value::Type::Double:
    case Value::Type::Currency: return Classe::Nombre;
    case Value::Type::Date: return Classe::Date;
    case Value::Type::Text: return Classe::Texte;
    case Value::Type::Blob: return Classe::Octets;
    }
    return Classe::Nul;
}

struct Paire
{
    std::uint64_t cle;
    std::uint32_t ligne;
};

// Work space of the sorts, kept from one sort to the next: fresh memory costs
// more to obtain (the system zeroes every page) than to sort in.
class Tampons
{
public:
    Paire *paires(std::size_t n);
    Paire *tampon(std::size_t n);
private:
    void reserver(std::size_t n);
    std::unique_ptr<Paire[], Memoire::Liberer> m_paires, m_tampon;
    std::size_t m_capacite = 0;
};

// Positions of rows 0..n-1 in the order of `cles`.
Memoire::Tableau<std::uint32_t> permutation(const std::vector<Colonne> &colonnes, std::size_t n,
                                            const std::vector<Cle> &cles, Tampons &tampons);

// A 64-bit key keeping the order of doubles (-0 and 0 equal).
std::uint64_t cleReel(double d);

// Stable sort of [debut, fin) on `cle`; `tampon` holds as many pairs.
void trierPaires(Paire *debut, Paire *fin, Paire *tampon);

} // namespace Tri
