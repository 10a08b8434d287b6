#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QString>

namespace Maintenance {

// Files of the compaction, in the application folder.
inline const QString NomCopieCompactee = QStringLiteral("NEWK7.MDB");
inline const QString NomSauvegarde = QStringLiteral("OLDK7.BAK");
// The database's second name while it becomes the backup; only a crash leaves it.
inline const QString NomSauvegardeTemporaire = QStringLiteral("OLDK7.TMP");
// The error log, never compacted in the database's place.
inline const QString NomJournal = QStringLiteral("MAINTEN.MDB");

struct OptionsReparation
{
    OperationsFichiers *operations = nullptr;   // null: the real ones
    Progression progression;                    // fed during the compaction
};

// Compacts the database at `cheminBase` at start-up, no connection being open
// on it, keeping the file as it was in "OLDK7.BAK" (one generation). It
// compacts only when it gets the application folder exclusive (Occupation.h:
// no other Corvane there) and no other program has the database open, checked
// again after the compaction and just before the last rename:
//   1. leftovers of an interrupted start ("OLDK7.TMP", "NEWK7.MDB", its journal) removed;
//   2. compaction of `cheminBase` into "NEWK7.MDB", fsync'd (a failed one leaves neither
//      the copy nor its journal);
//   3. a second name "OLDK7.TMP" for the database (hard link, or a fsync'd copy where
//      the file system has none), then renamed over "OLDK7.BAK": the old backup stays
//      until the new one is in place (its blocks are freed on a thread of its own);
//   4. one rename of "NEWK7.MDB" onto `cheminBase`.
// A database reached through a symbolic link is compacted where it lies (the
// link stays); "NEWK7.MDB" is written beside the database, in its own folder
// when that is not the application folder (another file system: the rename
// still works; the backup's second name is then a copy). The compacted copy
// (and a copied backup) takes the database's permission bits, and its owner
// and group where the process may: what it could not keep is logged.
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
// "NEWK7.MDB". A configuration naming one of these three files, or the error
// log "MAINTEN.MDB", is refused before anything is touched. A database in use
// by another Corvane or another program is not compacted: error 3045, every
// file as it was.
void ReparerDatabase(const QString &cheminBase, const OptionsReparation &options = {});

} // namespace Maintenance
