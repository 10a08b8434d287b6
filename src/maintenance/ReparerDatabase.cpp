#include "maintenance/ReparerDatabase.h"

#include "journal/JournalErreurs.h"
#include "maintenance/AttributsFichier.h"
#include "maintenance/CompactageSqlite.h"
#include "maintenance/ErreurSysteme.h"
#include "maintenance/Occupation.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace Maintenance {

namespace {

const QString Contexte = QStringLiteral("ReparerDatabase");

// The name's entry in the folder (found case-blind), whatever its kind.
bool entreeExiste(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

// Two paths naming the same entry of the same folder, without regard to case.
bool memeNom(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    const QString dossier = QFileInfo(fa.path()).canonicalFilePath();
    return fa.fileName().compare(fb.fileName(), Qt::CaseInsensitive) == 0 && !dossier.isEmpty()
           && dossier == QFileInfo(fb.path()).canonicalFilePath();
}

void noterAttributs(const QString &note)
{
    if (!note.isEmpty())
        EnregistrerErreur(Contexte, note);
}

void supprimerSiPresent(OperationsFichiers &ops, const QString &dossierApplication, const QString &nom)
{
    if (FichierExiste(dossierApplication, nom))
        ops.supprimer(resoudreChemin(NormaliserRepertoire(dossierApplication) + nom));
}

// Holds the backup that the new one replaces, so that the rename only drops
// its name: its blocks (as many as the database's) are freed when the last
// descriptor closes, which on a file system mounted with "discard" waits for
// the device. That close runs on a thread of its own: the window opens
// meanwhile. A crash before it leaves an orphan the file system reclaims.
class AncienneSauvegarde
{
public:
    explicit AncienneSauvegarde(const QString &chemin)
        : m_fd(::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK))
    {
    }
    ~AncienneSauvegarde()
    {
        if (m_fd < 0)
            return;
        try {
            std::thread([fd = m_fd] { ::close(fd); }).detach();
        } catch (const std::system_error &) {
            ::close(m_fd);
        }
    }
    AncienneSauvegarde(const AncienneSauvegarde &) = delete;
    AncienneSauvegarde &operator=(const AncienneSauvegarde &) = delete;

private:
    int m_fd;
};

// Clean-up on a path out that already reports an error: a second failure
// would hide the first, and the next start cleans again.
void supprimerSansErreur(OperationsFichiers &ops, const QString &chemin)
{
    try {
        if (entreeExiste(chemin))
            ops.supprimer(chemin);
    } catch (const RuntimeError &) {
    }
}

// The file the configured name stands for: a database reached through a
// symbolic link is compacted where it lies, and the link is kept.
QString fichierReel(const QString &base)
{
    const QFileInfo info(base);
    if (!info.isSymLink())
        return base;
    const QString cible = info.canonicalFilePath();
    return cible.isEmpty() ? base : cible;
}

RuntimeError nomReserve(const QString &nom, const QString &usage)
{
    return RuntimeError(Erreurs::ArgumentsIncorrects,
                        QStringLiteral("Le nom ") + guillemets(nom) + QStringLiteral(" est réservé ") + usage
                            + QStringLiteral(" : la base de données n'a pas été compactée"));
}

// A configuration naming one of the maintenance files would have the database
// deleted as a leftover, or the error log compacted in its place.
void refuserNomsReserves(const QString &base, const QString &reelle, const QString &dossier, const QString &ici)
{
    for (const QString &chemin : {base, reelle}) {
        for (const QString &nom : {NomCopieCompactee, NomSauvegarde, NomSauvegardeTemporaire}) {
            if (memeNom(chemin, dossier + nom) || memeNom(chemin, ici + nom))
                throw nomReserve(QFileInfo(chemin).fileName(), QStringLiteral("au compactage"));
        }
        if (memeNom(chemin, dossier + NomJournal))
            throw nomReserve(QFileInfo(chemin).fileName(), QStringLiteral("au journal des erreurs"));
    }
}

void reparer(const QString &cheminBase, OperationsFichiers &ops, const Progression &progression)
{
    const QString application = Plateforme::cheminApplication();
    const QString dossier = NormaliserRepertoire(application);
    const QString journalCopie = NomCopieCompactee + QStringLiteral("-journal");
    const QString base = resoudreChemin(cheminBase);
    const QString reelle = fichierReel(base);
    // The copy is written beside the database, so that it takes its place by
    // a rename even where the database lies on another file system.
    const QString dossierBase = QFileInfo(reelle).absolutePath();
    const bool ailleurs = QFileInfo(dossierBase).canonicalFilePath() != QFileInfo(application).canonicalFilePath();
    const QString ici = ailleurs ? NormaliserRepertoire(dossierBase) : dossier;
    refuserNomsReserves(base, reelle, dossier, ici);

    const QString consequence = QStringLiteral("la base de données n'a pas été compactée");
    const AccesExclusif acces(application, consequence);
    verifierNonOuvert(reelle, consequence);

    // Leftovers of a start that did not finish.
    supprimerSiPresent(ops, application, NomSauvegardeTemporaire);
    for (const QString &d : ailleurs ? QStringList{application, dossierBase} : QStringList{application}) {
        supprimerSiPresent(ops, d, NomCopieCompactee);
        supprimerSiPresent(ops, d, journalCopie);
    }

    const QString nouveau = resoudreChemin(ici + NomCopieCompactee);
    try {
        ops.compacter(reelle, nouveau, progression);
        noterAttributs(garderAttributs(reelle, nouveau));
        ops.synchroniserFichier(nouveau);
        // Another program may have opened the database during the compaction.
        verifierNonOuvert(reelle, consequence);
    } catch (...) {
        supprimerSansErreur(ops, resoudreChemin(ici + journalCopie));
        supprimerSansErreur(ops, nouveau);
        throw;
    }

    // The database takes a second name, which then replaces the backup in one
    // step; the database never leaves its own name.
    const QString temporaire = resoudreChemin(dossier + NomSauvegardeTemporaire);
    try {
        if (!ops.lier(reelle, temporaire)) {
            ops.copier(reelle, temporaire);
            noterAttributs(garderAttributs(reelle, temporaire));
            ops.synchroniserFichier(temporaire);
        }
        ops.synchroniserDossier(application);
        const QString sauvegarde = resoudreChemin(dossier + NomSauvegarde);
        const AncienneSauvegarde ancienne(sauvegarde);
        ops.renommer(temporaire, sauvegarde);
        ops.synchroniserDossier(application);
    } catch (...) {
        supprimerSansErreur(ops, temporaire);
        throw;
    }
    // Renaming a name onto another name of the same file changes nothing
    // (the backup already was this database, after a crash just before the
    // last rename): the second name is then removed here.
    if (entreeExiste(temporaire))
        ops.supprimer(temporaire);

    try {
        verifierNonOuvert(reelle, consequence);
    } catch (...) {
        supprimerSansErreur(ops, nouveau);
        throw;
    }
    ops.renommer(nouveau, reelle);
    ops.synchroniserDossier(ailleurs ? dossierBase : application);
}

} // namespace

void ReparerDatabase(const QString &cheminBase, const OptionsReparation &options)
{
    OperationsFichiers &ops = options.operations ? *options.operations : operationsSysteme();
    try {
        reparer(cheminBase, ops, options.progression);
    } catch (const RuntimeError &e) {
        TraiterErreur(Contexte, e);
    } catch (const std::exception &e) {
        TraiterErreur(Contexte, RuntimeError(Erreurs::NumeroBaseDeDonnees, QString::fromLocal8Bit(e.what())));
    }
}

} // namespace Maintenance
