#pragma once

#include <optional>

// The report mode of the command line (--rapport ...): opens the database as
// the start-up does, without the USB-key search and without the compaction
// (another Corvane may have the window open on the same folder), runs the
// report's procedure, writes the lines on standard output and prints them if
// asked. Never shows a window or a message box: what the window would show
// goes to standard error. Returns the exit status, or nothing when the command
// line holds no report option (the window is to be shown).
std::optional<int> ExecuterRapportEnLigne(int &argc, char **argv);
