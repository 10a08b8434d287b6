#include "rapports/FormatRapport.h"

#include "database/Dates.h"
#include "shared/Plateforme.h"

#include <cstdint>
#include <cstdlib>

namespace FormatRapport {

namespace {
void deuxChiffres(QString &s, int n)
{
    s += QLatin1Char(char('0' + n / 10 % 10));
    s += QLatin1Char(char('0' + n % 10));
}
} // namespace

QString montant(Currency c)
{
    const bool negatif = c.dixMilliemes < 0;
    // Unsigned magnitude: the most negative amount has no positive counterpart.
    const std::uint64_t a = negatif ? std::uint64_t(0) - std::uint64_t(c.dixMilliemes)
                                    : std::uint64_t(c.dixMilliemes);
    const std::uint64_t centimes = a / 100 + (a % 100 >= 50 ? 1 : 0);
    QString s;
    s.reserve(24);
    if (negatif)
        s += QLatin1Char('-');
    s += QString::number(qulonglong(centimes / 100));
    s += Plateforme::separateurDecimal();
    deuxChiffres(s, int(centimes % 100));
    return s;
}

QString montant(const std::optional<Currency> &c) { return c ? montant(*c) : QString(); }

QString jour(const DateTime &d)
{
    const QDate q = d.date();
    const QChar sep = Plateforme::separateurDate();
    QString s;
    s.reserve(8);
    deuxChiffres(s, q.day());
    s += sep;
    deuxChiffres(s, q.month());
    s += sep;
    deuxChiffres(s, std::abs(q.year()) % 100);
    return s;
}

QString mois(const DateTime &d)
{
    const QDate q = d.date();
    QString s;
    s.reserve(5);
    deuxChiffres(s, q.month());
    s += Plateforme::separateurDate();
    deuxChiffres(s, std::abs(q.year()) % 100);
    return s;
}

QString debut(const std::optional<DateTime> &dateDebut) { return jour(dateDebut.value_or(DateTime{})); }

QString fin(const QString &dateFin)
{
    const std::optional<DateTime> d = AnalyserDate(dateFin, Plateforme::localeSysteme());
    return d ? jour(*d) : dateFin;
}

QString ligneDuAu(const std::optional<DateTime> &dateDebut, const QString &dateFin)
{
    return QStringLiteral("Du ") + debut(dateDebut) + QStringLiteral(" au ") + fin(dateFin);
}

} // namespace FormatRapport
