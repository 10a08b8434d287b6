#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QString>

// The compaction of a database still in the legacy Jet 3 / Jet 4 format (a
// kiosk's file brought by its key): the same step writes the program's own
// format, by the conversion of jet/ConvertisseurJet.h, as the original's
// compaction wrote Jet 4 whatever the source's format.

// True when the database `base` is a Jet file.
bool estSourceJet(const QString &base);

// Converts the database `base` into the new file `destination` (which must
// not exist). Each query or index that could not be converted is logged
// (EnregistrerErreur, context "ReparerDatabase"). Throws RuntimeError; the
// destination is then absent.
void compacterJet(const QString &base, const QString &destination, const Progression &progression);
