#include "database/FonctionsJet.h"

#include "database/Dates.h"
#include "database/Nombres.h"
#include "database/Value.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <sqlite3.h>

namespace {

void echouer(sqlite3_context *ctx, int numero, const QString &description)
{
    auto *etat = static_cast<EtatFonctions *>(sqlite3_user_data(ctx));
    etat->numero = numero;
    etat->description = description;
    sqlite3_result_error(ctx, description.toUtf8().constData(), -1);
}

void typeIncompatible(sqlite3_context *ctx)
{
    echouer(ctx, Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
}

QString texteArgument(sqlite3_value *v)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void ccur(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    try {
        Currency c;
        switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            sqlite3_result_null(ctx);
            return;
        case SQLITE_INTEGER:
            c = Value(std::int64_t(sqlite3_value_int64(argv[0]))).toCurrency();
            break;
        case SQLITE_FLOAT:
            c = Currency::fromDouble(sqlite3_value_double(argv[0]));
            break;
        case SQLITE_TEXT: {
            // Numbers stored as text, written the SQL way or the system's way.
            const QString t = texteArgument(argv[0]);
            const QByteArray b = t.trimmed().toLatin1();
            if (const auto n = Nombres::lireNombreC(b.constData(), b.constData() + b.size()))
                c = Currency::fromDouble(*n);
            else
                c = Value(t).toCurrency();
            break;
        }
        default:
            typeIncompatible(ctx);
            return;
        }
        sqlite3_result_double(ctx, c.toDouble());
    } catch (const RuntimeError &e) {
        echouer(ctx, e.number(), e.description());
    }
}

void cdate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    try {
        std::optional<DateTime> d;
        switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            sqlite3_result_null(ctx);
            return;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            d = DateTime::fromOleDate(sqlite3_value_double(argv[0]));
            break;
        case SQLITE_TEXT: {
            // A date value of the database (ISO text) passes through.
            const char *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
            d = DateTime::fromIso(p, std::size_t(sqlite3_value_bytes(argv[0])));
            if (!d)
                d = AnalyserDate(texteArgument(argv[0]), Plateforme::localeSysteme());
            break;
        }
        default:
            break;
        }
        if (!d) {
            typeIncompatible(ctx);
            return;
        }
        char iso[20];
        sqlite3_result_text(ctx, iso, d->toIso(iso), SQLITE_TRANSIENT);
    } catch (const RuntimeError &e) {
        echouer(ctx, e.number(), e.description());
    }
}

} // namespace

void enregistrerFonctionsJet(sqlite3 *db, EtatFonctions *etat)
{
    sqlite3_create_function_v2(db, "ccur", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, etat, ccur,
                               nullptr, nullptr, nullptr);
    // Not deterministic: a day and month alone take the current year.
    sqlite3_create_function_v2(db, "CDate", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, etat, cdate, nullptr, nullptr,
                               nullptr);
}
