#include "maintenance/ChercherSurCleUSB.h"

#include "jet/EnteteJet.h"
#include "journal/JournalErreurs.h"
#include "maintenance/AttributsFichier.h"
#include "maintenance/ErreurSysteme.h"
#include "maintenance/Occupation.h"
#include "maintenance/VerificationCle.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/FichierIni.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace Maintenance {

namespace {

// The files SQLite keeps beside a database.
constexpr const char *Journaux[] = {"-journal", "-wal", "-shm"};

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
    return Jet::versionJet(reinterpret_cast<const std::uint8_t *>(entete.constData()), std::size_t(entete.size()))
           != Jet::VersionJet::Aucune;
}

void supprimerSansErreur(OperationsFichiers &ops, const QString &chemin)
{
    try {
        if (entreeExiste(chemin))
            ops.supprimer(chemin);
    } catch (const RuntimeError &) {
    }
}

// The configured database's file name, read without the reader's message
// box (the start-up reads it again and shows its error there).
QString nomBaseConfiguree(const QString &application)
{
    QString stem = QStringLiteral("dacorvane");
    try {
        stem = FichierIni::lireProfilPrive(QStringLiteral("Base de donnée"), QStringLiteral("Nom"), stem,
                                           application + QStringLiteral("/velmara.ini"))
                   .trimmed();
    } catch (const RuntimeError &) {
    }
    return stem + QStringLiteral(".mdb");
}

// Whether two regular files hold the same bytes.
bool memesOctets(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.exists() || !fb.exists() || fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly)
        || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 Bloc = 1 << 20;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(Bloc);
        if (x.isEmpty() || x != fb.read(Bloc))
            return false;
    }
    return fb.atEnd();
}

// "size:sha256" of a file, "" when it cannot be read.
QByteArray empreinte(const QString &chemin)
{
    QFile f(chemin);
    QCryptographicHash hachage(QCryptographicHash::Sha256);
    if (!f.open(QIODevice::ReadOnly) || !hachage.addData(&f))
        return {};
    return QByteArray::number(f.size()) + ':' + hachage.result().toHex();
}

// The fingerprints of CLEUSB.EMP, one "NAME<TAB>size:sha256" a line, by upper-cased name.
QHash<QString, QByteArray> lireEmpreintes(const QString &application)
{
    QHash<QString, QByteArray> r;
    QFile f(resoudreChemin(NormaliserRepertoire(application) + NomEmpreintesCle));
    if (!f.open(QIODevice::ReadOnly))
        return r;
    for (const QByteArray &ligne : f.read(1 << 20).split('\n')) {
        const qsizetype tab = ligne.indexOf('\t');
        if (tab > 0)
            r.insert(QString::fromUtf8(ligne.left(tab)).toUpper(), ligne.mid(tab + 1));
    }
    return r;
}

// Written beside and renamed. A lost file only costs one more copy at the
// next start, so a failure here is not reported.
void ecrireEmpreintes(const QString &application, const QHash<QString, QByteArray> &empreintes)
{
    QSaveFile f(resoudreChemin(NormaliserRepertoire(application) + NomEmpreintesCle));
    if (!f.open(QIODevice::WriteOnly))
        return;
    for (auto it = empreintes.cbegin(); it != empreintes.cend(); ++it)
        f.write(it.key().toUtf8() + '\t' + it.value() + '\n');
    f.commit();
}

// What this start has copied from keys so far.
struct Copies
{
    QString application;
    QHash<QString, QByteArray> empreintes;   // CLEUSB.EMP
    QString nomBase;                      // the configured database's file name
    std::optional<AccesExclusif> acces;   // the folder, exclusive from the first copy on
    bool baseSauvee = false;              // the configured database is in "OLDCLE.BAK"
    bool autreSauve = false;              // another file is

    void prendreDossier(OperationsFichiers &ops)
    {
        if (acces)
            return;
        acces.emplace(application, QStringLiteral("aucun fichier de la clé n'a été copié"));
        // Leftovers of a start interrupted during a copy.
        for (const QString &nom : {NomCopieCle, NomConversionCle, NomSauvegardeCleTemporaire}) {
            if (FichierExiste(application, nom))
                ops.supprimer(resoudreChemin(NormaliserRepertoire(application) + nom));
        }
    }
};

