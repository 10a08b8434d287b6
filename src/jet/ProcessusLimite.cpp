#include "jet/ProcessusLimite.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_ASAN 1
#endif
#endif

namespace Jet {

namespace {

constexpr std::size_t MaximumErreurs = 64 * 1024;
constexpr std::size_t MaximumLigne = 1 << 20;

struct Descripteur
{
    int fd = -1;
    ~Descripteur() { fermer(); }
    void fermer()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void enfant(const char *programme, char *const argv[], int entree, int sortie, int erreur,
                         const Limites &l)
{
    // A child left behind by a parent killed outright would run on to its own limits.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::dup2(entree, 0);
    ::dup2(sortie, 1);
    ::dup2(erreur, 2);
    ::close_range(3, ~0U, 0);
    struct rlimit r;
    r.rlim_cur = r.rlim_max = 0;
    ::setrlimit(RLIMIT_CORE, &r);   // no core file of a crash on someone's data
#ifndef CORVANE_ASAN
    // (AddressSanitizer reserves terabytes of address space: no limit under it.)
    if (l.memoireOctets) {
        r.rlim_cur = r.rlim_max = l.memoireOctets;
        ::setrlimit(RLIMIT_AS, &r);
    }
#endif
    if (l.secondesProcesseur > 0) {
        r.rlim_cur = static_cast<rlim_t>(l.secondesProcesseur);
        r.rlim_max = r.rlim_cur + 2;   // SIGXCPU first, SIGKILL if ignored
        ::setrlimit(RLIMIT_CPU, &r);
    }
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(programme, argv);
    ::_exit(127);
}

} // namespace

FinProcessus executerLimite(const std::string &programme, const std::vector<std::string> &arguments,
                            const Limites &limites, const std::function<void(const std::string &)> &ligne)
{
    FinProcessus fin;
    // Everything the child needs is allocated before the fork.
    std::vector<std::string> args;
    args.push_back(programme);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Descripteur vide, sortieL, sortieE, erreurL, erreurE;
    int p1[2], p2[2];
    vide.fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (vide.fd < 0 || ::pipe2(p1, O_CLOEXEC) != 0) {
        fin.code = errno;
        return fin;
    }
    sortieL.fd = p1[0];
    sortieE.fd = p1[1];
    if (::pipe2(p2, O_CLOEXEC) != 0) {
        fin.code = errno;
        return fin;
    }
    erreurL.fd = p2[0];
    erreurE.fd = p2[1];

    const pid_t pid = ::fork();
    if (pid < 0) {
        fin.code = errno;
        return fin;
    }
    if (pid == 0)
        enfant(args.front().c_str(), argv.data(), vide.fd, sortieE.fd, erreurE.fd, limites);
    sortieE.fermer();
    erreurE.fermer();

    using Horloge = std::chrono::steady_clock;
    const auto limite = Horloge::now() + std::chrono::milliseconds(limites.delaiMillisecondes);
    std::string tampon;
    bool delaiDepasse = false;
    bool arrete = false;
    char bloc[16384];
    while (sortieL.fd >= 0 || erreurL.fd >= 0) {
        int attente = -1;
        if (limites.delaiMillisecondes > 0) {
            const auto reste =
                std::chrono::duration_cast<std::chrono::milliseconds>(limite - Horloge::now()).count();
            if (reste <= 0) {
                delaiDepasse = true;
                break;
            }
            attente = static_cast<int>(reste);
        }
        if (limites.arreter) {
            if (limites.arreter()) {
                arrete = true;
                break;
            }
            attente = attente < 0 ? 100 : std::min(attente, 100);
        }
        pollfd fds[2] = {{sortieL.fd, POLLIN, 0}, {erreurL.fd, POLLIN, 0}};
        const int n = ::poll(fds, 2, attente);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents) {
            const ssize_t lus = ::read(sortieL.fd, bloc, sizeof bloc);
            if (lus > 0) {
                tampon.append(bloc, static_cast<std::size_t>(lus));
                std::size_t debut = 0, nl;
                while ((nl = tampon.find('\n', debut)) != std::string::npos) {
                    if (ligne)
                        ligne(tampon.substr(debut, nl - debut));
                    debut = nl + 1;
                }
                tampon.erase(0, debut);
                if (tampon.size() > MaximumLigne) {
                    if (ligne)
                        ligne(tampon);
                    tampon.clear();
                }
            } else if (lus == 0 || errno != EINTR) {
                sortieL.fermer();
            }
        }
        if (fds[1].revents) {
            const ssize_t lus = ::read(erreurL.fd, bloc, sizeof bloc);
            if (lus > 0) {
                fin.erreurs.append(bloc, static_cast<std::size_t>(lus));
                if (fin.erreurs.size() > MaximumErreurs)
                    fin.erreurs.erase(0, fin.erreurs.size() - MaximumErreurs);
            } else if (lus == 0 || errno != EINTR) {
                erreurL.fermer();
            }
        }
    }
    if (delaiDepasse || arrete || sortieL.fd >= 0 || erreurL.fd >= 0)
        ::kill(pid, SIGKILL);
    if (!tampon.empty() && ligne && !delaiDepasse && !arrete)
        ligne(tampon);

    int statut = 0;
    while (::waitpid(pid, &statut, 0) < 0 && errno == EINTR) {
    }
    if (arrete) {
        fin.genre = FinProcessus::Genre::Arret;
    } else if (delaiDepasse) {
        fin.genre = FinProcessus::Genre::Delai;
    } else if (WIFSIGNALED(statut)) {
        fin.genre = FinProcessus::Genre::Signal;
        fin.code = WTERMSIG(statut);
    } else if (WIFEXITED(statut) && WEXITSTATUS(statut) == 127 && fin.erreurs.empty()) {
        fin.genre = FinProcessus::Genre::Lancement;
        fin.code = ENOENT;
    } else {
        fin.genre = FinProcessus::Genre::Sortie;
        fin.code = WEXITSTATUS(statut);
    }
    return fin;
}

} // namespace Jet
