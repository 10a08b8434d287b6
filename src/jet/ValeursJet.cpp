#include "jet/ValeursJet.h"

#include <charconv>
#include <cmath>

namespace Jet {

namespace {

void ajouterUtf8(std::string &s, std::uint32_t c)
{
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units to UTF-8, pairing surrogates.
class Utf16
{
public:
    void unite(std::uint16_t u)
    {
        if (m_haut) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                ajouterUtf8(m_s, 0x10000 + ((std::uint32_t(m_haut) - 0xD800) << 10) + (u - 0xDC00));
                m_haut = 0;
                return;
            }
            ajouterUtf8(m_s, 0xFFFD);
            m_haut = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            m_haut = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            ajouterUtf8(m_s, 0xFFFD);
        else
            ajouterUtf8(m_s, u);
    }
    std::string fin()
    {
        if (m_haut)
            ajouterUtf8(m_s, 0xFFFD);
        m_haut = 0;
        return std::move(m_s);
    }

private:
    std::string m_s;
    std::uint16_t m_haut = 0;
};

constexpr std::int64_t Jours1970 = 25569;   // from 30/12/1899 to 01/01/1970

// Days since 01/01/1970 to a civil date (proleptic Gregorian), by eras of 400 years.
void dateCivile(std::int64_t z, int &annee, int &mois, int &jour)
{
    z += 719468;
    const std::int64_t ere = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t jde = z - ere * 146097;
    const std::int64_t ade = (jde - jde / 1460 + jde / 36524 - jde / 146096) / 365;
    const std::int64_t jda = jde - (365 * ade + ade / 4 - ade / 100);
    const std::int64_t mp = (5 * jda + 2) / 153;
    jour = static_cast<int>(jda - (153 * mp + 2) / 5 + 1);
    mois = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    annee = static_cast<int>(ade + ere * 400 + (mois <= 2 ? 1 : 0));
}

void chiffres(std::string &s, int v, int n)
{
    char b[8];
    for (int i = n - 1; i >= 0; --i) {
        b[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    s.append(b, n);
}

std::optional<NombreExact> depuisTexte(const std::string &texte)
{
    // Whole numbers that fit stay whole.
    const bool negatif = !texte.empty() && texte[0] == '-';
    const std::size_t debut = negatif ? 1 : 0;
    const std::size_t point = texte.find('.');
    bool entier = true;
    if (point != std::string::npos)
        for (std::size_t i = point + 1; i < texte.size(); ++i)
            if (texte[i] != '0')
                entier = false;
    if (entier) {
        std::int64_t v = 0;
        const char *fin = texte.data() + (point == std::string::npos ? texte.size() : point);
        const auto r = std::from_chars(texte.data(), fin, v);
        if (r.ec == std::errc() && r.ptr == fin)
            return NombreExact(v);
    }
    // Otherwise at most 15 significant digits.
    std::size_t significatifs = 0;
    bool commence = false;
    std::size_t zerosEnAttente = 0;
    for (std::size_t i = debut; i < texte.size(); ++i) {
        const char c = texte[i];
        if (c == '.')
            continue;
        if (c == '0') {
            if (commence)
                ++zerosEnAttente;
            continue;
        }
        commence = true;
        significatifs += zerosEnAttente + 1;
        zerosEnAttente = 0;
    }
    if (significatifs > 15)
        return std::nullopt;
    double d = 0;
    const auto r = std::from_chars(texte.data(), texte.data() + texte.size(), d);
    if (r.ec != std::errc())
        return std::nullopt;
    return NombreExact(d);
}

} // namespace

std::string texteJet4(const std::uint8_t *p, std::size_t n)
{
    Utf16 u;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool compresse = true;
        for (std::size_t i = 2; i < n;) {
            if (p[i] == 0) {
                compresse = !compresse;
                ++i;
            } else if (compresse) {
                u.unite(p[i]);
                ++i;
            } else {
                if (i + 1 >= n)
                    break;
                u.unite(static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8)));
                i += 2;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < n; i += 2)
            u.unite(static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8)));
    }
    return u.fin();
}

