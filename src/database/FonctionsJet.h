#pragma once

#include <QString>

struct sqlite3;

// The Jet SQL functions the program's query texts use, as SQL functions of
// the engine: ccur(x) (currency, 4 decimals, halves to even) and CDate(text)
// (a date text in the system's short-date format, optionally followed by a
// time, or a time alone; result as ISO text "YYYY-MM-DD HH:MM:SS").
//
// When one of them fails, the engine only sees an SQL error; the run-time
// error it stands for is left in EtatFonctions for the connection to raise.
struct EtatFonctions
{
    int numero = 0;
    QString description;
};

void enregistrerFonctionsJet(sqlite3 *db, EtatFonctions *etat);
