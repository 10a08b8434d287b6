#include "jet/NomsSqlJet.h"

namespace Jet {

namespace {

char minuscule(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The text between two `guillemet`s, each one inside doubled (SQL quoting).
std::string entreGuillemets(std::string_view texte, char guillemet)
{
    std::string r(1, guillemet);
    for (const char c : texte) {
        if (c == guillemet)
            r += guillemet;
        r += c;
    }
    return r + guillemet;
}

} // namespace

std::string cle(std::string_view nom)
{
    std::string r(nom);
    for (char &c : r)
        c = minuscule(c);
    return r;
}

bool memeMot(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (minuscule(a[i]) != minuscule(b[i]))
            return false;
    return true;
}

std::string identifiant(std::string_view nom)
{
    if (nom.find(']') == std::string_view::npos)
        return "[" + std::string(nom) + "]";
    return entreGuillemets(nom, '"');
}

std::string litteral(std::string_view texte)
{
    return entreGuillemets(texte, '\'');
}

} // namespace Jet
