#pragma once

#include "database/Memoire.h"
#include "database/Value.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct sqlite3_stmt;
namespace Tri {
class Tampons;
}

// Bytes of the texts of one column, in blocks that never move: a cell keeps
// the address (block << 25 | offset) of a 4-byte length followed by the bytes,
// so that the addresses of the first 2 GiB of texts fit in 31 bits.
class Arene
{
public:
    std::uint64_t ajouter(std::string_view octets);
    std::string_view lire(std::uint64_t adresse) const;
    std::size_t occupes() const;

private:
    struct Bloc
    {
        std::unique_ptr<char, Memoire::Liberer> octets;
        std::size_t taille = 0;
        std::size_t utilise = 0;
    };
    std::vector<Bloc> m_blocs;
};

// One column of a record set, stored by column, with no heap allocation per
// cell: a payload per cell, texts in the column's arena. Payloads are kept as
// 32-bit differences from the column's first value while they fit (counts,
// amounts, dates within 68 years, text addresses), as 64 bits from the first
// that does not; the type is kept once for the column while every cell has
// the same, a byte per cell from the first that differs. Lossless either way.
class Colonne
{
public:
    // The type as declared in the table decides how stored values are read:
    // dates are ISO texts, currency is rounded to 4 decimals.
    enum class Genre : std::uint8_t { Libre, Date, Monnaie };

    Colonne(QString nom, Genre genre) : m_nom(std::move(nom)), m_genre(genre) {}
    static Genre genreDeclare(const char *declType);

    const QString &nom() const { return m_nom; }
    Genre genre() const { return m_genre; }

    // A deferred column keeps no cell: its values are read one row at a time
    // from the database (see Recordset::setDeferredField).
    bool differee() const { return m_differee; }
    void marquerDifferee() { m_differee = true; }

    void ajouter(sqlite3_stmt *st, int colonne);           // appends the statement's cell
    void remplacer(std::size_t ligne, sqlite3_stmt *st, int colonne);
    void reserver(std::size_t n);

    Value::Type type(std::size_t ligne) const
    {
        return Value::Type(m_types.empty() ? m_typeUnique : m_types[ligne]);
    }
    std::int64_t brut(std::size_t ligne) const
    {
        return m_larges.empty() ? m_base + m_etroits[ligne] : m_larges[ligne];
    }
    double reel(std::size_t ligne) const;
    std::string_view octets(std::size_t ligne) const { return m_arene.lire(std::uint64_t(brut(ligne))); }
    Value valeur(std::size_t ligne) const;

    std::size_t taille() const { return m_taille; }
    // Bytes the column holds in memory (cells, texts, sort ranks).
    std::size_t octetsOccupes() const;

    // Which Value::Type values occur (bit per type).
    unsigned typesPresents() const { return m_typesPresents; }

    // Dense ranks of the text (or bytes) cells in collation order, from 1;
    // 0 for the other cells. Computed on first use, kept until a cell changes.
    const Memoire::Tableau<std::uint32_t> &rangs(Tri::Tampons &travail) const;

private:
    void lireCellule(sqlite3_stmt *st, int colonne, std::uint8_t &type, std::int64_t &valeur);
    void ecrire(std::size_t ligne, std::uint8_t type, std::int64_t valeur);
    void elargir();

    QString m_nom;
    Genre m_genre;
    bool m_differee = false;
    std::size_t m_taille = 0;
    std::int64_t m_base = 0;
    bool m_baseFixee = false;
    Memoire::Tableau<std::int32_t> m_etroits;   // while every payload fits
    Memoire::Tableau<std::int64_t> m_larges;    // from the first that does not
    std::uint8_t m_typeUnique = 0;
    Memoire::Tableau<std::uint8_t> m_types;     // from the first cell of another type
    Arene m_arene;
    unsigned m_typesPresents = 0;
    mutable Memoire::Tableau<std::uint32_t> m_rangs;
    mutable bool m_rangsValides = false;
};

// The ordinal of the field named `nom`: exact match first, then without
// regard to case; -1 when none.
int ordinalChamp(const std::vector<Colonne> &colonnes, QStringView nom);
