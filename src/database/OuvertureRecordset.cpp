#include "database/OuvertureRecordset.h"

#include "database/Command.h"
#include "database/Recordset.h"

namespace {

void preparer(Connection &connexion, Command &commande, const QString &texte, Recordset &rs,
              Recordset::LockType verrou)
{
    commande.setActiveConnection(&connexion);
    commande.setCommandText(texte);
    rs.setCursorLocation(Recordset::adUseClient);
    rs.setCursorType(Recordset::adOpenDynamic);
    rs.setLockType(verrou);
}

} // namespace

void OuvrirRecordset(Connection &connexion, Command &commande, const QString &texte, Recordset &rs)
{
    preparer(connexion, commande, texte, rs, Recordset::adLockOptimistic);
    rs.open(commande);
}

void OuvrirRecordsetPourAjout(Connection &connexion, Command &commande, const QString &table, Recordset &rs)
{
    preparer(connexion, commande, table, rs, Recordset::adLockPessimistic);
    rs.openForAppend(commande);
}
