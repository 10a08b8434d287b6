#pragma once

#include "database/Colonne.h"
#include "database/Tri.h"

#include <QString>
#include <algorithm>
#include <optional>

class Connection;
class Statement;

// What an open record set holds: the rows, their order, the current position
// and the pending edit. Shared by the files that make up Recordset.
struct RecordsetStore
{
    Connection *connexion = nullptr;
    bool ouvert = false;
    QString table;                         // set when rows can be written back
    std::vector<std::int64_t> rowids;      // by row, for write-back
    std::vector<Colonne> colonnes;
    std::size_t lignes = 0;
    Memoire::Tableau<std::uint32_t> ordre; // position -> row; empty: the order read
    std::vector<Tri::Cle> cles;
    Tri::Tampons tampons;
    int position = 0;                      // -1 before the first, lignes at end of file
    bool ajout = false;
    std::vector<std::optional<Value>> modifs; // pending values, by ordinal
    int differe = -1, cleDiffere = -1, controleDiffere = -1; // ordinals of the deferred read
    QString lectureDifferee;               // its SQL, the key as ?1

    std::uint32_t ligneA(int p) const { return ordre.empty() ? std::uint32_t(p) : ordre[std::size_t(p)]; }
    bool courant() const { return position >= 0 && std::size_t(position) < lignes; }
    bool enAttente() const
    {
        return std::any_of(modifs.begin(), modifs.end(), [](const auto &m) { return m.has_value(); });
    }
    int positionDe(std::uint32_t ligne) const
    {
        if (ordre.empty())
            return int(ligne);
        return int(std::find(ordre.begin(), ordre.end(), ligne) - ordre.begin());
    }
    void lireLigne(Statement &st, bool avecRowid);

    // The deferred read (RecordsetDiffere.cpp): set up from the columns read,
    // and whether the key names one row each once the rows are in.
    void preparerDiffere(const QString &champ, const QString &source, const QString &cle,
                         const QString &controle);
    bool cleDiffereUnique() const;

    static QString identifiant(const QString &nom); // quoted for SQL
};
