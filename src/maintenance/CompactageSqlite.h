#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QString>

// The connection texts handed to the compaction, built by plain concatenation.
QString chaineSourceCompactage(const QString &cheminBase);
QString chaineDestinationCompactage(const QString &cheminCopie);

// The compaction itself: opens the source through Connection (3024 when the
// file is missing, 3343 when it is not a database), then VACUUM INTO the
// destination. The source is checked whole (integrity_check) while the copy
// is written; the copy of a source that fails is checked itself. The copy is
// not yet durable: the caller syncs it. The destination text's engine
// type 5 means the program's current format, the only one written. Progress
// is the destination's size against the source's pages in use. On failure
// the destination may hold a partial file: the caller removes it.
void compacterSqlite(const QString &chaineSource, const QString &chaineDestination,
                     const Progression &progression);
