#include "database/Dates.h"

#include <QDate>
#include <QRegularExpression>
#include <array>

namespace {

enum class Partie { Jour, Mois, Annee };

// Order of day, month and year in the locale's short-date format.
std::array<Partie, 3> ordreDate(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    std::array<Partie, 3> ordre{};
    int n = 0;
    bool litteral = false;
    QChar precedent;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            litteral = !litteral;
            continue;
        }
        if (litteral || c == precedent)
            continue;
        precedent = c;
        Partie p;
        if (c == QLatin1Char('d'))
            p = Partie::Jour;
        else if (c == QLatin1Char('M'))
            p = Partie::Mois;
        else if (c == QLatin1Char('y'))
            p = Partie::Annee;
        else
            continue;
        bool vu = false;
        for (int i = 0; i < n; ++i)
            vu = vu || ordre[i] == p;
        if (!vu && n < 3)
            ordre[n++] = p;
    }
    if (n != 3)
        return {Partie::Jour, Partie::Mois, Partie::Annee};
    return ordre;
}

QChar separateurLocal(const QLocale &locale)
{
    for (const QChar c : locale.dateFormat(QLocale::ShortFormat))
        if (!c.isLetter() && c != QLatin1Char('\''))
            return c;
    return QLatin1Char('/');
}

struct Nombre
{
    int valeur = 0;
    int chiffres = 0;
};

// Reads the numbers of `texte` separated by characters accepted by `separateur`;
// false when anything else appears or a part is empty or too long.
template <typename Sep>
bool lireParties(QStringView texte, Sep separateur, std::array<Nombre, 3> &parties, int &n)
{
    n = 0;
    Nombre courant;
    for (qsizetype i = 0; i <= texte.size(); ++i) {
        const bool fin = i == texte.size();
        const QChar c = fin ? QChar() : texte[i];
        if (!fin && c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (++courant.chiffres > 4)
                return false;
            courant.valeur = courant.valeur * 10 + (c.unicode() - '0');
        } else if (fin || separateur(c)) {
            if (courant.chiffres == 0 || n == 3)
                return false;
            parties[n++] = courant;
            courant = {};
        } else {
            return false;
        }
    }
    return true;
}

std::optional<int> lireHeure(QStringView texte)
{
    std::array<Nombre, 3> p;
    int n = 0;
    if (!lireParties(texte, [](QChar c) { return c == QLatin1Char(':'); }, p, n) || n < 2)
        return std::nullopt;
    const int s = n == 3 ? p[2].valeur : 0;
    for (int i = 0; i < n; ++i)
        if (p[i].chiffres > 2)
            return std::nullopt;
    if (p[0].valeur > 23 || p[1].valeur > 59 || s > 59)
        return std::nullopt;
    return p[0].valeur * 3600 + p[1].valeur * 60 + s;
}

std::optional<DateTime> lireJour(QStringView texte, const QLocale &locale)
{
    const QChar local = separateurLocal(locale);
    std::array<Nombre, 3> p;
    int n = 0;
    const auto separateur = [local](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == local;
    };
    if (!lireParties(texte, separateur, p, n) || n < 2)
        return std::nullopt;

    Nombre jour, mois, annee;
    if (n == 3 && p[0].chiffres >= 3) { // a year written first: year, month, day
        annee = p[0];
        mois = p[1];
        jour = p[2];
    } else {
        const std::array<Partie, 3> ordre = ordreDate(locale);
        int k = 0;
        for (const Partie partie : ordre) {
            if (partie == Partie::Annee && n == 2)
                continue;
            Nombre &cible = partie == Partie::Jour ? jour : partie == Partie::Mois ? mois : annee;
            cible = p[k++];
        }
        if (n == 2)
            annee = Nombre{QDate::currentDate().year(), 4};
    }
    if (jour.chiffres > 2 || mois.chiffres > 2)
        return std::nullopt;
    int a = annee.valeur;
    if (annee.chiffres <= 2)
        a += a < 30 ? 2000 : 1900;
    else if (a < 100)
        return std::nullopt;
    return DateTime::fromParts(a, mois.valeur, jour.valeur);
}

} // namespace

std::optional<DateTime> AnalyserDate(const QString &texte, const QLocale &locale)
{
    const QStringView t = QStringView(texte).trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype blanc = 0;
    while (blanc < t.size() && !t[blanc].isSpace())
        ++blanc;
    if (blanc == t.size()) {
        if (t.contains(QLatin1Char(':'))) {
            const std::optional<int> h = lireHeure(t);
            return h ? std::optional<DateTime>(DateTime{*h}) : std::nullopt;
        }
        return lireJour(t, locale);
    }
    const QStringView heureTexte = t.mid(blanc).trimmed();
    for (const QChar c : heureTexte)
        if (c.isSpace())
            return std::nullopt;
    const std::optional<DateTime> jour = lireJour(t.left(blanc), locale);
    const std::optional<int> heure = lireHeure(heureTexte);
    if (!jour || !heure)
        return std::nullopt;
    return DateTime{jour->secondes + *heure};
}

bool DateSuivieDUnDebutDHeure(const QString &texte, const QLocale &locale)
{
    const QStringView t = QStringView(texte).trimmed();
    qsizetype blanc = 0;
    while (blanc < t.size() && !t[blanc].isSpace())
        ++blanc;
    if (blanc == t.size() || !lireJour(t.left(blanc), locale))
        return false;
    // H[H][:[M[M][:[S[S]]]]], each part within its range.
    static const QRegularExpression debutHeure(
        QStringLiteral("^(\\d{1,2})(?::(?:(\\d{1,2})(?::(\\d{0,2}))?)?)?$"));
    const QRegularExpressionMatch m = debutHeure.match(t.mid(blanc).trimmed());
    if (!m.hasMatch())
        return false;
    return m.captured(1).toInt() <= 23 && m.captured(2).toInt() <= 59 && m.captured(3).toInt() <= 59;
}

QString FormatDateQuatreChiffres(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString resultat;
    bool litteral = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\''))
            litteral = !litteral;
        if (litteral || c != QLatin1Char('y')) {
            resultat += c;
            ++i;
            continue;
        }
        while (i < format.size() && format[i] == QLatin1Char('y'))
            ++i;
        resultat += QStringLiteral("yyyy");
    }
    return resultat;
}

QString TexteDate(const DateTime &d, const QLocale &locale)
{
    const int s = d.secondsOfDay();
    const QString heure = QStringLiteral("%1:%2:%3")
                              .arg(s / 3600, 2, 10, QLatin1Char('0'))
                              .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(s % 60, 2, 10, QLatin1Char('0'));
    if (d.secondes >= 0 && d.secondes < 86400)
        return heure;
    const QString jour = locale.toString(d.date(), FormatDateQuatreChiffres(locale));
    return s == 0 ? jour : jour + QLatin1Char(' ') + heure;
}
