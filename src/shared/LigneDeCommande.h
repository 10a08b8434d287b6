#pragma once

#include <QString>
#include <QStringList>

// The program's command line. Options that the window does not need are
// read here too, so that one place tells what `corvane` accepts.
struct OptionsLigneDeCommande
{
    QString dossier;     // --dossier <folder>: the application folder
    bool aide = false;   // --help / -h
    QString erreur;      // non-empty when the command line cannot be read

    // Report mode, without a window: --rapport total|journalier|mensuel
    // --du <date> --au <date> [--imprimer | --pdf <file>].
    bool modeRapport = false;  // one of the report options is on the command line
    QString rapport;           // "total", "journalier" or "mensuel"
    QString du;                // start date, in the system's short-date format
    QString au;                // end date, the same
    bool imprimer = false;     // --imprimer: also print on the default printer
    QString pdf;               // --pdf <file>: also print into this PDF file

    // Conversion mode, without a window: --convertir <source.mdb> <destination>.
    bool modeConversion = false;
    QString convertirSource;       // a Jet 3 / Jet 4 file
    QString convertirDestination;  // the new database, which must not exist
};

// Reads the arguments (the first one is the program's name). Never throws.
OptionsLigneDeCommande AnalyserLigneDeCommande(const QStringList &arguments);

// Applies what the options set for the whole run (the application folder).
void AppliquerLigneDeCommande(const OptionsLigneDeCommande &options);

// The French text printed by --help, exit statuses included.
QString TexteAide();
