#pragma once

#include <cstdint>

// A small pseudo-random generator (xoshiro256**, seeded by splitmix64) with
// its own integer and real draws, so a seed gives the same folder on every
// compiler and standard library (std::*_distribution are not portable).
class Alea
{
public:
    explicit Alea(std::uint64_t graine)
    {
        for (auto &s : m_etat) {
            graine += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = graine;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t suivant()
    {
        const std::uint64_t resultat = rotl(m_etat[1] * 5, 7) * 9;
        const std::uint64_t t = m_etat[1] << 17;
        m_etat[2] ^= m_etat[0];
        m_etat[3] ^= m_etat[1];
        m_etat[1] ^= m_etat[2];
        m_etat[0] ^= m_etat[3];
        m_etat[2] ^= t;
        m_etat[3] = rotl(m_etat[3], 45);
        return resultat;
    }

    // Uniform in [0, n), n > 0 (Lemire's multiply-and-reject, without bias).
    std::uint64_t entier(std::uint64_t n)
    {
        for (;;) {
            const unsigned __int128 m = static_cast<unsigned __int128>(suivant()) * n;
            const auto bas = static_cast<std::uint64_t>(m);
            if (bas >= n || bas >= (0 - n) % n)
                return static_cast<std::uint64_t>(m >> 64);
        }
    }

    // Uniform in [0, 1).
    double reel() { return static_cast<double>(suivant() >> 11) * 0x1.0p-53; }

    // Index drawn from integer weights.
    template<std::size_t N>
    std::size_t parPoids(const int (&poids)[N])
    {
        int total = 0;
        for (int p : poids)
            total += p;
        auto tirage = static_cast<int>(entier(static_cast<std::uint64_t>(total)));
        for (std::size_t i = 0; i < N; ++i) {
            if (tirage < poids[i])
                return i;
            tirage -= poids[i];
        }
        return N - 1;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_etat[4];
};
