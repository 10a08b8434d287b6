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
};

// Reads the arguments (the first one is the program's name). Never throws.
OptionsLigneDeCommande AnalyserLigneDeCommande(const QStringList &arguments);

// Applies what the options set for the whole run (the application folder).
void AppliquerLigneDeCommande(const OptionsLigneDeCommande &options);

// The French text printed by --help, exit statuses included.
QString TexteAide();
