#pragma once

#include "database/Command.h"
#include "database/Recordset.h"
#include "database/Value.h"

#include <QString>

class Connection;

// The rows of one report run: "Parametres" opened and closed unread, then the
// query opened on the same command, as client-side, dynamic, optimistic
// record sets. Fields are read by ordinal, looked up once.
class VentesPeriode
{
public:
    VentesPeriode(Connection &connexion, const QString &requete);

    bool vide() const { return m_rs.recordCount() < 1; }
    int ordinal(const QString &nom) const;     // throws 3265 for a missing field
    bool fin() const { return m_rs.isEof(); }
    void suivant() { m_rs.moveNext(); }
    Value champ(int ordinal) const { return m_rs.field(ordinal); }

private:
    Command m_commande;
    Recordset m_rs;
};

// TypePaiement compared with a small whole number, as the original's "=":
// Null equals nothing, a number compares by value, a text is read as a number
// (13 when it is none).
bool typeEgal(const Value &type, int n);
