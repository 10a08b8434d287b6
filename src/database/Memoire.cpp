#include "database/Memoire.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace Memoire {

namespace {
constexpr std::size_t grandePage = std::size_t(2) << 20;
}

void *allouer(std::size_t octets)
{
    if (octets < grandePage) {
        void *p = std::malloc(octets ? octets : 1);
        if (!p)
            throw std::bad_alloc();
        return p;
    }
    const std::size_t arrondi = (octets + grandePage - 1) / grandePage * grandePage;
    void *p = std::aligned_alloc(grandePage, arrondi);
    if (!p)
        throw std::bad_alloc();
    madvise(p, arrondi, MADV_HUGEPAGE);
    return p;
}

void liberer(void *p) noexcept { std::free(p); }

} // namespace Memoire
