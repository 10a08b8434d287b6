#include "jet/ProcessusLimite.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
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

// The running child and the parent's ends of its output and error pipes.
struct Enfant
{
    pid_t pid = -1;
    Descripteur sortie, erreurs;
};

// Starts the child with its standard output and error into `e`'s pipes;
// 0, or errno when it could not be started.
int lancer(const std::string &programme, const std::vector<std::string> &arguments, const Limites &limites,
           Enfant &e)
{
    // Everything the child needs is allocated before the fork.
    std::vector<std::string> args;
    args.push_back(programme);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Descripteur vide, sortieE, erreurE;
    int p1[2], p2[2];
    vide.fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (vide.fd < 0 || ::pipe2(p1, O_CLOEXEC) != 0)
        return errno;
    e.sortie.fd = p1[0];
    sortieE.fd = p1[1];
    if (::pipe2(p2, O_CLOEXEC) != 0)
        return errno;
    e.erreurs.fd = p2[0];
    erreurE.fd = p2[1];

    e.pid = ::fork();
    if (e.pid < 0)
        return errno;
    if (e.pid == 0)
        enfant(args.front().c_str(), argv.data(), vide.fd, sortieE.fd, erreurE.fd, limites);
    return 0;
}

using Horloge = std::chrono::steady_clock;
enum class Issue { Fin, Delai, Arret };

// Reads the child's output line by line and the end of its errors until both
// pipes close, the deadline passes or the caller asks to stop.
class Lecture
{
public:
    Lecture(Enfant &e, const Limites &limites, const std::function<void(const std::string &)> &ligne,
            std::string &erreurs)
        : m_e(e), m_limites(limites), m_ligne(ligne), m_erreurs(erreurs),
          m_limite(Horloge::now() + std::chrono::milliseconds(limites.delaiMillisecondes))
    {
    }

    Issue suivre()
    {
        while (m_e.sortie.fd >= 0 || m_e.erreurs.fd >= 0) {
            int attente = -1;
            if (const std::optional<Issue> issue = attendre(attente))
                return *issue;
            pollfd fds[2] = {{m_e.sortie.fd, POLLIN, 0}, {m_e.erreurs.fd, POLLIN, 0}};
            const int n = ::poll(fds, 2, attente);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[0].revents)
                lireSortie();
            if (fds[1].revents)
                lireErreurs();
        }
        return Issue::Fin;
    }

    // The last line, when the output did not end with a newline.
    void terminer()
    {
        if (!m_tampon.empty() && m_ligne)
            m_ligne(m_tampon);
    }

private:
    Enfant &m_e;
    const Limites &m_limites;
    const std::function<void(const std::string &)> &m_ligne;
    std::string &m_erreurs;
    const Horloge::time_point m_limite;
    std::string m_tampon;
    char m_bloc[16384];

    // How long poll may wait; an issue when the deadline passed or the caller stops.
    std::optional<Issue> attendre(int &attente) const
    {
        if (m_limites.delaiMillisecondes > 0) {
            const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(m_limite - Horloge::now()).count();
            if (reste <= 0)
                return Issue::Delai;
            attente = static_cast<int>(reste);
        }
        if (m_limites.arreter) {
            if (m_limites.arreter())
                return Issue::Arret;
            attente = attente < 0 ? 100 : std::min(attente, 100);
        }
        return std::nullopt;
    }

    void lireSortie()
    {
        const ssize_t lus = ::read(m_e.sortie.fd, m_bloc, sizeof m_bloc);
        if (lus <= 0) {
            if (lus == 0 || errno != EINTR)
                m_e.sortie.fermer();
            return;
        }
        m_tampon.append(m_bloc, static_cast<std::size_t>(lus));
        std::size_t debut = 0, nl;
        while ((nl = m_tampon.find('\n', debut)) != std::string::npos) {
            if (m_ligne)
                m_ligne(m_tampon.substr(debut, nl - debut));
            debut = nl + 1;
        }
        m_tampon.erase(0, debut);
        if (m_tampon.size() > MaximumLigne) {
            if (m_ligne)
                m_ligne(m_tampon);
            m_tampon.clear();
        }
    }

    void lireErreurs()
    {
        const ssize_t lus = ::read(m_e.erreurs.fd, m_bloc, sizeof m_bloc);
        if (lus <= 0) {
            if (lus == 0 || errno != EINTR)
                m_e.erreurs.fermer();
            return;
        }
        m_erreurs.append(m_bloc, static_cast<std::size_t>(lus));
        if (m_erreurs.size() > MaximumErreurs)
            m_erreurs.erase(0, m_erreurs.size() - MaximumErreurs);
    }
};

// How the child ended, from its wait status.
void conclure(int statut, Issue issue, FinProcessus &fin)
{
    if (issue == Issue::Arret) {
        fin.genre = FinProcessus::Genre::Arret;
    } else if (issue == Issue::Delai) {
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
}

} // namespace

FinProcessus executerLimite(const std::string &programme, const std::vector<std::string> &arguments,
                            const Limites &limites, const std::function<void(const std::string &)> &ligne)
{
    FinProcessus fin;
    Enfant e;
    fin.code = lancer(programme, arguments, limites, e);
    if (fin.code != 0)
        return fin;

    Lecture lecture(e, limites, ligne, fin.erreurs);
    const Issue issue = lecture.suivre();
    if (issue != Issue::Fin || e.sortie.fd >= 0 || e.erreurs.fd >= 0)
        ::kill(e.pid, SIGKILL);
    if (issue == Issue::Fin)
        lecture.terminer();

    int statut = 0;
    while (::waitpid(e.pid, &statut, 0) < 0 && errno == EINTR) {
    }
    conclure(statut, issue, fin);
    return fin;
}

} // namespace Jet
