#include "shared/Configuration.h"

#include "shared/Chemins.h"
#include "shared/FichierIni.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QFileInfo>

namespace {

const QChar Separateur = QLatin1Char('/');

QString sansBlancs(const QString &texte, bool aussiTabulations)
{
    auto blanc = [&](QChar c) {
        return c == QLatin1Char(' ') || (aussiTabulations && c == QLatin1Char('\t'));
    };
    qsizetype debut = 0, fin = texte.size();
    while (debut < fin && blanc(texte.at(debut)))
        ++debut;
    while (fin > debut && blanc(texte.at(fin - 1)))
        --fin;
    return texte.sliced(debut, fin - debut);
}

} // namespace

QString LireIniString(const QString &fichier, const QString &section, const QString &cle,
                      const QString &defaut)
{
    try {
        const QString valeur = FichierIni::lireProfilPrive(section, cle, defaut, fichier);
        return sansBlancs(valeur, true).toUpper();
    } catch (const RuntimeError &e) {
        Plateforme::boiteMessage().afficher(ComposerMessageErreur(e), QStringLiteral("LireIniString"));
        return {};
    }
}

QString ComposerMessageErreur(const RuntimeError &e)
{
    const QChar cr = QLatin1Char('\r');
    return QStringLiteral("Erreur N°:") + cr + QString::number(e.number()) + cr + e.description() + cr
           + QStringLiteral("Appuyez sur (A) pour continuer");
}

QString NormaliserRepertoire(QString dossier)
{
    if (!dossier.endsWith(Separateur))
        dossier += Separateur;
    return dossier;
}

bool FichierExiste(const QString &dossier, const QString &fichier)
{
    try {
        // The listing gives a bare name, which never equals a name with a
        // folder part or with wildcards.
        if (fichier.isEmpty() || fichier.contains(Separateur) || fichier.contains(QLatin1Char('*'))
            || fichier.contains(QLatin1Char('?')))
            return false;
        const QFileInfo info(resoudreChemin(NormaliserRepertoire(dossier) + fichier));
        return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
    } catch (...) {
        return false;
    }
}

QString RepertoireApplication()
{
    const QString dossier = Plateforme::cheminApplication();
    QString rogne = sansBlancs(dossier, false);
    // Names here may end with a blank, which Windows never allowed: keep the
    // folder as given when only that names an existing folder.
    if (rogne != dossier && !QFileInfo(resoudreChemin(rogne)).isDir()
        && QFileInfo(resoudreChemin(dossier)).isDir())
        rogne = dossier;
    // Never upper-cased: on a case-sensitive system that names another
    // folder (a sibling "Kiosk" of "kiosk"). Only the names inside it are
    // matched without regard to case.
    return NormaliserRepertoire(rogne);
}

QString FichierConfiguration(const QString &dossier) { return dossier + QStringLiteral("/velmara.ini"); }

QString CheminBaseConfiguree(const QString &dossier)
{
    return dossier + QLatin1Char('/')
           + LireIniString(FichierConfiguration(dossier), QStringLiteral("Base de donnée"), QStringLiteral("Nom"),
                           QStringLiteral("dacorvane"))
           + QStringLiteral(".mdb");
}
