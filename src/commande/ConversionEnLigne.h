#pragma once

#include <optional>

// The conversion mode of the command line (--convertir <source.mdb>
// <destination>): converts a Jet 3 / Jet 4 file into a new database of the
// program's format, as the compaction does, for an administrator. Writes a
// line per table and a summary on standard output, the queries it could not
// convert and the errors on standard error; never shows a window. Returns the
// exit status (0 converted, 1 failed, 2 bad command line), or nothing when
// the command line asks for no conversion.
std::optional<int> ExecuterConversionEnLigne(int &argc, char **argv);
