#pragma once

struct sqlite3;

// The settings every SQLite connection of Corvane and of its tools gets, on a
// file from outside as on its own, right after it is opened:
// - defensive: no SQL statement may corrupt the file (writable_schema,
//   journal_mode=OFF and direct page writes are refused);
// - trusted_schema off: views and triggers run only the functions flagged
//   innocuous (the Jet functions are);
// - cell_size_check on: a damaged page is reported as such, never read past;
// - mmap_size 0: the file is read through system calls, never mapped (a file
//   truncated under a mapping would kill the process);
// - double-quoted literals stay allowed in statements (the report queries use them).
// Plain C++: the Jet converter, which has no Qt, uses it too.
// Returns SQLITE_OK or the engine's error code.
int appliquerReglagesSqlite(sqlite3 *db);
