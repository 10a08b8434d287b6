#pragma once

#include <QString>

class RuntimeError;

// Configuration reader and path helpers. Paths use the platform's separator
// ('/'), which stands where the original joined folders with a backslash.

// Value of `key` in `section` of the ini file, trimmed and upper-cased; the
// default (treated the same way) when the file, section or key is missing; an
// empty text when the key is present but empty. Section and key are matched
// without regard to case; values are cut at 254 characters; the file is read
// as Windows-1252 unless it is valid UTF-8. On a run-time error it shows
// ComposerMessageErreur in a message box titled "LireIniString" (OK only) and
// returns "" without logging.
QString LireIniString(const QString &fichier, const QString &section, const QString &cle,
                      const QString &defaut);

// "Erreur N°:" CR number CR description CR "Appuyez sur (A) pour continuer".
QString ComposerMessageErreur(const RuntimeError &e);

// The folder followed by one separator unless its last character already is one.
QString NormaliserRepertoire(QString dossier);

// True when an ordinary file (not hidden, not a folder) named `fichier`
// (without regard to case) exists in `dossier`; every error gives false.
bool FichierExiste(const QString &dossier, const QString &fichier);

// The application folder as the system names it, trimmed, ending with one
// separator. Names inside it are matched without regard to case; the folder
// itself is not.
QString RepertoireApplication();

// The configuration file of the application folder `dossier`.
QString FichierConfiguration(const QString &dossier);

// The kiosk's database as the configuration names it: `dossier`, '/', the key
// "Nom" of the section "Base de donnée" (default "dacorvane", upper-cased as
// LireIniString reads it), then ".mdb". The reader's errors are reported by it.
QString CheminBaseConfiguree(const QString &dossier);
