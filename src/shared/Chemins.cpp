#include "shared/Chemins.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <sys/stat.h>

namespace {

bool entreeExiste(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

// The program upper-cases names before opening them, so two names match when
// their upper-case forms are equal (this also covers letters whose upper case
// is longer, such as "ß").
bool memeNomSansCasse(const QString &entree, const QString &nom, const QString &nomMajuscules)
{
    return entree.compare(nom, Qt::CaseInsensitive) == 0 || entree.toUpper() == nomMajuscules;
}

// The entry of `dossier` matching `nom` case-blind: the name itself when it
// exists, else the first case-blind match in name order, else empty.
QString entreeCorrespondante(const QString &dossier, const QString &nom)
{
    if (entreeExiste(dossier + nom))
        return nom;
    const QDir d(dossier.isEmpty() ? QStringLiteral(".") : dossier);
    const QStringList entrees =
        d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDir::NoSort);
    const QString nomMajuscules = nom.toUpper();
    QString meilleure;
    for (const QString &e : entrees) {
        if (memeNomSansCasse(e, nom, nomMajuscules) && (meilleure.isNull() || e < meilleure))
            meilleure = e;
    }
    return meilleure;
}

} // namespace

QString resoudreChemin(const QString &chemin)
{
    if (chemin.isEmpty())
        return chemin;
    const QStringList parties = chemin.split(QLatin1Char('/'));
    QString resultat;           // the resolved path so far, ending with '/' once it has a folder
    bool trouve = true;         // every part so far names an existing entry
    for (qsizetype i = 0; i < parties.size(); ++i) {
        const QString &partie = parties.at(i);
        if (i > 0)
            resultat += QLatin1Char('/');
        if (partie.isEmpty() || partie == QLatin1String(".") || partie == QLatin1String("..")) {
            resultat += partie;
            continue;
        }
        if (trouve) {
            const QString entree = entreeCorrespondante(resultat, partie);
            if (!entree.isNull()) {
                resultat += entree;
                continue;
            }
            trouve = false;     // nothing below a missing part can be matched
        }
        resultat += partie;
    }
    return resultat;
}
