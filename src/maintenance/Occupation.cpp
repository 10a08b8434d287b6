#include "maintenance/Occupation.h"

#include "maintenance/ErreurSysteme.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Maintenance {

namespace {

constexpr int AttenteMaxMs = 120000;

// One descriptor per folder, open for the process's life (closing it would
// drop the lock), and whether the process holds the folder shared.
struct Dossier
{
    int fd = -1;
    bool partage = false;
};
std::mutex g_mutex;
std::map<QString, Dossier> g_dossiers;

// The folder's entry, its descriptor opened the first time (-1 when the
// folder cannot be opened).
Dossier &dossierOuvert(const QString &dossier)
{
    static Dossier aucun;
    aucun = {};
    const QString cle = QFileInfo(dossier).canonicalFilePath();
    struct stat chemin;
    if (cle.isEmpty() || ::stat(QFile::encodeName(cle).constData(), &chemin) != 0)
        return aucun;
    auto it = g_dossiers.find(cle);
    if (it != g_dossiers.end()) {
        struct stat tenu;
        // The same name may since have been given to another folder.
        if (::fstat(it->second.fd, &tenu) == 0 && tenu.st_dev == chemin.st_dev && tenu.st_ino == chemin.st_ino)
            return it->second;
        ::close(it->second.fd);
        g_dossiers.erase(it);
    }
    const int fd = ::open(QFile::encodeName(cle).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return aucun;
    return g_dossiers[cle] = Dossier{fd, false};
}

bool verrouiller(int fd, int operation)
{
    int r;
    do
        r = ::flock(fd, operation | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r == 0;
}

// Shared again, waiting while an instance's maintenance holds the folder
// (bounded: a stopped process must not stop this one).
bool partager(int fd)
{
    for (int attente = 0; attente < AttenteMaxMs; attente += 20) {
        if (verrouiller(fd, LOCK_SH))
            return true;
        if (errno != EWOULDBLOCK)
            return false;
        const timespec pause{0, 20 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

RuntimeError dejaUtilise(const QString &quoi, const QString &par, const QString &consequence)
{
    return RuntimeError(FichierDejaUtilise, QStringLiteral("Impossible d'utiliser ") + guillemets(quoi)
                                                + QStringLiteral(" : déjà utilisé par ") + par
                                                + QStringLiteral(" ; ") + consequence);
}

// Another process whose open files include the file (device, inode).
QString detenteur(dev_t peripherique, ino_t inode)
{
    std::unique_ptr<DIR, int (*)(DIR *)> proc(::opendir("/proc"), ::closedir);
    if (!proc)
        return {};
    const QByteArray moi = QByteArray::number(::getpid());
    while (const dirent *e = ::readdir(proc.get())) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9' || moi == e->d_name)
            continue;
        const QByteArray dossierFd = QByteArray("/proc/") + e->d_name + "/fd";
        std::unique_ptr<DIR, int (*)(DIR *)> fds(::opendir(dossierFd.constData()), ::closedir);
        if (!fds)
            continue;   // gone, or another user's
        while (const dirent *f = ::readdir(fds.get())) {
            struct stat st;
            if (f->d_name[0] == '.' || ::fstatat(::dirfd(fds.get()), f->d_name, &st, 0) != 0)
                continue;
            if (st.st_dev == peripherique && st.st_ino == inode) {
                QFile comm(QString::fromLatin1(QByteArray("/proc/") + e->d_name + "/comm"));
                const QString nom = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                                                   : QString();
                return QStringLiteral("un autre programme (%1, processus %2)")
                    .arg(nom, QString::fromLatin1(e->d_name));
            }
        }
    }
    return {};
}

// Whether another process holds a POSIX lock on [debut, debut + longueur) of the file.
bool verrouPosix(const QString &fichier, off_t debut, off_t longueur)
{
    const int fd = ::open(QFile::encodeName(fichier).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock fl{};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = debut;
    fl.l_len = longueur;
    const bool tenu = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return tenu;
}

} // namespace

bool partagerDossier(const QString &dossier)
{
    const std::lock_guard garde(g_mutex);
    Dossier &d = dossierOuvert(dossier);
    if (d.fd < 0 || !partager(d.fd))
        return false;
    d.partage = true;
    return true;
}

AccesExclusif::AccesExclusif(const QString &dossier, const QString &consequence)
{
    const std::lock_guard garde(g_mutex);
    const Dossier &d = dossierOuvert(dossier);
    if (d.fd < 0)
        return;   // the operations that follow report what is wrong with the folder
    if (!verrouiller(d.fd, LOCK_EX)) {
        // A refused upgrade may have dropped the shared lock.
        if (d.partage)
            partager(d.fd);
        throw dejaUtilise(dossier, QStringLiteral("un autre Corvane"), consequence);
    }
    m_fd = d.fd;
    m_partage = d.partage;
}

AccesExclusif::~AccesExclusif()
{
    if (m_fd < 0)
        return;
    const std::lock_guard garde(g_mutex);
    if (m_partage)
        partager(m_fd);
    else
        ::flock(m_fd, LOCK_UN);
}

void verifierNonOuvert(const QString &fichier, const QString &consequence)
{
    struct stat st;
    if (::stat(QFile::encodeName(fichier).constData(), &st) != 0)
        return;
    QString par = detenteur(st.st_dev, st.st_ino);
    // SQLite's pending, reserved and shared bytes, then the shared-memory
    // file's locks that every connection in WAL mode holds.
    if (par.isEmpty()
        && (verrouPosix(fichier, 0x40000000, 512 + 2)
            || verrouPosix(fichier + QStringLiteral("-shm"), 120, 9)))
        par = QStringLiteral("un autre programme");
    if (!par.isEmpty())
        throw dejaUtilise(fichier, par, consequence);
}

} // namespace Maintenance
