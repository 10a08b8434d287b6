#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// Fixed-point currency: a signed count of ten-thousandths of a euro, exactly as
// the original engine's currency type. Never goes through binary floating point
// when summed.
struct Currency
{
    std::int64_t dixMilliemes = 0;

    static Currency fromDouble(double d);               // rounds to 4 decimals, halves to even (as ccur)
    double toDouble() const { return double(dixMilliemes) / 10000.0; }
    friend Currency operator+(Currency a, Currency b);  // throws RuntimeError 6 on overflow
    friend Currency operator-(Currency a, Currency b);  // throws RuntimeError 6 on overflow
    friend auto operator<=>(const Currency &, const Currency &) = default;
};

// A date and time as the original platform holds it, kept here as whole
// seconds from day zero (30/12/1899 00:00:00). Whole seconds are all the
// program ever stores or shows.
struct DateTime
{
    std::int64_t secondes = 0;

    static DateTime fromQDateTime(const QDateTime &dt);
    static DateTime fromDate(const QDate &d);
    static std::optional<DateTime> fromIso(const char *text, std::size_t len); // "YYYY-MM-DD[ HH:MM[:SS]]"
    static std::optional<DateTime> fromIso(const QString &text);
    // nullopt for a date or time that does not exist (years 1..9999).
    static std::optional<DateTime> fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                                             int second = 0);
    // The platform's date as a number: days from day zero, the time as a
    // fraction whose sign follows the days. fromOleDate throws 6 out of 100..9999.
    static DateTime fromOleDate(double days);
    double toOleDate() const;
    // The date and time as written (a UTC QDateTime, so no daylight-saving gap moves it).
    QDateTime toQDateTime() const;
    QDate date() const;
    int secondsOfDay() const;           // 0..86399
    QString toIso() const;              // "YYYY-MM-DD HH:MM:SS"
    int toIso(char *out) const;         // writes the same 19 characters, returns 19
    friend auto operator<=>(const DateTime &, const DateTime &) = default;
};

// Throws RuntimeError 6 ("Dépassement de capacité"): a number out of a type's range.
[[noreturn]] void leverDepassement();
