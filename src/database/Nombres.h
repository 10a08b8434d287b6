#pragma once

#include "database/Scalaires.h"

#include <QLocale>
#include <QString>
#include <optional>

// Numbers read from and written to text as the original platform's
// conversions do with the system's regional settings. Locale-independent
// underneath (never printf/strtod, which follow the C library's locale).
namespace Nombres {

// A number written with the locale's decimal separator, optional grouping by
// the locale's thousands separator (any kind of blank when that separator is
// one), a leading sign and an exponent; blanks around are ignored.
std::optional<double> lireNombre(const QString &texte, const QLocale &locale);

// The same text read exactly as a currency when it has at most four decimals
// and no exponent; nullopt otherwise (the caller then goes through a double).
std::optional<Currency> lireMonnaie(const QString &texte, const QLocale &locale);

// A number as SQL and criteria write it: '.' for the decimal point, no grouping.
std::optional<double> lireNombreC(const char *debut, const char *fin);
// The same, exactly as a currency: at most four decimals, no exponent.
std::optional<Currency> lireMonnaieC(const char *debut, const char *fin);

// Up to 15 significant digits, the exponent form ("1E+20", "1E-05") beyond
// them, `separateur` for the decimal point, no grouping.
QString texteDouble(double d, QChar separateur);

// Up to four decimals, trailing zeros dropped ("12,5", "-0,0001", "3").
QString texteMonnaie(Currency c, QChar separateur);

} // namespace Nombres
