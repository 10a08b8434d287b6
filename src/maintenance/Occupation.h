#pragma once

#include <QString>

// Who else uses the kiosk's folder and its database.
//
// Corvane's instances on one application folder see each other through a
// flock on the folder, which the system drops when a process ends, however it
// ends (a lock on the database file would be lost at the compaction's rename).
// Every process that opens the database (the window from the first step of
// its start-up, a report on the command line) holds the folder shared for the
// rest of its life; the start-up's maintenance holds it exclusive only while
// it replaces files, so it gives up when any other instance is there, and
// never waits for one.
namespace Maintenance {

// Jet's "file already in use".
constexpr int FichierDejaUtilise = 3045;

// Holds `dossier` shared for the rest of the process's life; waits (at most
// 120 s) while another instance holds it exclusive. False when the folder
// could not be locked (it is then used without a lock).
bool partagerDossier(const QString &dossier);

// The folder held exclusive for this object's life, then as before (shared,
// or not at all).
// Throws RuntimeError FichierDejaUtilise, whose description ends with
// `consequence`, when another process holds the folder.
class AccesExclusif
{
public:
    AccesExclusif(const QString &dossier, const QString &consequence);
    ~AccesExclusif();
    AccesExclusif(const AccesExclusif &) = delete;
    AccesExclusif &operator=(const AccesExclusif &) = delete;

private:
    int m_fd = -1;
    bool m_partage = false;
};

// Throws RuntimeError FichierDejaUtilise (description ending with
// `consequence`) when another process has the file open (found among the open
// files of the processes this user may inspect) or holds one of SQLite's locks
// on it or on its shared-memory file (any process). A missing file is in no use.
void verifierNonOuvert(const QString &fichier, const QString &consequence);

} // namespace Maintenance
