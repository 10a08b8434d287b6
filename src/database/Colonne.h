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
// the address (block << 32 | offset) of a 4-byte length followed by the bytes.
class Arene
{
public:
    std::uint64_t ajouter(std::string_view octets);
    std::string_view lire(std::uint64_t adresse) const;

private:
    struct Bloc
    {
        std::unique_ptr<char, Memoire::Liberer> octets;
        std::size_t taille = 0;
        std::size_t utilise = 0;
    };
    std::vector<Bloc> m_blocs;
};

// One column of a record set, stored by column: a 64-bit payload and a type
// byte per cell, texts in the column's arena. No heap allocation per cell.
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

    void ajouter(sqlite3_stmt *st, int colonne);           // appends the statement's cell
    void remplacer(std::size_t ligne, sqlite3_stmt *st, int colonne);
    void reserver(std::size_t n);

    Value::Type type(std::size_t ligne) const { return Value::Type(m_types[ligne]); }
    std::int64_t brut(std::size_t ligne) const { return m_valeurs[ligne]; }
    double reel(std::size_t ligne) const;
    std::string_view octets(std::size_t ligne) const { return m_arene.lire(std::uint64_t(m_valeurs[ligne])); }
    Value valeur(std::size_t ligne) const;

    // Which Value::Type values occur (bit per type).
    unsigned typesPresents() const { return m_typesPresents; }

    // Dense ranks of the text (or bytes) cells in collation order, from 1;
    // 0 for the other cells. Computed on first use, kept until a cell changes.
    const Memoire::Tableau<std::uint32_t> &rangs(Tri::Tampons &travail) const;

private:
    void lireCellule(sqlite3_stmt *st, int colonne, std::uint8_t &type, std::int64_t &valeur);

    QString m_nom;
    Genre m_genre;
    Memoire::Tableau<std::int64_t> m_valeurs;
    Memoire::Tableau<std::uint8_t> m_types;
    Arene m_arene;
    unsigned m_typesPresents = 0;
    mutable Memoire::Tableau<std::uint32_t> m_rangs;
    mutable bool m_rangsValides = false;
};

// The ordinal of the field named `nom`: exact match first, then without
// regard to case; -1 when none.
int ordinalChamp(const std::vector<Colonne> &colonnes, QStringView nom);
