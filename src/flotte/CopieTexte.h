#pragma once

#include <QByteArray>

struct sqlite3_stmt;

// One row of COPY's text format built from the columns of a kiosk's query:
// each column is converted as the kiosk's own engine reads it (a date, an
// amount rounded to four decimals as the currency type, a number, a text),
// so that what the server stores is what the kiosk's reports see.
namespace CopieTexte {

enum class Genre { Entier, Nombre, Monnaie, Date, Texte };

// Appends the column's value (or \N), then a tab, or a newline after the
// last column. Throws RuntimeError 13 for a value of the wrong kind.
void colonne(QByteArray &ligne, sqlite3_stmt *st, int i, Genre g, bool derniere);

} // namespace CopieTexte
