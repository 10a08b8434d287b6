#pragma once

#include <QString>

// The check of a key's file before it replaces anything: a file from outside
// is hostile until checked.
namespace Maintenance {

// The converted copy of a key's Jet file, in the application folder, while it
// is checked; only an interrupted start leaves it.
inline const QString NomConversionCle = QStringLiteral("CLEUSB.CNV");

// Throws RuntimeError (3343 for a file that is no database we can read, 3049
// for a damaged one or one that lacks what the start-up opens) unless
// `copie` (the key's file `source`, copied) passes SQLite's quick check,
// opened read-only with the engine's defensive settings. A Jet file is
// converted in the limited child process into `conversion`, which must pass
// the same check and is then removed. With `estLaBase` (the file bears the
// configured database's name) it must also hold the table "Parametres", the
// view or table "ReqVentes" with the journal's columns and "Telecollectes"
// with "LaDate".
void verifierFichierCle(const QString &copie, const QString &source, bool estLaBase, const QString &conversion);

} // namespace Maintenance
