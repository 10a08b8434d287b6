#pragma once

#include <QString>

namespace Jet {

// The error log "MAINTEN.MDB" of `dossier`, when it is still a Jet file (a
// kiosk's log brought by its key), is converted into the program's format
// before its first record, the original kept beside it as "MAINTEN.JET" (one
// generation). Does nothing for a log in the program's format or no log.
// Throws RuntimeError when the conversion fails: the log stays as it was, and
// the same file is not tried again during this run.
void PreparerJournalJet(const QString &dossier);

} // namespace Jet
