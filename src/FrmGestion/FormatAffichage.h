#pragma once

#include "database/Value.h"

#include <QString>

// The grids' and the parameters panel's display format for amounts,
// "# ##0,00 "€"" under French (France) conventions: thousands grouped by a
// non-breaking space (U+00A0), two decimals after a comma, a blank and the
// euro sign; a leading minus for a negative amount. The comma and the grouping
// belong to the format, whatever the system's own settings.
// Rounds half away from zero to the cent: 1234.505 gives "1 234,51 €".
QString FormatMonetaire(Currency montant);

// How a bound control shows a field: as stored (the value's ordinary text),
// with the currency format above, or as a whole number (display format "0").
enum class FormatChamp { TelQuel, Monetaire, Entier };

// A field's value as a bound control shows it; Null shows as nothing. A value
// that the format cannot read (a text in a currency column) shows as stored.
QString TexteAffiche(const Value &valeur, FormatChamp format);
