#include "database/Scalaires.h"

#include "shared/RuntimeError.h"

#include <cmath>

[[noreturn]] void leverDepassement()
{
    throw RuntimeError(Erreurs::DepassementCapacite, QStringLiteral("Dépassement de capacité"));
}

namespace {

constexpr std::int64_t secondesParJour = 86400;
// Julian day number of day zero, 30/12/1899.
constexpr std::int64_t jourJulienZero = 2415019;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t joursDepuisCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

constexpr std::int64_t jourZeroDepuis1970 = joursDepuisCivil(1899, 12, 30);

constexpr bool bissextile(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int joursDuMois(int y, int m)
{
    constexpr int jours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && bissextile(y) ? 29 : jours[m - 1];
}

// Reads exactly n digits at p.
bool chiffres(const char *p, int n, int &valeur)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned c = unsigned(p[i]) - '0';
        if (c > 9)
            return false;
        v = v * 10 + int(c);
    }
    valeur = v;
    return true;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The original platform keeps a date as a double: whole days from day zero,
// plus the time as a fraction of a day whose sign follows the days.
double dateVersDouble(DateTime d)
{
    const std::int64_t jours = floorDiv(d.secondes, secondesParJour);
    const double fraction = double(d.secondsOfDay()) / double(secondesParJour);
    return jours < 0 ? double(jours) - fraction : double(jours) + fraction;
}

DateTime dateDepuisDouble(double v)
{
    if (!std::isfinite(v) || v < -657434.0 || v >= 2958466.0) // 01/01/100 .. 31/12/9999
        leverDepassement();
    const double jours = std::trunc(v);
    const double fraction = std::fabs(v - jours);
    std::int64_t secondesDuJour = std::llround(fraction * double(secondesParJour));
    std::int64_t j = std::int64_t(jours);
    if (secondesDuJour >= secondesParJour) { // rounded up to the next midnight
        secondesDuJour = 0;
        j += v < 0 ? -1 : 1;
    }
    return DateTime{j * secondesParJour + secondesDuJour};
}

} // namespace

// ---- Currency ----

Currency Currency::fromDouble(double d)
{
    const double x = d * 10000.0;
    if (!std::isfinite(x) || x >= 9223372036854775808.0 || x < -9223372036854775808.0)
        leverDepassement();
    const double r = std::nearbyint(x);
    if (r >= 9223372036854775808.0 || r < -9223372036854775808.0)
        leverDepassement();
    return Currency{std::int64_t(r)};
}

Currency operator+(Currency a, Currency b)
{
    Currency r;
    if (__builtin_add_overflow(a.dixMilliemes, b.dixMilliemes, &r.dixMilliemes))
        leverDepassement();
    return r;
}

Currency operator-(Currency a, Currency b)
{
    Currency r;
    if (__builtin_sub_overflow(a.dixMilliemes, b.dixMilliemes, &r.dixMilliemes))
        leverDepassement();
    return r;
}

// ---- DateTime ----

DateTime DateTime::fromDate(const QDate &d)
{
    return DateTime{(d.toJulianDay() - jourJulienZero) * secondesParJour};
}

DateTime DateTime::fromQDateTime(const QDateTime &dt)
{
    return DateTime{(dt.date().toJulianDay() - jourJulienZero) * secondesParJour
                    + dt.time().msecsSinceStartOfDay() / 1000};
}

std::optional<DateTime> DateTime::fromParts(int annee, int mois, int jour, int heure, int minute, int seconde)
{
    if (annee < 1 || annee > 9999 || mois < 1 || mois > 12 || jour < 1 || jour > joursDuMois(annee, mois)
        || heure < 0 || heure > 23 || minute < 0 || minute > 59 || seconde < 0 || seconde > 59)
        return std::nullopt;
    const std::int64_t jours = joursDepuisCivil(annee, unsigned(mois), unsigned(jour)) - jourZeroDepuis1970;
    return DateTime{jours * secondesParJour + heure * 3600 + minute * 60 + seconde};
}

std::optional<DateTime> DateTime::fromIso(const char *p, std::size_t len)
{
    // YYYY-MM-DD, then optionally ' ' or 'T' and HH:MM[:SS[.fff]]
    int a = 0, m = 0, j = 0, h = 0, mi = 0, s = 0;
    if (len < 10 || !chiffres(p, 4, a) || p[4] != '-' || !chiffres(p + 5, 2, m) || p[7] != '-'
        || !chiffres(p + 8, 2, j))
        return std::nullopt;
    if (len > 10) {
        if ((p[10] != ' ' && p[10] != 'T') || len < 16 || !chiffres(p + 11, 2, h) || p[13] != ':'
            || !chiffres(p + 14, 2, mi))
            return std::nullopt;
        std::size_t fin = 16;
        if (len > 16) {
            if (p[16] != ':' || len < 19 || !chiffres(p + 17, 2, s))
                return std::nullopt;
            fin = 19;
            if (len > 19 && p[19] == '.') { // fractions of a second are dropped
                fin = 20;
                while (fin < len && unsigned(p[fin]) - '0' <= 9)
                    ++fin;
            }
        }
        if (fin != len)
            return std::nullopt;
    }
    return fromParts(a, m, j, h, mi, s);
}

std::optional<DateTime> DateTime::fromIso(const QString &texte)
{
    const QByteArray b = texte.toLatin1();
    return fromIso(b.constData(), std::size_t(b.size()));
}

QDate DateTime::date() const
{
    return QDate::fromJulianDay(floorDiv(secondes, secondesParJour) + jourJulienZero);
}

int DateTime::secondsOfDay() const
{
    return int(secondes - floorDiv(secondes, secondesParJour) * secondesParJour);
}

QDateTime DateTime::toQDateTime() const
{
    // UTC so that no daylight-saving gap moves the time written in the database.
    return QDateTime(date(), QTime::fromMSecsSinceStartOfDay(secondsOfDay() * 1000), Qt::UTC);
}

int DateTime::toIso(char *out) const
{
    const QDate d = date();
    const int s = secondsOfDay();
    const int champs[] = {d.year(), d.month(), d.day(), s / 3600, s / 60 % 60, s % 60};
    char *p = out;
    auto ecrire = [&p](int v, int n) {
        for (int i = n - 1; i >= 0; --i, v /= 10)
            p[i] = char('0' + v % 10);
        p += n;
    };
    ecrire(champs[0], 4);
    *p++ = '-';
    ecrire(champs[1], 2);
    *p++ = '-';
    ecrire(champs[2], 2);
    *p++ = ' ';
    ecrire(champs[3], 2);
    *p++ = ':';
    ecrire(champs[4], 2);
    *p++ = ':';
    ecrire(champs[5], 2);
    return int(p - out);
}

QString DateTime::toIso() const
{
    char tampon[20];
    return QString::fromLatin1(tampon, toIso(tampon));
}

double DateTime::toOleDate() const { return dateVersDouble(*this); }
DateTime DateTime::fromOleDate(double jours) { return dateDepuisDouble(jours); }