// The file in place keeps a second name, which then replaces "OLDCLE.BAK":
// the configured database always, another file only when no file of this
// start is kept there (a second key must not push out the first one's).
void sauvegarder(OperationsFichiers &ops, Copies &copies, const QString &destination, bool estLaBase)
{
    if (!entreeExiste(destination) || copies.baseSauvee || (!estLaBase && copies.autreSauve))
        return;
    const QString dossier = NormaliserRepertoire(copies.application);
    const QString temporaire = resoudreChemin(dossier + NomSauvegardeCleTemporaire);
    try {
        if (!ops.lier(destination, temporaire)) {
            ops.copier(destination, temporaire);
            const QString note = garderAttributs(destination, temporaire);
            if (!note.isEmpty())
                EnregistrerErreur(QString(), note);
            ops.synchroniserFichier(temporaire);
        }
        ops.synchroniserDossier(copies.application);
        const QString sauvegarde = resoudreChemin(dossier + NomSauvegardeCle);
        // A journal goes with its database: an old backup's would damage the
        // new one, the replaced file's holds what the file needs to be whole.
        for (const char *suffixe : Journaux)
            supprimerSansErreur(ops, sauvegarde + QLatin1String(suffixe));
        ops.renommer(temporaire, sauvegarde);
        for (const char *suffixe : Journaux) {
            if (entreeExiste(destination + QLatin1String(suffixe)))
                ops.renommer(destination + QLatin1String(suffixe), sauvegarde + QLatin1String(suffixe));
        }
        ops.synchroniserDossier(copies.application);
    } catch (...) {
        supprimerSansErreur(ops, temporaire);
        throw;
    }
    (estLaBase ? copies.baseSauvee : copies.autreSauve) = true;
}

// Copies the key's file unless the file in place holds the same bytes; true when copied.
bool copierDepuisCle(OperationsFichiers &ops, Copies &copies, const QString &source, const QString &nom)
{
    const QString dossier = NormaliserRepertoire(copies.application);
    const QString destination = resoudreChemin(dossier + nom);
    const bool estLaBase = nom.compare(copies.nomBase, Qt::CaseInsensitive) == 0;
    if (memesOctets(source, destination))
        return false;
    const QByteArray deja = copies.empreintes.value(nom.toUpper());
    if (!deja.isEmpty() && entreeExiste(destination) && empreinte(source) == deja)
        return false;
    const QString nonRemplace = guillemets(destination) + QStringLiteral(" n'a pas été remplacé");
    if (QFileInfo(destination).isSymLink())
        throw RuntimeError(Erreurs::AccesChemin,
                           guillemets(destination) + QStringLiteral(" est un lien symbolique : il n'a pas été "
                                                                    "remplacé par le fichier de la clé"));
    copies.prendreDossier(ops);
    const QString temporaire = resoudreChemin(dossier + NomCopieCle);
    try {
        ops.copier(source, temporaire);
        ops.synchroniserFichier(temporaire);
        if (!estUneBase(temporaire))
            throw RuntimeError(Erreurs::FormatNonReconnu,
                               QStringLiteral("Format de base de données non reconnu : le fichier ")
                                   + guillemets(source)
                                   + QStringLiteral(" n'est pas une base de données reconnue ; ") + nonRemplace);
        verifierFichierCle(temporaire, source, estLaBase, resoudreChemin(dossier + NomConversionCle));
        if (entreeExiste(destination)) {
            const QString note = garderAttributs(destination, temporaire);
            if (!note.isEmpty())
                EnregistrerErreur(QString(), note);
        }
        verifierNonOuvert(destination, nonRemplace);
        sauvegarder(ops, copies, destination, estLaBase);
        // The journal of the file being replaced would be played back into
        // the new one at its first opening, damaging it.
        for (const char *suffixe : Journaux) {
            const QString journal = destination + QLatin1String(suffixe);
            if (entreeExiste(journal))
                ops.supprimer(journal);
        }
        const QByteArray copiee = empreinte(temporaire);
        ops.renommer(temporaire, destination);
        ops.synchroniserDossier(copies.application);
        copies.empreintes.insert(nom.toUpper(), copiee);
        ecrireEmpreintes(copies.application, copies.empreintes);
    } catch (...) {
        supprimerSansErreur(ops, temporaire);
        throw;
    }
    return true;
}

} // namespace

bool ChercherSurCleUSB(SourceLecteurs &source, OperationsFichiers *operations)
{
    OperationsFichiers &ops = operations ? *operations : operationsSysteme();
    bool resultat = false;
    try {
        Copies copies;
        copies.application = Plateforme::cheminApplication();
        copies.nomBase = nomBaseConfiguree(copies.application);
        copies.empreintes = lireEmpreintes(copies.application);
        // A leftover of an interrupted copy is removed once the folder is this
        // start's alone (another instance may be writing its own).
        if (FichierExiste(copies.application, NomCopieCle) || FichierExiste(copies.application, NomConversionCle)) {
            try {
                copies.prendreDossier(ops);
            } catch (const RuntimeError &e) {
                if (e.number() != FichierDejaUtilise)
                    throw;
            }
        }

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
            if (copierDepuisCle(ops, copies, racine + nom, nom))
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
