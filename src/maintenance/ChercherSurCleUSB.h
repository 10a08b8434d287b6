#pragma once

#include "maintenance/Lecteurs.h"
#include "maintenance/OperationsFichiers.h"

#include <QString>

namespace Maintenance {

// The copy from the key is written here (application folder) before it
// replaces its destination; only an interrupted start leaves it.
inline const QString NomCopieCle = QStringLiteral("CLEUSB.TMP");
// The file that a key's copy replaced, kept one generation (OLDK7.BAK's
// counterpart), and its second name while it takes that place.
inline const QString NomSauvegardeCle = QStringLiteral("OLDCLE.BAK");
inline const QString NomSauvegardeCleTemporaire = QStringLiteral("OLDCLE.TMP");
// The key's files copied so far, by name (size and SHA-256 of each copy): the
// compaction changes the copied database's bytes, and a key left plugged in
// must not replace it again at every start.
inline const QString NomEmpreintesCle = QStringLiteral("CLEUSB.EMP");

// Visits every removable drive in mount-point order (floppy drives skipped
// without being read) and copies the first "*.mdb" of its root folder (names
// without regard to case, in name order; regular files only: no symbolic link,
// no hidden dot-file) into the application folder under the same name,
// replacing a file of that name (whose case on disk is kept). A later drive's
// file replaces an earlier copy. A key's file that holds the same bytes as the
// file in place, or as the copy an earlier start made of it under that name
// (CLEUSB.EMP; the file in place still there), copies nothing. Otherwise it is copied beside, fsync'd and
// checked (VerificationCle.h: a database that opens and passes its check;
// the configured database's name must hold what the start-up opens) before
// it replaces anything, the application folder held exclusive (Occupation.h)
// and the file it replaces open in no other process. The replaced file keeps
// its permissions on the new one and is kept in "OLDCLE.BAK" (the configured
// database first: a second key's copy never pushes it out); then one rename,
// so a key pulled out mid-copy leaves the old file whole. A symbolic link in
// the folder is never replaced. True when a file was copied. Any error (a
// drive that cannot be read, a removable drive without a database, a failed
// copy or check, a folder or file in use) goes to TraiterErreur with the
// empty context; the drives not yet visited are skipped.
bool ChercherSurCleUSB(SourceLecteurs &lecteurs, OperationsFichiers *operations = nullptr);

// The same over the machine's drives (LecteursSysteme), or over the source
// installed in their place (tests never read the machine's removable drives).
bool ChercherSurCleUSB();
// Installs `source` (nullptr: the machine's again); returns the one it replaces.
SourceLecteurs *definirSourceLecteurs(SourceLecteurs *source);

} // namespace Maintenance
