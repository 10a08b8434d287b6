#include "commande/SortiesProtegees.h"

#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"
#include "maintenance/VerificationCle.h"
#include "shared/Configuration.h"
#include "shared/Plateforme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

struct Emplacement
{
    QString dossier;   // real path of the folder
    QString nom;       // the entry's name in it
};

// Where writing `chemin` would land: the links of the last part followed (a
// dangling one too: writing through it creates its target), then the real
// path of the folder.
Emplacement emplacementReel(const QString &chemin)
{
    QString p = QFileInfo(chemin).absoluteFilePath();
    for (int i = 0; i < 40 && QFileInfo(p).isSymLink(); ++i)
        p = QFileInfo(p).symLinkTarget();
    const QFileInfo info(p);
    const QString dossier = QFileInfo(info.absolutePath()).canonicalFilePath();
    return {dossier.isEmpty() ? QDir::cleanPath(info.absolutePath()) : dossier, info.fileName()};
}

QStringList nomsGeres(const QString &dossier)
{
    const QString base = CheminBaseConfiguree(dossier).mid(dossier.size() + 1);
    const QString journal = QStringLiteral("MAINTEN.MDB");
    using namespace Maintenance;
    QStringList noms{base, journal, NomCopieCompactee, NomSauvegarde, NomSauvegardeTemporaire,
                     NomCopieCle, NomSauvegardeCle, NomSauvegardeCleTemporaire, NomEmpreintesCle,
                     NomConversionCle, QStringLiteral("velmara.ini")};
    for (const QString &b : {base, journal})
        for (const char *suffixe : {"-journal", "-wal", "-shm"})
            noms << b + QLatin1String(suffixe);
    return noms;
}

} // namespace

QString RefusFichierDuKiosque(const QString &cible)
{
    const QString dossier = Plateforme::cheminApplication();
    const Emplacement c = emplacementReel(cible);
    for (const QString &nom : nomsGeres(dossier)) {
        // The database's name may carry a path of its own.
        const Emplacement g = emplacementReel(dossier + QLatin1Char('/') + nom);
        if (c.dossier == g.dossier && c.nom.compare(g.nom, Qt::CaseInsensitive) == 0)
            return QStringLiteral("« %1 » est le fichier %2 du dossier de l'automate : Corvane n'écrit jamais "
                                  "dessus. Choisissez un autre fichier.")
                .arg(cible, g.nom);
    }
    return {};
}

QString RefusFichierPdf(const QString &fichier)
{
    const QFileInfo info(fichier);
    const QFileInfo dossier(info.absolutePath());
    if (!dossier.exists())
        return QStringLiteral("Le dossier « %1 » du fichier PDF n'existe pas.").arg(dossier.filePath());
    if (!dossier.isDir())
        return QStringLiteral("« %1 » n'est pas un dossier : le fichier PDF ne peut pas y être écrit.")
            .arg(dossier.filePath());
    if (info.isDir())
        return QStringLiteral("« %1 » est un dossier : donnez le nom du fichier PDF à écrire.").arg(fichier);
    // The PDF is written beside its name, then renamed: the folder must be writable.
    if (::access(QFile::encodeName(dossier.absoluteFilePath()).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("Permission refusée : le fichier PDF ne peut pas être écrit dans le dossier « %1 ».")
            .arg(dossier.absoluteFilePath());
    return RefusFichierDuKiosque(fichier);
}
