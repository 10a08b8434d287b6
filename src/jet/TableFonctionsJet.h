#pragma once

#include "jet/NoeudJet.h"

#include <string>
#include <vector>

// The Jet functions an expression may call, each with its arity and its
// SQLite translation.
namespace Jet {

// The call `nomJet(arguments...)` translated. Throws ErreurTraduction for an
// unknown function, a wrong number of arguments or a "*" outside Count.
Noeud appelFonction(const std::string &nomJet, const std::vector<Noeud> &arguments);

} // namespace Jet
