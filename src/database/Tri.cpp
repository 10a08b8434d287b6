#include "database/Tri.h"

#include "database/CleTexte.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <string>

namespace Tri {

namespace {

constexpr std::uint64_t bitSigne = std::uint64_t(1) << 63;

constexpr unsigned bit(Value::Type t) { return 1u << unsigned(t); }
constexpr unsigned bitsNombres = bit(Value::Type::Integer) | bit(Value::Type::Double) | bit(Value::Type::Currency);

unsigned classesPresentes(unsigned types)
{
    unsigned c = 0;
    for (int t = 0; t <= int(Value::Type::Blob); ++t)
        if (types & (1u << t))
            c |= 1u << unsigned(classe(Value::Type(t)));
    return c;
}

// Keys of collation of the text cells, for the ranks, by cell index k,
// written one after the other.
struct Cles
{
    std::string octets;
    Memoire::Tableau<std::size_t> debut;
    Memoire::Tableau<std::uint32_t> longueur;
    Memoire::Tableau<std::uint32_t> ligne;

    std::string_view de(std::uint32_t k) const { return {octets.data() + debut[k], longueur[k]}; }
    std::uint64_t morceau(std::uint32_t k, std::size_t profondeur) const
    {
        const std::size_t l = longueur[k];
        const unsigned char *p = reinterpret_cast<const unsigned char *>(octets.data() + debut[k]);
        if (profondeur + 8 <= l) {
            std::uint64_t m;
            std::memcpy(&m, p + profondeur, 8);
            return __builtin_bswap64(m);
        }
        std::uint64_t m = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            const std::size_t j = profondeur + i;
            m = (m << 8) | (j < l ? p[j] : 0u);
        }
        return m;
    }
};

// Sorts the cells of [debut, fin) by their key from byte `profondeur` on,
// eight bytes at a time, going deeper only inside groups still tied.
void trierGroupe(Paire *debut, Paire *fin, std::size_t profondeur, const Cles &cles, Paire *tampon)
{
    for (Paire *p = debut; p != fin; ++p)
        p->cle = cles.morceau(p->ligne, profondeur);
    if (fin - debut > 64) {
        trierPaires(debut, fin, tampon);
    } else {
        std::sort(debut, fin, [](const Paire &a, const Paire &b) { return a.cle < b.cle; });
    }
    for (Paire *i = debut; i != fin;) {
        Paire *j = i + 1;
        std::size_t plusLong = cles.longueur[i->ligne];
        while (j != fin && j->cle == i->cle) {
            plusLong = std::max<std::size_t>(plusLong, cles.longueur[j->ligne]);
            ++j;
        }
        if (j - i > 1) {
            if (plusLong > profondeur + 8)
                trierGroupe(i, j, profondeur + 8, cles, tampon);
            else // equal up to zero bytes at the end: the shorter first
                std::sort(i, j, [&cles](const Paire &a, const Paire &b) {
                    return cles.longueur[a.ligne] < cles.longueur[b.ligne];
                });
        }
        i = j;
    }
}

// Texts of at most 16 digits (card numbers) order as their digits packed four
// bits each (1 to 10, then 0 for what a shorter text lacks): the key is had
// without collation keys or ranks.
bool chiffresCourts(const Colonne &c, std::size_t n)
{
    if (c.typesPresents() & bit(Value::Type::Blob))
        return false;
    for (std::size_t l = 0; l < n; ++l) {
        if (c.type(l) != Value::Type::Text)
            continue;
        const std::string_view o = c.octets(l);
        if (o.size() > 16)
            return false;
        for (const char ch : o)
            if (ch < '0' || ch > '9')
                return false;
    }
    return true;
}

std::uint64_t cleChiffres(std::string_view o)
{
    std::uint64_t k = 0;
    for (std::size_t i = 0; i < 16; ++i)
        k = (k << 4) | (i < o.size() ? std::uint64_t(o[i] - '0' + 1) : 0u);
    return k;
}

} // namespace

std::uint64_t cleReel(double d)
{
    const std::uint64_t b = std::bit_cast<std::uint64_t>(d + 0.0); // -0 becomes 0
    return (b & bitSigne) ? ~b : b | bitSigne;
}

