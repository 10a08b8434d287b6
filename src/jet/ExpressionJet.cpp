#include "jet/ExpressionJet.h"

#include "jet/AnalyseurJet.h"
#include "jet/LexemesJet.h"

namespace Jet {

namespace {

constexpr std::size_t LongueurMaximale = 64 * 1024;

} // namespace

ExpressionTraduite traduireExpression(std::string_view jet)
{
    if (jet.size() > LongueurMaximale)
        throw ErreurTraduction("expression trop longue");
    if (jet.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw ErreurTraduction("expression vide");
    const Noeud n = analyserExpression(decouper(jet));
    ExpressionTraduite r;
    r.sql = n.sql;
    r.colonne = n.colonne;
    r.table = n.table;
    r.nomColonne = n.nomColonne;
    r.etoile = n.etoile;
    return r;
}

} // namespace Jet
