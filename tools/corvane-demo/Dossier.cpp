#include "Dossier.h"

#include "Erreur.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Dossier {

namespace {

QString raisonSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

void synchroniser(const QString &chemin, int drapeaux)
{
    const int fd = ::open(QFile::encodeName(chemin).constData(), drapeaux | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int erreur = errno;
        if (fd >= 0)
            ::close(fd);
        throw ErreurDemo{QStringLiteral("Impossible d'enregistrer %1 sur le disque : %2").arg(chemin, raisonSysteme(erreur))};
    }
    ::close(fd);
}

} // namespace

QString entreeExistante(const QString &dossier, const QString &nom)
{
    const QStringList entrees = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                        QDir::Name);
    if (entrees.contains(nom))
        return nom;
    for (const QString &entree : entrees) {
        if (entree.compare(nom, Qt::CaseInsensitive) == 0)
            return entree;
    }
    return {};
}

void mettreEnPlace(const QString &provisoire, const QString &definitif)
{
    synchroniser(provisoire, O_RDONLY);
    if (::rename(QFile::encodeName(provisoire).constData(), QFile::encodeName(definitif).constData()) != 0) {
        const int erreur = errno;
        throw ErreurDemo{QStringLiteral("Impossible de renommer %1 en %2 : %3").arg(provisoire, definitif, raisonSysteme(erreur))};
    }
    synchroniser(QFileInfo(definitif).absolutePath(), O_RDONLY | O_DIRECTORY);
}

void ecrireFichier(const QString &definitif, const QByteArray &contenu)
{
    const QString provisoire = definitif + QStringLiteral(".partiel");
    supprimer(provisoire);
    QFile f(provisoire);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly) || f.write(contenu) != contenu.size() || !f.flush()) {
        const QString raison = f.errorString();
        f.close();
        supprimer(provisoire);
        throw ErreurDemo{QStringLiteral("Impossible d'écrire %1 : %2").arg(definitif, raison)};
    }
    f.close();
    try {
        mettreEnPlace(provisoire, definitif);
    } catch (const ErreurDemo &) {
        ::unlink(QFile::encodeName(provisoire).constData());
        throw;
    }
}

void supprimer(const QString &chemin)
{
    if (::unlink(QFile::encodeName(chemin).constData()) != 0 && errno != ENOENT) {
        const int erreur = errno;
        throw ErreurDemo{QStringLiteral("Impossible de supprimer %1 : %2").arg(chemin, raisonSysteme(erreur))};
    }
}

} // namespace Dossier