std::string texteJet3(const std::uint8_t *p, std::size_t n)
{
    // 0x80-0x9F of Windows-1252; the five undefined ones keep their C1 code.
    static const std::uint16_t c1[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string s;
    s.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = p[i];
        ajouterUtf8(s, c >= 0x80 && c < 0xA0 ? c1[c - 0x80] : c);
    }
    return s;
}

std::optional<std::string> dateIso(double jours)
{
    if (!std::isfinite(jours) || std::fabs(jours) > 3.0e6)
        return std::nullopt;
    const double partieJours = std::trunc(jours);
    const std::int64_t secondesDuJour = std::llround(std::fabs(jours - partieJours) * 86400.0);
    const std::int64_t total = static_cast<std::int64_t>(partieJours) * 86400 + secondesDuJour;
    std::int64_t j = total / 86400, s = total % 86400;
    if (s < 0) {
        s += 86400;
        --j;
    }
    int annee, mois, jour;
    dateCivile(j - Jours1970, annee, mois, jour);
    if (annee < 100 || annee > 9999)
        return std::nullopt;
    std::string r;
    r.reserve(19);
    chiffres(r, annee, 4);
    r += '-';
    chiffres(r, mois, 2);
    r += '-';
    chiffres(r, jour, 2);
    r += ' ';
    chiffres(r, static_cast<int>(s / 3600), 2);
    r += ':';
    chiffres(r, static_cast<int>(s / 60 % 60), 2);
    r += ':';
    chiffres(r, static_cast<int>(s % 60), 2);
    return r;
}

std::optional<NombreExact> montant(std::int64_t c)
{
    if (c % 10000 == 0)
        return NombreExact(c / 10000);
    if (c > -1000000000000000LL && c < 1000000000000000LL)
        return NombreExact(double(c) / 10000.0);   // both exact: the quotient is correctly rounded
    return std::nullopt;
}

std::string texteDecimal(const std::uint8_t o[17], int echelle)
{
    unsigned __int128 v = 0;
    for (int mot = 0; mot < 4; ++mot) {
        const std::uint8_t *m = o + 1 + 4 * mot;
        const std::uint32_t w = std::uint32_t(m[0]) | std::uint32_t(m[1]) << 8 | std::uint32_t(m[2]) << 16
                                | std::uint32_t(m[3]) << 24;
        v = (v << 32) | w;
    }
    std::string chiffresDecimaux;
    do {
        chiffresDecimaux.insert(chiffresDecimaux.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    if (echelle > 0) {
        if (chiffresDecimaux.size() <= static_cast<std::size_t>(echelle))
            chiffresDecimaux.insert(0, static_cast<std::size_t>(echelle) + 1 - chiffresDecimaux.size(), '0');
        chiffresDecimaux.insert(chiffresDecimaux.size() - static_cast<std::size_t>(echelle), 1, '.');
    }
    const bool zero = chiffresDecimaux.find_first_not_of("0.") == std::string::npos;
    return (o[0] & 0x80) && !zero ? "-" + chiffresDecimaux : chiffresDecimaux;
}

std::optional<NombreExact> decimal(const std::uint8_t o[17], int echelle)
{
    if (echelle < 0 || echelle > 28)
        return std::nullopt;
    return depuisTexte(texteDecimal(o, echelle));
}

double simple(float f)
{
    char b[64];
    const auto r = std::to_chars(b, b + sizeof b, f);
    double d = f;
    std::from_chars(b, r.ptr, d);
    return d;
}

std::string guid(const std::uint8_t o[16])
{
    static const char hex[] = "0123456789ABCDEF";
    static const int ordre[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string r = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            r += '-';
        r += hex[o[ordre[i]] >> 4];
        r += hex[o[ordre[i]] & 15];
    }
    return r + "}";
}

} // namespace Jet
