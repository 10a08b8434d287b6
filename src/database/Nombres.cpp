#include "database/Nombres.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace Nombres {

namespace {

bool estBlancGroupe(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F);
}

// Normalises a locale number to "[-]digits[.digits][e[-]digits]"; false when
// the text is not a number.
bool normaliser(const QString &texte, const QLocale &locale, std::string &sortie, bool &exposant,
                int &decimales)
{
    const QString t = texte.trimmed();
    const QString pointLocal = locale.decimalPoint();
    const QString groupeLocal = locale.groupSeparator();
    const QChar point = pointLocal.isEmpty() ? QLatin1Char('.') : pointLocal.at(0);
    const QChar groupe = groupeLocal.isEmpty() ? QChar() : groupeLocal.at(0);
    const bool groupeBlanc = !groupe.isNull() && estBlancGroupe(groupe);

    sortie.clear();
    exposant = false;
    decimales = 0;
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        if (t[i] == QLatin1Char('-'))
            sortie += '-';
        ++i;
    }
    bool chiffreEntier = false, chiffreDecimal = false, dansDecimales = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            sortie += char(c.unicode());
            (dansDecimales ? chiffreDecimal : chiffreEntier) = true;
            if (dansDecimales)
                ++decimales;
        } else if (c == point && !dansDecimales) {
            sortie += '.';
            dansDecimales = true;
        } else if (!dansDecimales && chiffreEntier && (c == groupe || (groupeBlanc && estBlancGroupe(c)))
                   && i + 1 < n && t[i + 1].isDigit()) {
            // a thousands separator between digits
        } else {
            break;
        }
    }
    if (!chiffreEntier && !chiffreDecimal)
        return false;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        exposant = true;
        sortie += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
            if (t[i] == QLatin1Char('-'))
                sortie += '-';
            ++i;
        }
        bool chiffre = false;
        for (; i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i) {
            sortie += char(t[i].unicode());
            chiffre = true;
        }
        if (!chiffre)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> lireNombreC(const char *debut, const char *fin)
{
    if (debut != fin && *debut == '+')
        ++debut;
    double v = 0;
    const auto [p, ec] = std::from_chars(debut, fin, v);
    if (ec != std::errc() || p != fin || debut == fin)
        return std::nullopt;
    return v;
}

std::optional<Currency> lireMonnaieC(const char *debut, const char *fin)
{
    bool negatif = false;
    if (debut != fin && (*debut == '+' || *debut == '-'))
        negatif = *debut++ == '-';
    std::int64_t v = 0;
    int decimales = -1, chiffres = 0;
    for (const char *p = debut; p != fin; ++p) {
        if (*p == '.' && decimales < 0) {
            decimales = 0;
            continue;
        }
        if (*p < '0' || *p > '9' || decimales >= 4)
            return std::nullopt;
        if (__builtin_mul_overflow(v, std::int64_t(10), &v) || __builtin_add_overflow(v, std::int64_t(*p - '0'), &v))
            return std::nullopt;
        ++chiffres;
        if (decimales >= 0)
            ++decimales;
    }
    if (chiffres == 0)
        return std::nullopt;
    for (int i = std::max(decimales, 0); i < 4; ++i)
        if (__builtin_mul_overflow(v, std::int64_t(10), &v))
            return std::nullopt;
    return Currency{negatif ? -v : v};
}

std::optional<double> lireNombre(const QString &texte, const QLocale &locale)
{
    std::string s;
    bool exposant = false;
    int decimales = 0;
    if (!normaliser(texte, locale, s, exposant, decimales))
        return std::nullopt;
    return lireNombreC(s.data(), s.data() + s.size());
}

std::optional<Currency> lireMonnaie(const QString &texte, const QLocale &locale)
{
    std::string s;
    bool exposant = false;
    int decimales = 0;
    if (!normaliser(texte, locale, s, exposant, decimales) || exposant || decimales > 4)
        return std::nullopt;
    const bool negatif = !s.empty() && s[0] == '-';
    std::int64_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            continue;
        if (__builtin_mul_overflow(v, std::int64_t(10), &v) || __builtin_add_overflow(v, std::int64_t(c - '0'), &v))
            return std::nullopt;
    }
    for (int i = decimales; i < 4; ++i)
        if (__builtin_mul_overflow(v, std::int64_t(10), &v))
            return std::nullopt;
    return Currency{negatif ? -v : v};
}

QString texteDouble(double d, QChar separateur)
{
    if (d == 0)
        return QStringLiteral("0");
    if (!std::isfinite(d))
        return std::isnan(d) ? QStringLiteral("NaN") : (d > 0 ? QStringLiteral("Infini") : QStringLiteral("-Infini"));
    char tampon[64];
    const auto r = std::to_chars(tampon, tampon + sizeof tampon, d, std::chars_format::general, 15);
    QString t = QString::fromLatin1(tampon, r.ptr - tampon);
    for (QChar &c : t) {
        if (c == QLatin1Char('.'))
            c = separateur;
        else if (c == QLatin1Char('e'))
            c = QLatin1Char('E');
    }
    return t;
}

QString texteMonnaie(Currency c, QChar separateur)
{
    const bool negatif = c.dixMilliemes < 0;
    const std::uint64_t absolu = negatif ? 0 - std::uint64_t(c.dixMilliemes) : std::uint64_t(c.dixMilliemes);
    QString t = QString::number(absolu / 10000);
    std::uint64_t fraction = absolu % 10000;
    if (fraction != 0) {
        int chiffres = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --chiffres;
        }
        t += separateur;
        t += QString::number(fraction).rightJustified(chiffres, QLatin1Char('0'));
    }
    return negatif ? QLatin1Char('-') + t : t;
}

} // namespace Nombres
