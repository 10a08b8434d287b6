#pragma once

#include <stdexcept>

namespace Jet {

// A Jet text that cannot be translated; what() is a French reason, meant to
// complete "Requête « X » non convertie : ...".
class ErreurTraduction : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace Jet
