#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Running a program in a child process under memory, processor-time and
// wall-clock limits, reading its standard output line by line as it comes.
// Whatever the child does (crash, endless loop, memory exhaustion) ends
// only the child. Plain C++, POSIX.
namespace Jet {

struct Limites
{
    std::uint64_t memoireOctets = 0;   // address space (RLIMIT_AS); 0: none
    int secondesProcesseur = 0;        // processor time (RLIMIT_CPU); 0: none
    int delaiMillisecondes = 0;        // wall clock, then SIGKILL; 0: none
    // Asked at least every 100 ms while the child runs; true ends it with
    // SIGKILL (the parent is being stopped by a signal: no reason to wait).
    std::function<bool()> arreter;
};

struct FinProcessus
{
    enum class Genre { Sortie, Signal, Delai, Lancement, Arret };
    Genre genre = Genre::Lancement;
    int code = 0;           // exit status (Sortie), signal (Signal), errno (Lancement)
    std::string erreurs;    // the end of its standard error (at most 64 KiB)
};

FinProcessus executerLimite(const std::string &programme, const std::vector<std::string> &arguments,
                            const Limites &limites, const std::function<void(const std::string &)> &ligne);

} // namespace Jet
