#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QString>

// The compaction itself: opens the database `base` through Connection (3024
// when the file is missing, 3343 when it is not a database), then VACUUM INTO
// the file `destination`, in the program's current format (the only one
// written). The source is checked whole (integrity_check) while the copy is
// written; the copy of a source that fails is checked itself. The copy is not
// yet durable: the caller syncs it. Progress is the destination's size
// against the source's pages in use. On failure the destination may hold a
// partial file: the caller removes it.
void compacterSqlite(const QString &base, const QString &destination, const Progression &progression);
