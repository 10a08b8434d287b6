#pragma once

#include "database/Scalaires.h"

#include <QLocale>
#include <QString>
#include <optional>

// Reads a date as the system's date conventions do (CDate, the date search):
// the short-date order of the locale (day/month/year in French) with "/", "-"
// or "." (or the locale's own separator) between the parts, years of 1 to 4
// digits (two digits: 1930-2029), day and month alone meaning this year;
// optionally followed, after blanks, by a time "H:MM[:SS]"; or a time alone,
// which gives that time on day zero (30/12/1899). Leading and trailing blanks
// are ignored. Anything else, or an impossible date, gives nullopt.
std::optional<DateTime> AnalyserDate(const QString &texte, const QLocale &locale);

// A date, blanks, then the beginning of a time ("15/10/2026 1", "15/10/2026
// 10:", "15/10/2026 10:30:"): a text that AnalyserDate rejects only because the
// time is still being typed.
bool DateSuivieDUnDebutDHeure(const QString &texte, const QLocale &locale);

// The locale's short-date format (order and separators) with the year in four
// digits: a two-digit year written by the program would read back a century
// off (1/01/30 is 1930).
QString FormatDateQuatreChiffres(const QLocale &locale);

// The short date (year in four digits) followed by " HH:MM:SS" unless the
// time is midnight; a time alone when the date is day zero (as the original
// platform's CStr of a date). Whatever the program writes, AnalyserDate reads
// back to the same moment.
QString TexteDate(const DateTime &d, const QLocale &locale);
