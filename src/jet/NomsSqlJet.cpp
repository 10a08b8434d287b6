#include "jet/NomsSqlJet.h"

namespace Jet {

namespace {

char minuscule(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

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
    std::string r = "\"";
    for (const char c : nom) {
        if (c == '"')
            r += '"';
        r += c;
    }
    return r + "\"";
}

std::string litteral(std::string_view texte)
{
    std::string r = "'";
    for (const char c : texte) {
        if (c == '\'')
            r += '\'';
        r += c;
    }
    return r + "'";
}

} // namespace Jet
