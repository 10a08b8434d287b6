#include "jet/EnteteJet.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Jet {

VersionJet versionJet(const std::uint8_t *e, std::size_t n)
{
    static const std::uint8_t magique[] = {0x00, 0x01, 0x00, 0x00};
    static const char signature[] = "Standard Jet DB";   // with its NUL: ACE files say "Standard ACE DB"
    if (n < TailleEntete || std::memcmp(e, magique, 4) != 0 || std::memcmp(e + 4, signature, sizeof signature) != 0)
        return VersionJet::Aucune;
    const std::uint32_t version = e[0x14] | e[0x15] << 8 | e[0x16] << 16 | std::uint32_t(e[0x17]) << 24;
    switch (version) {
    case 0:
        return VersionJet::Jet3;
    case 1:
        return VersionJet::Jet4;
    default:
        return VersionJet::Aucune;
    }
}

VersionJet versionFichierJet(const char *chemin)
{
    const int fd = ::open(chemin, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return VersionJet::Aucune;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return VersionJet::Aucune;
    }
    std::uint8_t e[TailleEntete];
    std::size_t lus = 0;
    while (lus < sizeof e) {
        const ssize_t r = ::read(fd, e + lus, sizeof e - lus);
        if (r <= 0)
            break;
        lus += static_cast<std::size_t>(r);
    }
    ::close(fd);
    return versionJet(e, lus);
}

} // namespace Jet
