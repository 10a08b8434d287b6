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
//   1. leftovers of an interrupted start ("NEWK7.MDB", its journal, "OLDK7.TMP") removed;
//   2. compaction of `cheminBase` into "NEWK7.MDB", fsync'd (a failed one leaves neither
//      the copy nor its journal);
//   3. a second name "OLDK7.TMP" for the database (hard link, or a fsync'd copy where
//      the file system has none), then renamed over "OLDK7.BAK": the old backup stays
//      until the new one is in place;
//   4. one rename of "NEWK7.MDB" onto `cheminBase`.
// Every name change is followed by an fsync of the folder. At every instant
// `cheminBase` names a complete database. Names are matched case-blind and a
// replaced file keeps its name on disk. Errors go to TraiterErreur with the
// context "ReparerDatabase"; the procedure always returns.
void ReparerDatabase(const QString &cheminBase, const OptionsReparation &options = {});

} // namespace Maintenance
