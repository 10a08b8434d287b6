#pragma once

#include <QString>
#include <cstdint>

struct OptionsDemo
{
    QString dossier;
    std::int64_t ventes = 5000;
    std::uint64_t graine = 1;
    bool remplacer = false;
    QString schema;               // sales database schema file
    QString schemaMaintenance;    // MAINTEN.MDB schema file
};

struct BilanDemo
{
    std::int64_t ventes = 0;
    std::int64_t telecollectes = 0;
};

inline constexpr const char *NomIni = "velmara.ini";
inline constexpr const char *NomBase = "dacorvane.mdb";
inline constexpr const char *NomMaintenance = "MAINTEN.MDB";

// Writes the kiosk folder: both databases are built whole beside their final
// names, then moved into place, then the configuration. Throws ErreurDemo.
BilanDemo creerDossierDemo(const OptionsDemo &options);
