#include "maintenance/AttributsFichier.h"

#include "maintenance/ErreurSysteme.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Maintenance {

QString garderAttributs(const QString &modele, const QString &copie)
{
    const QString operation = QStringLiteral("attributs de ") + guillemets(modele) + QStringLiteral(" donnés à ")
                              + guillemets(copie);
    struct stat st, cible;
    if (::stat(QFile::encodeName(modele).constData(), &st) != 0)
        return erreurSysteme(errno, operation).description();
    const int fd = ::open(QFile::encodeName(copie).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &cible) != 0) {
        const int e = errno;
        if (fd >= 0)
            ::close(fd);
        return erreurSysteme(e, operation).description();
    }
    QString note;
    // The owner first: changing it may clear the set-id bits set after.
    if ((cible.st_uid != st.st_uid || cible.st_gid != st.st_gid) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        const int e = errno;
        // A user may still give the file one of its own groups.
        if (cible.st_gid != st.st_gid && ::fchown(fd, uid_t(-1), st.st_gid) != 0) {
            // the group stays the process's too
        }
        note = QStringLiteral("Le propriétaire du fichier (uid %1, gid %2) n'a pas été gardé : ")
                   .arg(st.st_uid)
                   .arg(st.st_gid)
               + erreurSysteme(e, operation).description();
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0)
        note = erreurSysteme(errno, operation).description();
    ::close(fd);
    return note;
}

} // namespace Maintenance
