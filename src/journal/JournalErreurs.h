#pragma once

#include <QString>

class RuntimeError;

// The common error handler: appends the error to the log ("Erreurs" of
// MAINTEN.MDB in the application folder, when that file exists), then shows
// "N°: <number> <description>" in a message box titled with the application's
// title, OK only, and returns once it is dismissed.
void TraiterErreur(const QString &contexte, const RuntimeError &erreur);

// Appends one record (DateErreur, Contexte, Erreur) to "Erreurs". Never
// throws: any failure abandons the write silently. One append costs the same
// whatever the size of the log.
void EnregistrerErreur(const QString &contexte, const QString &texteErreur);

// The error text "N°: " + number + " " + description.
QString TexteErreur(const RuntimeError &erreur);

// The folder where MAINTEN.MDB is looked for (empty until the first write).
QString RepMaintenance();
void reinitialiserRepMaintenance();   // for tests: back to the start-of-program state
