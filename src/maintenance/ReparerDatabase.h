#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QString>

namespace Maintenance {

// Files of the compaction, in the application folder.
inline const QString NomCopieCompactee = QStringLiteral("NEWK7.MDB");
inline const QString NomSauvegarde = QStringLiteral("OLDK7.BAK");
// The database's second name while it becomes the backup; only a crash leaves it.
inline const QString NomSauvegardeTemporaire = QStringLiteral("OLDK7.TMP");

struct OptionsReparation
{
    OperationsFichiers *operations = nullptr;   // null: the real ones
    Progression progression;                    // fed during the compaction
};

// Compacts the database at `cheminBase` at start-up, no connection being open
// on it, keeping the file as it was in "OLDK7.BAK" (one generation):
//   1. leftovers of an interrupted start ("OLDK7.TMP", "NEWK7.MDB", its journal) removed;
//   2. compaction of `cheminBase` into "NEWK7.MDB", fsync'd (a failed one leaves neither
//      the copy nor its journal);
//   3. a second name "OLDK7.TMP" for the database (hard link, or a fsync'd copy where
//      the file system has none), then renamed over "OLDK7.BAK": the old backup stays
//      until the new one is in place;
//   4. one rename of "NEWK7.MDB" onto `cheminBase`.
// Every name change is followed by an fsync of the folder. At every instant
// `cheminBase` names a complete database, so a crash anywhere leaves a program
// that starts again by itself. Names are matched case-blind and a replaced
// file keeps its name on disk. Errors go to TraiterErreur with the context
// "ReparerDatabase"; the procedure always returns.
//
// Files after a run, by the operation that failed:
//   failure in                        database      NEWK7.MDB         OLDK7.BAK
//   none                              compacted     absent            the database before this start
//   removing a leftover               unchanged     the leftover      unchanged
//   compaction, or its fsync          unchanged     absent            unchanged
//   second name (link/copy, fsync)    unchanged     compacted copy    unchanged
//   rename onto OLDK7.BAK             unchanged     compacted copy    unchanged
//   fsync after it                    unchanged     compacted copy    the database before this start
//   last rename                       unchanged     compacted copy    the database before this start
//   fsync after the last rename       compacted     absent            the database before this start
// "OLDK7.TMP" never outlives a failed run; the next start removes a leftover
// "NEWK7.MDB". A configuration naming one of these three files is refused
// before anything is touched (it would otherwise be deleted as a leftover).
void ReparerDatabase(const QString &cheminBase, const OptionsReparation &options = {});

} // namespace Maintenance
