#pragma once

#include <optional>

// The fleet mode of the command line (--flotte <connection>): imports a
// kiosk's folder (--importer <folder> --borne <name>) or writes a report over
// the fleet (--rapport total|journalier|mensuel --du D --au D [--borne <name>]).
// Reads kiosk folders read-only and writes only to the fleet's PostgreSQL
// database; never shows a window. Returns the exit status, or nothing when
// the command line holds no --flotte.
std::optional<int> ExecuterFlotteEnLigne(int &argc, char **argv);
