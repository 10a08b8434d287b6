#include "flotte/CopieTexte.h"

#include "database/Value.h"
#include "shared/RuntimeError.h"

#include <QString>
#include <sqlite3.h>

namespace CopieTexte {

namespace {

QString texte(sqlite3_stmt *st, int i)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
}

void nombre(QByteArray &l, double d)
{
    if (!std::isfinite(d))
        throw RuntimeError(Erreurs::DepassementCapacite, QStringLiteral("Dépassement de capacité"));
    l += QByteArray::number(d, 'g', 17);
}

void monnaie(QByteArray &l, Currency c)
{
    const bool negatif = c.dixMilliemes < 0;
    const std::uint64_t a = negatif ? std::uint64_t(0) - std::uint64_t(c.dixMilliemes) : std::uint64_t(c.dixMilliemes);
    if (negatif)
        l += '-';
    l += QByteArray::number(qulonglong(a / 10000));
    l += '.';
    const QByteArray d = QByteArray::number(qulonglong(a % 10000));
    l += QByteArray(4 - d.size(), '0') + d;
}

// COPY's escapes; a NUL, which a PostgreSQL text cannot hold, is dropped.
void echapper(QByteArray &l, const char *p, int n)
{
    bool ascii = true;
    for (int k = 0; k < n && ascii; ++k)
        ascii = (static_cast<unsigned char>(p[k]) & 0x80) == 0;
    QByteArray valide;
    if (!ascii) {   // invalid UTF-8 becomes U+FFFD, as the window shows it
        valide = QString::fromUtf8(p, n).toUtf8();
        p = valide.constData();
        n = int(valide.size());
    }
    for (int k = 0; k < n; ++k) {
        const char c = p[k];
        switch (c) {
        case '\\': l += "\\\\"; break;
        case '\n': l += "\\n"; break;
        case '\r': l += "\\r"; break;
        case '\t': l += "\\t"; break;
        case '\0': break;
        default: l += c;
        }
    }
}

Value valeur(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return Value(std::int64_t(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(st, i));
    case SQLITE_TEXT: return Value(texte(st, i));
    default: throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
    }
}

} // namespace

void colonne(QByteArray &l, sqlite3_stmt *st, int i, Genre g, bool derniere)
{
    const int type = sqlite3_column_type(st, i);
    if (type == SQLITE_NULL) {
        l += "\\N";
    } else {
        switch (g) {
        case Genre::Entier:
            if (type != SQLITE_INTEGER)
                throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
            l += QByteArray::number(qlonglong(sqlite3_column_int64(st, i)));
            break;
        case Genre::Nombre:
            if (type == SQLITE_INTEGER)
                l += QByteArray::number(qlonglong(sqlite3_column_int64(st, i)));
            else
                nombre(l, valeur(st, i).toDouble());
            break;
        case Genre::Monnaie:
            monnaie(l, type == SQLITE_FLOAT ? Currency::fromDouble(sqlite3_column_double(st, i))
                                            : valeur(st, i).toCurrency());
            break;
        case Genre::Date: {
            std::optional<DateTime> d;
            if (type == SQLITE_TEXT)
                d = DateTime::fromIso(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                      std::size_t(sqlite3_column_bytes(st, i)));
            if (!d)
                d = valeur(st, i).toDateTime();
            char iso[20];
            l.append(iso, d->toIso(iso));
            break;
        }
        case Genre::Texte:
            if (type == SQLITE_BLOB)
                throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
            echapper(l, reinterpret_cast<const char *>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
            break;
        }
    }
    l += derniere ? '\n' : '\t';
}

} // namespace CopieTexte
