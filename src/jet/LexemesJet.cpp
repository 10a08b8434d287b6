#include "jet/LexemesJet.h"

#include "jet/ErreurTraduction.h"

#include <cstdint>

namespace Jet {

namespace {

bool lettre(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool chiffre(unsigned char c) { return c >= '0' && c <= '9'; }
bool hexa(unsigned char c) { return chiffre(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool octal(unsigned char c) { return c >= '0' && c <= '7'; }

// Whole-number literal of a base, as Jet types it: up to 16 bits an Integer,
// up to 32 bits a Long (both signed, so &HFFFF is -1), with a trailing '&'
// forcing a Long.
std::string entierBase(std::string_view chiffres, int base, bool forceLong)
{
    std::uint64_t v = 0;
    for (const char c : chiffres) {
        const int d = chiffre(c) ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * base + d;
        if (v > 0xFFFFFFFFull)
            throw ErreurTraduction("nombre hors limites « " + std::string(chiffres) + " »");
    }
    std::int64_t s;
    if (!forceLong && v <= 0xFFFF)
        s = static_cast<std::int16_t>(v);
    else
        s = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return std::to_string(s);   // integer only: no locale involved
}

// One pass over the text; each reader takes one token at m_i.
class Decoupeur
{
public:
    explicit Decoupeur(std::string_view t) : m_t(t) {}

    std::vector<Lexeme> tout()
    {
        while (m_i < m_t.size())
            lexeme(static_cast<unsigned char>(m_t[m_i]));
        m_res.push_back({Genre::Fin, {}});
        return std::move(m_res);
    }

private:
    std::string_view m_t;
    std::size_t m_i = 0;
    std::vector<Lexeme> m_res;

    bool a(std::size_t j, char c) const { return j < m_t.size() && m_t[j] == c; }

    // Whether the previous token ends an operand (so '.' and '&' are operators).
    bool apresOperande() const
    {
        if (m_res.empty())
            return false;
        const Genre g = m_res.back().genre;
        return g == Genre::Nom || g == Genre::NomCrochets || g == Genre::Nombre || g == Genre::Chaine
               || g == Genre::Date || g == Genre::ParD;
    }

    void ajouter(Genre g, std::string texte, std::size_t fin)
    {
        m_res.push_back({g, std::move(texte)});
        m_i = fin;
    }

    void lexeme(unsigned char c)
    {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            ++m_i;
        else if (lettre(c))
            nom();
        else if (c == '[' || c == '#')
            entre(c == '[' ? ']' : '#');
        else if (chiffre(c) || (c == '.' && m_i + 1 < m_t.size() && chiffre(m_t[m_i + 1]) && !apresOperande()))
            nombre();
        else if (c == '&' && !apresOperande() && m_i + 2 < m_t.size() && (m_t[m_i + 1] | 0x20) == 'h'
                 && hexa(m_t[m_i + 2]))
            entierPrefixe(16, hexa);
        else if (c == '&' && !apresOperande() && m_i + 2 < m_t.size() && (m_t[m_i + 1] | 0x20) == 'o'
                 && octal(m_t[m_i + 2]))
            entierPrefixe(8, octal);
        else if (c == '"' || c == '\'')
            chaine(static_cast<char>(c));
        else if (!ponctuation(c) && !operateur(c))
            fin(c);
    }

    void nom()
    {
        std::size_t j = m_i;
        while (j < m_t.size() && (lettre(m_t[j]) || chiffre(m_t[j])))
            ++j;
        ajouter(Genre::Nom, std::string(m_t.substr(m_i, j - m_i)), j);
    }

    // [name] or #date#: the inside up to the closing character.
    void entre(char fermant)
    {
        const std::size_t j = m_t.find(fermant, m_i + 1);
        if (j == std::string_view::npos)
            throw ErreurTraduction(fermant == ']' ? "crochet non fermé" : "date entre # non fermée");
        ajouter(fermant == ']' ? Genre::NomCrochets : Genre::Date, std::string(m_t.substr(m_i + 1, j - m_i - 1)),
                j + 1);
    }

    std::size_t chiffresDepuis(std::size_t j) const
    {
        while (j < m_t.size() && chiffre(m_t[j]))
            ++j;
        return j;
    }

    void nombre()
    {
        std::size_t j = chiffresDepuis(m_i);
        if (a(j, '.'))
            j = chiffresDepuis(j + 1);
        if (a(j, 'e') || a(j, 'E')) {
            std::size_t k = j + 1;
            if (a(k, '+') || a(k, '-'))
                ++k;
            if (k < m_t.size() && chiffre(m_t[k]))
                j = chiffresDepuis(k);
        }
        std::string n(m_t.substr(m_i, j - m_i));
        if (n.front() == '.')
            n.insert(0, "0");
        if (n.back() == '.')
            n += '0';
        // Type suffixes (!, #, @, %, &) change nothing for SQLite.
        if (a(j, '#') || a(j, '@') || a(j, '%'))
            ++j;
        ajouter(Genre::Nombre, n, j);
    }

    // &H... or &O...: the digits after the two-character prefix.
    void entierPrefixe(int base, bool (*chiffreDe)(unsigned char))
    {
        std::size_t j = m_i + 2;
        while (j < m_t.size() && chiffreDe(m_t[j]))
            ++j;
        const bool forceLong = a(j, '&');
        ajouter(Genre::Nombre, entierBase(m_t.substr(m_i + 2, j - m_i - 2), base, forceLong), j + (forceLong ? 1 : 0));
    }

    void chaine(char q)
    {
        std::string s;
        std::size_t j = m_i + 1;
        for (;;) {
            if (j >= m_t.size())
                throw ErreurTraduction("texte entre guillemets non fermé");
            if (m_t[j] == q) {
                if (!a(j + 1, q))
                    break;
                s += q;
                j += 2;
                continue;
            }
            s += m_t[j++];
        }
        ajouter(Genre::Chaine, s, j + 1);
    }

    bool ponctuation(unsigned char c)
    {
        switch (c) {
        case '(':
            ajouter(Genre::ParG, "(", m_i + 1);
            return true;
        case ')':
            ajouter(Genre::ParD, ")", m_i + 1);
            return true;
        case ',':
            ajouter(Genre::Virgule, ",", m_i + 1);
            return true;
        case '.':
            ajouter(Genre::Point, ".", m_i + 1);
            return true;
        case '!':
            ajouter(Genre::Bang, "!", m_i + 1);
            return true;
        default:
            return false;
        }
    }

    bool operateur(unsigned char c)
    {
        if (c == '<' || c == '>' || c == '=') {
            std::string op(1, static_cast<char>(c));
            if (m_i + 1 < m_t.size()) {
                const char d = m_t[m_i + 1];
                if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '='))
                    op += d;
                else if (c == '=' && (d == '<' || d == '>'))
                    op = std::string(1, d) + "=";
            }
            ajouter(Genre::Operateur, op, m_i + op.size());
            return true;
        }
        if (c == '+' || c == '-' || c == '*' || c == '/' || c == '\\' || c == '^' || c == '&') {
            ajouter(Genre::Operateur, std::string(1, static_cast<char>(c)), m_i + 1);
            return true;
        }
        return false;
    }

    // A statement's final semicolon is dropped; any other character is refused.
    void fin(unsigned char c)
    {
        if (c != ';' || m_t.find_first_not_of(" \t\r\n", m_i + 1) != std::string_view::npos)
            throw ErreurTraduction("caractère inattendu « " + std::string(1, static_cast<char>(c)) + " »");
        ++m_i;
    }
};

} // namespace

std::vector<Lexeme> decouper(std::string_view texte) { return Decoupeur(texte).tout(); }

} // namespace Jet
