#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lexer of Jet SQL expressions: the text cut into tokens.
namespace Jet {

enum class Genre { Fin, Nom, NomCrochets, Nombre, Chaine, Date, Operateur, ParG, ParD, Virgule, Point, Bang };

struct Lexeme
{
    Genre genre = Genre::Fin;
    std::string texte;   // a name, a number as SQLite reads it, a text's or a date's inside, an operator
};

// The tokens of `texte`, ending with one Genre::Fin. Throws ErreurTraduction.
std::vector<Lexeme> decouper(std::string_view texte);

} // namespace Jet
