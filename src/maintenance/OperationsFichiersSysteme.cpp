#include "maintenance/CompactageJet.h"
#include "maintenance/CompactageSqlite.h"
#include "maintenance/ErreurSysteme.h"
#include "maintenance/OperationsFichiers.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray nomSysteme(const QString &chemin) { return QFile::encodeName(chemin); }

// A file descriptor closed on every path out.
class Descripteur
{
public:
    explicit Descripteur(int fd) : m_fd(fd) {}
    ~Descripteur()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descripteur(const Descripteur &) = delete;
    Descripteur &operator=(const Descripteur &) = delete;
    int get() const { return m_fd; }
    bool valide() const { return m_fd >= 0; }
    // Closes now, so that a late write error (reported by close) is not lost.
    int fermer()
    {
        const int r = ::close(m_fd);
        m_fd = -1;
        return r;
    }

private:
    int m_fd;
};

int ouvrir(const QString &chemin, int drapeaux, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(nomSysteme(chemin).constData(), drapeaux | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

void ecrireTout(int fd, const char *donnees, ssize_t taille, const QString &operation)
{
    while (taille > 0) {
        const ssize_t n = ::write(fd, donnees, size_t(taille));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw erreurSysteme(errno, operation);
        }
        donnees += n;
        taille -= n;
    }
}

class OperationsSysteme final : public OperationsFichiers
{
public:
    void supprimer(const QString &chemin) override
    {
        if (::unlink(nomSysteme(chemin).constData()) != 0)
            throw erreurSysteme(errno, QStringLiteral("suppression de ") + guillemets(chemin));
    }

    void renommer(const QString &de, const QString &vers) override
    {
        if (::rename(nomSysteme(de).constData(), nomSysteme(vers).constData()) != 0)
            throw erreurSysteme(errno, QStringLiteral("renommage de ") + guillemets(de)
                                           + QStringLiteral(" en ") + guillemets(vers));
    }

    bool lier(const QString &existant, const QString &nouveau) override
    {
        if (::link(nomSysteme(existant).constData(), nomSysteme(nouveau).constData()) == 0)
            return true;
        const int e = errno;
        // File systems without hard links (FAT, exFAT) answer EPERM or
        // EOPNOTSUPP; two file systems, EXDEV.
        if (e == EPERM || e == EOPNOTSUPP || e == EMLINK || e == EXDEV)
            return false;
        throw erreurSysteme(e, QStringLiteral("lien de ") + guillemets(existant)
                                   + QStringLiteral(" vers ") + guillemets(nouveau));
    }

    void copier(const QString &source, const QString &destination) override
    {
        const QString operation = QStringLiteral("copie de ") + guillemets(source)
                                  + QStringLiteral(" vers ") + guillemets(destination);
        Descripteur in(ouvrir(source, O_RDONLY | O_NOFOLLOW));
        if (!in.valide())
            throw erreurSysteme(errno == ELOOP ? EACCES : errno, operation);
        struct stat st;
        if (::fstat(in.get(), &st) != 0)
            throw erreurSysteme(errno, operation);
        if (!S_ISREG(st.st_mode))
            throw RuntimeError(Erreurs::AccesChemin,
                               guillemets(source) + QStringLiteral(" n'est pas un fichier ordinaire"));
        Descripteur out(ouvrir(destination, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644));
        if (!out.valide())
            throw erreurSysteme(errno, operation);
        std::vector<char> tampon(1 << 20);
        for (;;) {
            const ssize_t n = ::read(in.get(), tampon.data(), tampon.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw erreurSysteme(errno, operation);
            }
            if (n == 0)
                break;
            ecrireTout(out.get(), tampon.data(), n, operation);
        }
        const struct timespec dates[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.get(), dates) != 0)
            throw erreurSysteme(errno, operation);
        if (out.fermer() != 0)
            throw erreurSysteme(errno, operation);
    }

    void synchroniserFichier(const QString &chemin) override
    {
        const QString operation = QStringLiteral("écriture sur le disque de ") + guillemets(chemin);
        Descripteur fd(ouvrir(chemin, O_RDONLY | O_NOFOLLOW));
        if (!fd.valide() || ::fsync(fd.get()) != 0)
            throw erreurSysteme(errno, operation);
    }

    void synchroniserDossier(const QString &dossier) override
    {
        const QString operation = QStringLiteral("écriture sur le disque du dossier ") + guillemets(dossier);
        Descripteur fd(ouvrir(dossier.isEmpty() ? QStringLiteral(".") : dossier, O_RDONLY | O_DIRECTORY));
        if (!fd.valide())
            throw erreurSysteme(errno, operation);
        // A file system that cannot sync a folder (EINVAL) keeps its entries its own way.
        if (::fsync(fd.get()) != 0 && errno != EINVAL)
            throw erreurSysteme(errno, operation);
    }

    void compacter(const QString &base, const QString &destination, const Progression &progression) override
    {
        // A database still in the legacy Jet format is converted by the same step.
        if (estSourceJet(base))
            compacterJet(base, destination, progression);
        else
            compacterSqlite(base, destination, progression);
    }
};

} // namespace

OperationsFichiers &operationsSysteme()
{
    static OperationsSysteme operations;
    return operations;
}
