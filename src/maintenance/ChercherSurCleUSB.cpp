#include "maintenance/ChercherSurCleUSB.h"

#include "jet/EnteteJet.h"
#include "maintenance/ErreurSysteme.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/JournalErreurs.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace Maintenance {

namespace {

bool entreeExiste(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

// The first "*.mdb" of the drive's root folder, or "" when there is none.
QString premiereBase(const QString &racine)
{
    const QString operation = QStringLiteral("lecture du lecteur amovible ") + guillemets(racine);
    std::unique_ptr<DIR, int (*)(DIR *)> dossier(::opendir(QFile::encodeName(racine).constData()),
                                                 ::closedir);
    if (!dossier)
        throw erreurSysteme(errno, operation);
    QStringList noms;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(dossier.get());
        if (!e) {
            if (errno != 0)
                throw erreurSysteme(errno, operation);
            break;
        }
        const QString nom = QFile::decodeName(e->d_name);
        if (nom.startsWith(QLatin1Char('.')) || !nom.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dossier.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(st.st_mode))
            noms << nom;
    }
    if (noms.isEmpty())
        return {};
    return *std::min_element(noms.cbegin(), noms.cend(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

// True when the file starts as an SQLite or a Jet database does. A key's file
// that changed after the listing (emptied, overwritten) must not replace the
// kiosk's database.
bool estUneBase(const QString &chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray entete = f.read(100);
    if (entete.size() == 100 && entete.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return true;
    return jet::versionJet(reinterpret_cast<const std::uint8_t *>(entete.constData()), std::size_t(entete.size()))
           != jet::VersionJet::Aucune;
}

void supprimerSansErreur(OperationsFichiers &ops, const QString &chemin)
{
    try {
        if (entreeExiste(chemin))
            ops.supprimer(chemin);
    } catch (const RuntimeError &) {
    }
}

void copierDepuisCle(OperationsFichiers &ops, const QString &source, const QString &nom)
{
    const QString application = Plateforme::cheminApplication();
    const QString dossier = NormaliserRepertoire(application);
    const QString temporaire = resoudreChemin(dossier + NomCopieCle);
    try {
        ops.copier(source, temporaire);
        ops.synchroniserFichier(temporaire);
        const QString destination = resoudreChemin(dossier + nom);
        if (!estUneBase(temporaire))
            throw RuntimeError(Erreurs::FormatNonReconnu,
                               QStringLiteral("Format de base de données non reconnu : le fichier ")
                                   + guillemets(source)
                                   + QStringLiteral(" n'est pas une base de données reconnue ; ")
                                   + guillemets(destination) + QStringLiteral(" n'a pas été remplacé"));
        // The journal of the file being replaced would be played back into
        // the new one at its first opening, damaging it.
        for (const char *suffixe : {"-journal", "-wal", "-shm"}) {
            const QString journal = destination + QLatin1String(suffixe);
            if (entreeExiste(journal))
                ops.supprimer(journal);
        }
        ops.renommer(temporaire, destination);
        ops.synchroniserDossier(application);
    } catch (...) {
        supprimerSansErreur(ops, temporaire);
        throw;
    }
}

} // namespace

bool ChercherSurCleUSB(SourceLecteurs &source, OperationsFichiers *operations)
{
    OperationsFichiers &ops = operations ? *operations : operationsSysteme();
    bool resultat = false;
    try {
        // Leftover of a start interrupted during a copy.
        const QString application = Plateforme::cheminApplication();
        if (FichierExiste(application, NomCopieCle))
            ops.supprimer(resoudreChemin(NormaliserRepertoire(application) + NomCopieCle));

        for (const Lecteur &lecteur : source.lecteurs()) {
            if (!lecteur.amovible || lecteur.disquette)
                continue;
            const QString racine = NormaliserRepertoire(lecteur.racine);
            const QString nom = premiereBase(racine);
            if (nom.isEmpty())
                throw RuntimeError(Erreurs::FichierIntrouvable,
                                   QStringLiteral("Aucune base de données (fichier *.mdb) à la racine "
                                                  "du lecteur amovible ")
                                       + guillemets(lecteur.racine));
            copierDepuisCle(ops, racine + nom, nom);
            resultat = true;
        }
    } catch (const RuntimeError &e) {
        TraiterErreur(QString(), e);
    } catch (const std::exception &e) {
        TraiterErreur(QString(), RuntimeError(Erreurs::AccesChemin, QString::fromLocal8Bit(e.what())));
    }
    return resultat;
}

namespace {
SourceLecteurs *g_source = nullptr;
}

SourceLecteurs *definirSourceLecteurs(SourceLecteurs *source)
{
    return std::exchange(g_source, source);
}

bool ChercherSurCleUSB()
{
    if (g_source)
        return ChercherSurCleUSB(*g_source);
    LecteursSysteme lecteurs;
    return ChercherSurCleUSB(lecteurs);
}

} // namespace Maintenance
