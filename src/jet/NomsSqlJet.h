#pragma once

#include <string>
#include <string_view>

// Jet names compared as Jet compares them (ASCII letters without case), and
// names and texts written as SQLite reads them. Plain C++, no Qt.
namespace Jet {

// The key of a name: ASCII letters in lower case, everything else as is.
std::string cle(std::string_view nom);
// Two words equal but for the case of ASCII letters.
bool memeMot(std::string_view a, std::string_view b);

// An identifier as SQLite reads it whatever it holds: [name], or "name"
// when the name itself holds a ']'.
std::string identifiant(std::string_view nom);
// A text literal: 'text' with quotes doubled.
std::string litteral(std::string_view texte);

} // namespace Jet
