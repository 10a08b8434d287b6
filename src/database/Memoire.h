#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Memory for the record set's big arrays. Blocks of 2 MiB and more are
// aligned for huge pages and advised so: filling the columns of a million
// rows then costs a few hundred page faults instead of a hundred thousand.
namespace Memoire {

void *allouer(std::size_t octets);
void liberer(void *p) noexcept;

template <typename T>
struct Allocateur
{
    using value_type = T;
    Allocateur() = default;
    template <typename U>
    Allocateur(const Allocateur<U> &) noexcept {}
    T *allocate(std::size_t n) { return static_cast<T *>(allouer(n * sizeof(T))); }
    void deallocate(T *p, std::size_t) noexcept { liberer(p); }
    friend bool operator==(const Allocateur &, const Allocateur &) { return true; }
};

template <typename T>
using Tableau = std::vector<T, Allocateur<T>>;

struct Liberer
{
    void operator()(void *p) const noexcept { liberer(p); }
};

// An array of trivial values, left uninitialised.
template <typename T>
std::unique_ptr<T[], Liberer> brut(std::size_t n)
{
    return std::unique_ptr<T[], Liberer>(static_cast<T *>(allouer(n * sizeof(T))));
}

} // namespace Memoire
