#include "maintenance/ReparerDatabase.h"

#include "maintenance/CompactageSqlite.h"
#include "maintenance/ErreurSysteme.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/JournalErreurs.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

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

void supprimerSiPresent(OperationsFichiers &ops, const QString &dossierApplication, const QString &nom)
{
    if (FichierExiste(dossierApplication, nom))
        ops.supprimer(resoudreChemin(NormaliserRepertoire(dossierApplication) + nom));
}

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

void reparer(const QString &cheminBase, OperationsFichiers &ops, const Progression &progression)
{
    const QString application = Plateforme::cheminApplication();
    const QString dossier = NormaliserRepertoire(application);
    const QString journalCopie = NomCopieCompactee + QStringLiteral("-journal");

    // A configuration naming one of the maintenance files would have the
    // database deleted as a leftover: refuse before touching anything.
    const QString base = resoudreChemin(cheminBase);
    for (const QString &nom : {NomCopieCompactee, NomSauvegarde, NomSauvegardeTemporaire}) {
        if (memeNom(base, dossier + nom))
            throw RuntimeError(Erreurs::ArgumentsIncorrects,
                               QStringLiteral("Le nom ") + guillemets(QFileInfo(base).fileName())
                                   + QStringLiteral(" est réservé au compactage : la base de données "
                                                    "n'a pas été compactée"));
    }

    // Leftovers of a start that did not finish.
    supprimerSiPresent(ops, application, NomSauvegardeTemporaire);
    supprimerSiPresent(ops, application, NomCopieCompactee);
    supprimerSiPresent(ops, application, journalCopie);

    const QString nouveau = resoudreChemin(dossier + NomCopieCompactee);
    try {
        ops.compacter(chaineSourceCompactage(cheminBase), chaineDestinationCompactage(nouveau),
                      progression);
        ops.synchroniserFichier(nouveau);
    } catch (...) {
        supprimerSansErreur(ops, resoudreChemin(dossier + journalCopie));
        supprimerSansErreur(ops, nouveau);
        throw;
    }

    // The database takes a second name, which then replaces the backup in one
    // step; the database never leaves its own name.
    const QString temporaire = resoudreChemin(dossier + NomSauvegardeTemporaire);
    try {
        if (!ops.lier(base, temporaire)) {
            ops.copier(base, temporaire);
            ops.synchroniserFichier(temporaire);
        }
        ops.synchroniserDossier(application);
        ops.renommer(temporaire, resoudreChemin(dossier + NomSauvegarde));
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

    ops.renommer(nouveau, base);
    ops.synchroniserDossier(application);
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
