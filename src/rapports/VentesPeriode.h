#pragma once

#include "database/Statement.h"
#include "database/Value.h"

#include <QString>
#include <optional>

class Connection;

// The rows of one report run. "Parametres" is opened and closed unread (as a
// client-side, dynamic, optimistic record set), then the query is run and
// walked forward as the engine delivers it: the first row tells whether the
// result is empty before the report touches its list, and no row is copied
// (a year of a million sales walks in the time the engine takes to deliver it).
// Fields are read by ordinal, looked up once.
class VentesPeriode
{
public:
    VentesPeriode(Connection &connexion, const QString &requete);

    bool vide() const { return m_vide; }
    int ordinal(const QString &nom) const;     // throws 3265 for a missing field
    bool fin() const { return !m_ligne; }
    void suivant() { m_ligne = m_requete->step(); }

    Value champ(int ordinal) const;            // the value as stored (Null, number, text)
    DateTime date(int ordinal) const;          // a date field: 94 on Null, 13 when it is no date

private:
    std::optional<Statement> m_requete;
    bool m_ligne = false;
    bool m_vide = true;
};

// TypePaiement compared with a small whole number, as the original's "=":
// Null equals nothing, a number compares by value, a text is read as a number
// (13 when it is none).
bool typeEgal(const Value &type, int n);