void trierPaires(Paire *debut, Paire *fin, Paire *tampon)
{
    const std::size_t n = std::size_t(fin - debut);
    if (n < 2)
        return;
    std::uint64_t differents = 0;
    for (const Paire *p = debut; p != fin; ++p)
        differents |= p->cle ^ debut->cle;
    Paire *source = debut, *cible = tampon;
    for (int octet = 0; octet < 8; ++octet) {
        const int decalage = octet * 8;
        if (((differents >> decalage) & 0xFF) == 0)
            continue;
        std::size_t compte[257] = {};
        for (std::size_t i = 0; i < n; ++i)
            ++compte[((source[i].cle >> decalage) & 0xFF) + 1];
        for (int b = 0; b < 256; ++b)
            compte[b + 1] += compte[b];
        for (std::size_t i = 0; i < n; ++i)
            cible[compte[(source[i].cle >> decalage) & 0xFF]++] = source[i];
        std::swap(source, cible);
    }
    if (source != debut)
        std::copy(source, source + n, debut);
}

void Tampons::reserver(std::size_t n)
{
    if (n <= m_capacite)
        return;
    m_paires.reset();
    m_tampon.reset();
    m_paires = Memoire::brut<Paire>(n);
    m_tampon = Memoire::brut<Paire>(n);
    m_capacite = n;
}

Paire *Tampons::paires(std::size_t n)
{
    reserver(n);
    return m_paires.get();
}

Paire *Tampons::tampon(std::size_t n)
{
    reserver(n);
    return m_tampon.get();
}

namespace {

// Sorts positions [debut, fin) of `ordre` on the key `cleDe` gives each row, stably.
template <class CleDe>
void passe(Memoire::Tableau<std::uint32_t> &ordre, std::size_t debut, std::size_t fin, const CleDe &cleDe,
           bool descendant, Tampons &tampons)
{
    const std::size_t m = fin - debut;
    if (m < 2)
        return;
    Paire *const paires = tampons.paires(m);
    Paire *const tampon = tampons.tampon(m);
    const std::uint64_t inverse = descendant ? ~std::uint64_t(0) : 0;
    for (std::size_t i = 0; i < m; ++i)
        paires[i] = {cleDe(ordre[debut + i]) ^ inverse, ordre[debut + i]};
    trierPaires(paires, paires + m, tampon);
    for (std::size_t i = 0; i < m; ++i)
        ordre[debut + i] = paires[i].ligne;
}

// The 64-bit key of a row's cell in one column, in the order of the values
// of one kind: numbers as doubles unless all are whole, texts by their ranks
// (or their digits).
class CleValeur
{
public:
    CleValeur(const Colonne &c, std::size_t n, Tampons &tampons) : m_c(c)
    {
        const unsigned types = c.typesPresents();
        const unsigned nombres = types & bitsNombres;
        m_entiersSeuls = nombres == bit(Value::Type::Integer) || nombres == bit(Value::Type::Currency);
        const bool textes = types & (bit(Value::Type::Text) | bit(Value::Type::Blob));
        m_chiffres = textes && chiffresCourts(c, n);
        m_rangs = textes && !m_chiffres ? &c.rangs(tampons) : nullptr;
    }

