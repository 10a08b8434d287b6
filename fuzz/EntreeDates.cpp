// Date texts: the short-date reader, CDate in SQL, a text value made a date.
#include "EntreesNoyau.h"

#include "database/Dates.h"
#include "database/FonctionsJet.h"
#include "database/Value.h"
#include "shared/RuntimeError.h"

#include <memory>
#include <sqlite3.h>

namespace fuzz {

namespace {

struct FermerBase { void operator()(sqlite3 *db) const { sqlite3_close(db); } };
struct FinaliserRequete { void operator()(sqlite3_stmt *st) const { sqlite3_finalize(st); } };

// Short dates written with digits and a four-digit year read back as written.
bool relisible(const QLocale &locale)
{
    const QString f = locale.dateFormat(QLocale::ShortFormat);
    return f.contains(QLatin1String("yyyy")) && !f.contains(QLatin1String("MMM"));
}

void verifierDate(const DateTime &d, const QString &texte)
{
    if (!d.date().isValid() || d.date().year() < 1 || d.date().year() > 9999)
        faute("date out of the calendar", texte);
}

// CDate as the report queries call it: a date in ISO text, or error 13 or 6.
void cdate(const QString &texte)
{
    static EtatFonctions etat;
    static const std::unique_ptr<sqlite3, FermerBase> db = [] {
        sqlite3 *b = nullptr;
        sqlite3_open(":memory:", &b);
        enregistrerFonctionsJet(b, &etat);
        return std::unique_ptr<sqlite3, FermerBase>(b);
    }();
    static const std::unique_ptr<sqlite3_stmt, FinaliserRequete> st = [] {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db.get(), "SELECT CDate(?1)", -1, &s, nullptr);
        return std::unique_ptr<sqlite3_stmt, FinaliserRequete>(s);
    }();
    etat = {};
    const QByteArray u = texte.toUtf8();
    sqlite3_bind_text(st.get(), 1, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW) {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0));
        const int l = sqlite3_column_bytes(st.get(), 0);
        if (l != 19 || !DateTime::fromIso(p, std::size_t(l)))
            faute("CDate gave no ISO date", texte);
    } else if (etat.numero != Erreurs::TypeIncompatible && etat.numero != Erreurs::DepassementCapacite) {
        faute("CDate failed without a run-time error", texte + QStringLiteral(" -> ") + QString::number(etat.numero));
    }
    sqlite3_reset(st.get());
    sqlite3_clear_bindings(st.get());
}

} // namespace

int dates(const std::uint8_t *d, std::size_t n)
{
    preparer();
    const QString texte = QString::fromUtf8(reinterpret_cast<const char *>(d), qsizetype(n));
    static const QLocale locales[] = {
        QLocale(QLocale::French, QLocale::France),   QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),  QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::French, QLocale::Canada),   QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale::c(),
    };
    for (const QLocale &locale : locales) {
        const std::optional<DateTime> date = AnalyserDate(texte, locale);
        if (!date)
            continue;
        verifierDate(*date, texte);
        const QString ecrit = TexteDate(*date, locale);
        if (relisible(locale) && AnalyserDate(ecrit, locale) != date)
            faute("date not read back as written", locale.name() + QLatin1Char(' ') + texte + QStringLiteral(" -> ") + ecrit);
    }

    cdate(texte);

    // A text value made a date (the search box, a date field set from text).
    const auto enDate = [](const QString &t) -> std::optional<DateTime> {
        try {
            return Value(t).toDateTime();
        } catch (const RuntimeError &) {
            return std::nullopt;
        }
    };
    if (const std::optional<DateTime> date = enDate(texte)) {
        verifierDate(*date, texte);
        // ISO text ("0026-04-05") reaches below year 100, which no typed date
        // does (the platform's dates run from 100 to 9999): shown, not read back.
        if (date->date().year() < 100)
            return 0;
        const QString ecrit = Value(*date).toString();
        if (enDate(ecrit) != date)
            faute("date value not read back as written", texte + QStringLiteral(" -> ") + ecrit);
    }
    return 0;
}

} // namespace fuzz
