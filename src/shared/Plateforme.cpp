#include "shared/Plateforme.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <optional>

namespace Plateforme {

namespace {
QString g_cheminApplication;
std::optional<QLocale> g_locale;

class BoiteMessageErreurStandard : public BoiteMessage
{
public:
    void afficher(const QString &texte, const QString &titre) override
    {
        QTextStream err(stderr);
        QString t = texte;
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        err << titre << ": " << t << Qt::endl;
    }
};

BoiteMessageErreurStandard g_boiteStandard;
BoiteMessage *g_boite = &g_boiteStandard;
} // namespace

QString cheminApplication()
{
    if (!g_cheminApplication.isEmpty())
        return g_cheminApplication;
    if (QCoreApplication::instance())
        return dossierApplicationParDefaut(estInstalle(), QCoreApplication::applicationDirPath(),
                                           qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    return {};
}

void definirCheminApplication(const QString &dossier) { g_cheminApplication = dossier; }

bool estInstalle()
{
#ifdef CORVANE_INSTALLE
    return true;
#else
    return false;
#endif
}

QString dossierApplicationParDefaut(bool installe, const QString &dossierExecutable, const QString &xdgDataHome,
                                    const QString &home)
{
    if (!installe)
        return dossierExecutable;
    const QString donnees = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(donnees + QStringLiteral("/Corvane"));
}

QLocale localeSysteme()
{
    if (g_locale)
        return *g_locale;
    const QLocale systeme = QLocale::system();
    if (systeme.language() == QLocale::C)
        return QLocale(QLocale::French, QLocale::France);
    return systeme;
}

void definirLocaleSysteme(const QLocale &locale) { g_locale = locale; }

QString formatDateCourte() { return localeSysteme().dateFormat(QLocale::ShortFormat); }

QChar separateurDate()
{
    for (const QChar c : formatDateCourte())
        if (!c.isLetter() && c != QLatin1Char('\''))
            return c;
    return QLatin1Char('/');
}

QChar separateurDecimal()
{
    const QString p = localeSysteme().decimalPoint();
    return p.isEmpty() ? QLatin1Char(',') : p.at(0);
}

BoiteMessage &boiteMessage() { return *g_boite; }
void definirBoiteMessage(BoiteMessage *boite) { g_boite = boite ? boite : &g_boiteStandard; }

} // namespace Plateforme