    std::uint64_t operator()(std::uint32_t l) const
    {
        switch (m_c.type(l)) {
        case Value::Type::Null: return 0;
        case Value::Type::Integer:
        case Value::Type::Currency:
            if (m_entiersSeuls)
                return std::uint64_t(m_c.brut(l)) ^ bitSigne;
            return cleReel(m_c.reel(l));
        case Value::Type::Double: return cleReel(m_c.reel(l));
        case Value::Type::Date: return std::uint64_t(m_c.brut(l)) ^ bitSigne;
        case Value::Type::Text:
            if (m_chiffres)
                return cleChiffres(m_c.octets(l));
            return (*m_rangs)[l];
        case Value::Type::Blob: return (*m_rangs)[l];
        }
        return 0;
    }

private:
    const Colonne &m_c;
    bool m_entiersSeuls = false, m_chiffres = false;
    const Memoire::Tableau<std::uint32_t> *m_rangs = nullptr;
};

// A key on a column holding several kinds: the kinds first (Null, numbers,
// dates, texts, bytes, or the reverse), stably; then each kind's run on its
// values (Nulls are all alike).
void passeParClasses(Memoire::Tableau<std::uint32_t> &ordre, const Colonne &c, const CleValeur &cle,
                     bool descendant, Tampons &tampons)
{
    const std::size_t n = ordre.size();
    const auto rangClasse = [&](std::uint32_t l) {
        const int k = int(classe(c.type(l)));
        return descendant ? nombreClasses - 1 - k : k;
    };
    std::size_t debuts[nombreClasses + 1] = {};
    for (std::size_t i = 0; i < n; ++i)
        ++debuts[rangClasse(ordre[i]) + 1];
    for (int k = 0; k < nombreClasses; ++k)
        debuts[k + 1] += debuts[k];
    {
        std::size_t prochain[nombreClasses];
        std::copy(debuts, debuts + nombreClasses, prochain);
        Memoire::Tableau<std::uint32_t> classee(n);
        for (std::size_t i = 0; i < n; ++i)
            classee[prochain[rangClasse(ordre[i])]++] = ordre[i];
        ordre = std::move(classee);
    }
    const int rangNul = descendant ? nombreClasses - 1 : 0;
    for (int k = 0; k < nombreClasses; ++k)
        if (k != rangNul)
            passe(ordre, debuts[k], debuts[k + 1], cle, descendant, tampons);
}

} // namespace

Memoire::Tableau<std::uint32_t> permutation(const std::vector<Colonne> &colonnes, std::size_t n,
                                            const std::vector<Cle> &cles, Tampons &tampons)
{
    Memoire::Tableau<std::uint32_t> ordre(n);
    std::iota(ordre.begin(), ordre.end(), 0u);
    if (n < 2)
        return ordre;
    for (auto cle = cles.rbegin(); cle != cles.rend(); ++cle) {
        const Colonne &c = colonnes[std::size_t(cle->colonne)];
        const CleValeur cleValeur(c, n, tampons);
        if (std::popcount(classesPresentes(c.typesPresents())) < 2)
            passe(ordre, 0, n, cleValeur, cle->descendant, tampons);
        else
            passeParClasses(ordre, c, cleValeur, cle->descendant, tampons);
    }
    return ordre;
}

} // namespace Tri

const Memoire::Tableau<std::uint32_t> &Colonne::rangs(Tri::Tampons &tampons) const
{
    if (m_rangsValides)
        return m_rangs;
    const std::size_t n = m_taille;
    Tri::Cles cles;
    std::size_t m = 0, taille = 0;
    for (std::size_t l = 0; l < n; ++l)
        if (type(l) == Value::Type::Text || type(l) == Value::Type::Blob) {
            ++m;
            taille += octets(l).size();
        }
    cles.octets.reserve(taille + taille / 4);
    cles.debut.reserve(m);
    cles.longueur.reserve(m);
    cles.ligne.reserve(m);
    for (std::size_t l = 0; l < n; ++l) {
        const Value::Type t = type(l);
        if (t != Value::Type::Text && t != Value::Type::Blob)
            continue;
        const std::size_t avant = cles.octets.size();
        if (t == Value::Type::Text)
            CleTexte::ajouterCle(octets(l), cles.octets);
        else
            cles.octets += octets(l);
        cles.debut.push_back(avant);
        cles.longueur.push_back(std::uint32_t(cles.octets.size() - avant));
        cles.ligne.push_back(std::uint32_t(l));
    }

    Tri::Paire *const paires = tampons.paires(m);
    for (std::size_t k = 0; k < m; ++k)
        paires[k] = {0, std::uint32_t(k)};
    Tri::trierGroupe(paires, paires + m, 0, cles, tampons.tampon(m));

    m_rangs.assign(n, 0);
    std::uint32_t rang = 0;
    for (std::size_t i = 0; i < m; ++i) {
        if (i == 0 || cles.de(paires[i].ligne) != cles.de(paires[i - 1].ligne))
            ++rang;
        m_rangs[cles.ligne[paires[i].ligne]] = rang;
    }
    m_rangsValides = true;
    return m_rangs;
}
