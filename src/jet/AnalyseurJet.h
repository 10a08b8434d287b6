#pragma once

#include "jet/LexemesJet.h"
#include "jet/NoeudJet.h"

#include <vector>

// The parser of Jet SQL expressions: tokens into SQLite SQL.
namespace Jet {

// The whole expression of `lexemes` (as decouper gives them) translated.
// Throws ErreurTraduction, also when nested deeper than 200 levels.
Noeud analyserExpression(std::vector<Lexeme> lexemes);

} // namespace Jet
