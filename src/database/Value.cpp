#include "database/Value.h"

#include "database/Dates.h"
#include "database/Nombres.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

[[noreturn]] void typeIncompatible()
{
    throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
}

[[noreturn]] void utilisationNull()
{
    throw RuntimeError(Erreurs::UtilisationNull, QStringLiteral("Utilisation incorrecte de Null"));
}

// Rounds half to even to a whole number, as the platform's conversions to integers.
std::int64_t arrondirEntier(double v)
{
    if (!std::isfinite(v) || v >= 9223372036854775808.0 || v < -9223372036854775808.0)
        leverDepassement();
    const double r = std::nearbyint(v); // the default rounding mode: halves to even
    if (r >= 9223372036854775808.0 || r < -9223372036854775808.0)
        leverDepassement();
    return std::int64_t(r);
}

double texteVersDouble(const QString &texte)
{
    const std::optional<double> v = Nombres::lireNombre(texte, Plateforme::localeSysteme());
    if (!v)
        typeIncompatible();
    return *v;
}

} // namespace

// ---- Value ----

std::int64_t Value::toInteger() const
{
    switch (type()) {
    case Type::Null: utilisationNull();
    case Type::Integer: return std::get<std::int64_t>(m_v);
    case Type::Double: return arrondirEntier(std::get<double>(m_v));
    case Type::Currency: {
        // Halves to even on the count of ten-thousandths, without a double.
        const std::int64_t c = std::get<::Currency>(m_v).dixMilliemes;
        std::int64_t q = c / 10000;
        const std::int64_t r = c % 10000;
        if (r > 5000 || (r == 5000 && (q & 1)))
            ++q;
        else if (r < -5000 || (r == -5000 && (q & 1)))
            --q;
        return q;
    }
    case Type::Date: return arrondirEntier(std::get<DateTime>(m_v).toOleDate());
    case Type::Text: return arrondirEntier(texteVersDouble(std::get<QString>(m_v)));
    case Type::Blob: typeIncompatible();
    }
    typeIncompatible();
}

double Value::toDouble() const
{
    switch (type()) {
    case Type::Null: utilisationNull();
    case Type::Integer: return double(std::get<std::int64_t>(m_v));
    case Type::Double: return std::get<double>(m_v);
    case Type::Currency: return std::get<::Currency>(m_v).toDouble();
    case Type::Date: return std::get<DateTime>(m_v).toOleDate();
    case Type::Text: return texteVersDouble(std::get<QString>(m_v));
    case Type::Blob: typeIncompatible();
    }
    typeIncompatible();
}

::Currency Value::toCurrency() const
{
    switch (type()) {
    case Type::Null: utilisationNull();
    case Type::Integer: {
        ::Currency c;
        if (__builtin_mul_overflow(std::get<std::int64_t>(m_v), std::int64_t(10000), &c.dixMilliemes))
            leverDepassement();
        return c;
    }
    case Type::Currency: return std::get<::Currency>(m_v);
    case Type::Text: {
        // Exact for decimal texts of up to four decimals.
        const std::optional<::Currency> c = Nombres::lireMonnaie(std::get<QString>(m_v), Plateforme::localeSysteme());
        if (c)
            return *c;
        return ::Currency::fromDouble(texteVersDouble(std::get<QString>(m_v)));
    }
    case Type::Double:
    case Type::Date: return ::Currency::fromDouble(toDouble());
    case Type::Blob: typeIncompatible();
    }
    typeIncompatible();
}

DateTime Value::toDateTime() const
{
    switch (type()) {
    case Type::Null: utilisationNull();
    case Type::Date: return std::get<DateTime>(m_v);
    case Type::Integer:
    case Type::Double:
    case Type::Currency: return DateTime::fromOleDate(toDouble());
    case Type::Text: {
        const QString &t = std::get<QString>(m_v);
        if (const std::optional<DateTime> d = AnalyserDate(t, Plateforme::localeSysteme()))
            return *d;
        if (const std::optional<DateTime> d = DateTime::fromIso(t.trimmed()))
            return *d;
        if (const std::optional<double> n = Nombres::lireNombre(t, Plateforme::localeSysteme()))
            return DateTime::fromOleDate(*n);
        typeIncompatible();
    }
    case Type::Blob: typeIncompatible();
    }
    typeIncompatible();
}

QByteArray Value::toBlob() const
{
    switch (type()) {
    case Type::Null: utilisationNull();
    case Type::Blob: return std::get<QByteArray>(m_v);
    case Type::Text: return std::get<QString>(m_v).toUtf8();
    default: typeIncompatible();
    }
}

QString Value::toString() const
{
    switch (type()) {
    case Type::Null: return {};
    case Type::Integer: return QString::number(std::get<std::int64_t>(m_v));
    case Type::Double: return Nombres::texteDouble(std::get<double>(m_v), Plateforme::separateurDecimal());
    case Type::Currency: return Nombres::texteMonnaie(std::get<::Currency>(m_v), Plateforme::separateurDecimal());
    case Type::Date: return TexteDate(std::get<DateTime>(m_v), Plateforme::localeSysteme());
    case Type::Text: return std::get<QString>(m_v);
    case Type::Blob: return QString::fromUtf8(std::get<QByteArray>(m_v));
    }
    return {};
}
