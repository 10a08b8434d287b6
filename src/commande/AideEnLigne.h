#pragma once

#include <optional>

// What the window's command line can answer without a display: --help, and a
// command line that cannot be read. Qt's platform plugin needs a display, so
// both are answered before the application object exists (over ssh, in a
// script). Returns the exit status (0 help shown, 2 bad command line), or
// nothing when the window is to open.
std::optional<int> ExecuterAideEnLigne(int argc, char **argv);
