#pragma once

#include "maintenance/Lecteurs.h"
#include "maintenance/OperationsFichiers.h"

#include <QString>

namespace Maintenance {

// The copy from the key is written here (application folder) before it
// replaces its destination; only an interrupted start leaves it.
inline const QString NomCopieCle = QStringLiteral("CLEUSB.TMP");

// Visits every removable drive in mount-point order (floppy drives skipped
// without being read) and copies the first "*.mdb" of its root folder (names
// without regard to case, in name order; regular files only: no symbolic link,
// no hidden dot-file) into the application folder under the same name,
// replacing a file of that name (whose case on disk is kept). A later drive's
// file replaces an earlier copy. Each copy is written beside, fsync'd, then
// renamed over the destination, so a key pulled out mid-copy leaves the old
// file whole. True when a file was copied. Any error (a drive that cannot be
// read, a removable drive without a database, a failed copy) goes to
// TraiterErreur with the empty context; the drives not yet visited are skipped.
bool ChercherSurCleUSB(SourceLecteurs &lecteurs, OperationsFichiers *operations = nullptr);

// The same over the machine's drives (LecteursSysteme), or over the source
// installed in their place (tests never read the machine's removable drives).
bool ChercherSurCleUSB();
// Installs `source` (nullptr: the machine's again); returns the one it replaces.
SourceLecteurs *definirSourceLecteurs(SourceLecteurs *source);

} // namespace Maintenance
