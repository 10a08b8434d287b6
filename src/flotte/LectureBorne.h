#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// A kiosk's folder read for the fleet: the database that velmara.ini names,
// opened read-only with the engine's defensive settings. Nothing in the
// folder is written, locked for writing, compacted or logged into; a Jet
// file is first converted by the converter process into a temporary file.
class LectureBorne
{
public:
    explicit LectureBorne(const QString &dossier);
    ~LectureBorne();
    LectureBorne(const LectureBorne &) = delete;
    LectureBorne &operator=(const LectureBorne &) = delete;

    QString chemin() const { return m_chemin; }   // the kiosk's database file
    sqlite3 *handle() const { return m_db; }

private:
    QString m_chemin;
    std::optional<QTemporaryDir> m_temporaire;    // a converted Jet file
    sqlite3 *m_db = nullptr;
};

// One query over the kiosk's file, stepped forward.
class RequeteBorne
{
public:
    RequeteBorne(const LectureBorne &base, const char *sql);
    ~RequeteBorne();
    RequeteBorne(const RequeteBorne &) = delete;
    RequeteBorne &operator=(const RequeteBorne &) = delete;
    bool suivante();              // throws the engine's error
    sqlite3_stmt *handle() const { return m_st; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_st = nullptr;
};
