#include "database/CleTexte.h"

#include <QChar>
#include <QString>
#include <array>
#include <cstdint>

namespace CleTexte {

namespace {

// Letters U+0080..U+024F (Latin-1 and Latin Extended): primary letters and accent weight.
constexpr char32_t premierTable = 0x80;
constexpr char32_t finTable = 0x250;

struct Lettre
{
    char primaire[8] = {}; // UTF-8, NUL-terminated
    std::uint8_t accent = 0;
};

void encoder(char32_t c, std::string &sortie)
{
    if (c < 0x80) {
        sortie += majusculeAscii(char(c));
    } else if (c < 0x800) {
        sortie += char(0xC0 | (c >> 6));
        sortie += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        sortie += char(0xE0 | (c >> 12));
        sortie += char(0x80 | ((c >> 6) & 0x3F));
        sortie += char(0x80 | (c & 0x3F));
    } else {
        sortie += char(0xF0 | (c >> 18));
        sortie += char(0x80 | ((c >> 12) & 0x3F));
        sortie += char(0x80 | ((c >> 6) & 0x3F));
        sortie += char(0x80 | (c & 0x3F));
    }
}

std::uint8_t poidsAccent(char16_t marque)
{
    switch (marque) {
    case 0x0301: return 1; // acute: é
    case 0x0300: return 2; // grave: è
    case 0x0302: return 3; // circumflex: ê
    case 0x0308: return 4; // diaeresis: ë
    case 0x0327: return 5; // cedilla: ç
    case 0x0303: return 6; // tilde: ñ
    case 0x030A: return 7; // ring: å
    default: return std::uint8_t(8 + (marque & 0x7F));
    }
}

std::array<Lettre, finTable - premierTable> construireTable()
{
    std::array<Lettre, finTable - premierTable> table{};
    for (char32_t c = premierTable; c < finTable; ++c) {
        Lettre &l = table[c - premierTable];
        std::string primaire;
        char16_t base = char16_t(c);
        // Canonical decomposition down to the base letter; the first mark weighs.
        for (;;) {
            const QChar qc(base);
            if (qc.decompositionTag() != QChar::Canonical)
                break;
            const QString d = qc.decomposition();
            if (d.isEmpty())
                break;
            if (d.size() > 1 && l.accent == 0)
                l.accent = poidsAccent(d.at(1).unicode());
            base = d.at(0).unicode();
        }
        switch (c) {
        case U'Æ': case U'æ': primaire = "AE"; l.accent = 30; break;
        case U'Œ': case U'œ': primaire = "OE"; l.accent = 30; break;
        case U'ß': primaire = "SS"; l.accent = 30; break;
        case U'Ø': case U'ø': primaire = "O"; l.accent = 20; break;
        case U'Đ': case U'đ': primaire = "D"; l.accent = 20; break;
        case U'Ł': case U'ł': primaire = "L"; l.accent = 20; break;
        default: encoder(QChar::toUpper(char32_t(base)), primaire); break;
        }
        for (std::size_t i = 0; i < primaire.size() && i + 1 < sizeof l.primaire; ++i)
            l.primaire[i] = primaire[i];
    }
    return table;
}

const std::array<Lettre, finTable - premierTable> &table()
{
    static const auto t = construireTable();
    return t;
}

// Next code point of UTF-8 text; an invalid byte stands for itself (as Latin-1).
char32_t suivant(std::string_view s, std::size_t &i)
{
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b >= 0xF8 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (n == 0 || i + n >= s.size()) {
        ++i;
        return b;
    }
    char32_t c = b & (0x3F >> n);
    for (std::size_t k = 1; k <= n; ++k) {
        const unsigned char suite = static_cast<unsigned char>(s[i + k]);
        if ((suite & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        c = (c << 6) | (suite & 0x3F);
    }
    i += n + 1;
    return c;
}

template <bool avecAccents>
void construire(std::string_view utf8, std::string &sortie)
{
    if (estAscii(utf8)) {
        for (const char c : utf8)
            sortie += majusculeAscii(c);
        return;
    }
    const auto &t = table();
    std::string accents;
    bool accentue = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = suivant(utf8, i);
        std::size_t lettres = 1;
        std::uint8_t accent = 0;
        if (c < premierTable) {
            sortie += majusculeAscii(char(c));
        } else if (c < finTable) {
            const Lettre &l = t[c - premierTable];
            const std::string_view p(l.primaire);
            sortie += p;
            lettres = 0;
            for (const char b : p)
                lettres += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
            accent = l.accent;
        } else {
            encoder(QChar::toUpper(c), sortie);
        }
        if constexpr (avecAccents) {
            accents += char(accent);
            accents.append(lettres > 1 ? lettres - 1 : 0, '\0');
            accentue = accentue || accent != 0;
        }
    }
    if constexpr (avecAccents) {
        if (accentue) {
            while (!accents.empty() && accents.back() == '\0')
                accents.pop_back();
            sortie += '\1';
            sortie += accents;
        }
    }
}

} // namespace

bool estAscii(std::string_view utf8)
{
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void ajouterCle(std::string_view utf8, std::string &sortie) { construire<true>(utf8, sortie); }

void ajouterPrimaire(std::string_view utf8, std::string &sortie) { construire<false>(utf8, sortie); }

} // namespace CleTexte
