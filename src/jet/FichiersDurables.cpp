#include "jet/FichiersDurables.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Jet {

namespace {

std::string raison(int erreur)
{
    switch (erreur) {
    case ENOSPC:
    case EDQUOT:
        return "disque plein";
    case EACCES:
    case EPERM:
        return "permission refusée";
    case EROFS:
        return "support en lecture seule";
    case EIO:
        return "erreur d'entrée/sortie";
    case ENOENT:
        return "fichier ou dossier introuvable";
    case EEXIST:
        return "le fichier existe déjà";
    default:
        return std::strerror(erreur);
    }
}

[[noreturn]] void echecSysteme(const std::string &quoi, int erreur)
{
    throw ErreurFichier(quoi + " : " + raison(erreur));
}

std::string dossierDe(const std::string &chemin)
{
    const std::size_t barre = chemin.find_last_of('/');
    if (barre == std::string::npos)
        return ".";
    return barre == 0 ? "/" : chemin.substr(0, barre);
}

void synchroniser(const std::string &chemin, int drapeaux)
{
    const int fd = ::open(chemin.c_str(), drapeaux | O_CLOEXEC);
    if (fd < 0)
        echecSysteme("ouverture de « " + chemin + " » impossible", errno);
    const int rc = ::fsync(fd);
    const int erreur = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the file itself was.
    if (rc != 0 && !(drapeaux & O_DIRECTORY && (erreur == EINVAL || erreur == EBADF)))
        echecSysteme("écriture sur le disque de « " + chemin + " » impossible", erreur);
}

} // namespace

bool existe(const std::string &chemin)
{
    struct stat st;
    return ::lstat(chemin.c_str(), &st) == 0;
}

void synchroniserFichier(const std::string &chemin) { synchroniser(chemin, O_RDONLY); }
void synchroniserDossier(const std::string &dossier) { synchroniser(dossier, O_RDONLY | O_DIRECTORY); }

void nommerSansRemplacer(const std::string &de, const std::string &vers)
{
    const std::string refus = "la nouvelle base ne peut pas prendre le nom « " + vers + " »";
    if (::link(de.c_str(), vers.c_str()) == 0) {
        ::unlink(de.c_str());
    } else if (errno == EEXIST) {
        echecSysteme(refus, EEXIST);
    } else if (::renameat2(AT_FDCWD, de.c_str(), AT_FDCWD, vers.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            echecSysteme(refus, errno);
        if (existe(vers))
            echecSysteme(refus, EEXIST);
        if (::rename(de.c_str(), vers.c_str()) != 0)
            echecSysteme(refus, errno);
    }
    synchroniserDossier(dossierDe(vers));
}

FichierTemporaire::FichierTemporaire(const std::string &destination, const std::string &chemin)
{
    int fd;
    if (chemin.empty()) {
        std::string modele = destination + ".XXXXXX";
        std::vector<char> t(modele.begin(), modele.end());
        t.push_back('\0');
        fd = ::mkostemp(t.data(), O_CLOEXEC);
        if (fd < 0)
            echecSysteme("création d'un fichier à côté de « " + destination + " » impossible", errno);
        m_chemin = t.data();
        // mkostemp makes the file private; the new database gets the usual rights.
        const mode_t masque = ::umask(0);
        ::umask(masque);
        ::fchmod(fd, 0666 & ~masque);
    } else {
        fd = ::open(chemin.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            echecSysteme("création de « " + chemin + " » impossible", errno);
        m_chemin = chemin;
    }
    ::close(fd);
}

FichierTemporaire::~FichierTemporaire()
{
    if (m_garde)
        return;
    ::unlink(m_chemin.c_str());
    ::unlink((m_chemin + "-journal").c_str());
}

void FichierTemporaire::garder()
{
    synchroniserFichier(m_chemin);
    m_garde = true;
}

void FichierTemporaire::publier(const std::string &destination)
{
    synchroniserFichier(m_chemin);
    nommerSansRemplacer(m_chemin, destination);
    m_garde = true;
}

} // namespace Jet
