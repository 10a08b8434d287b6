#pragma once

#include <QString>

class Command;
class Connection;
class Recordset;

// The one way a record set is opened: the command attached to the connection
// with its text (a table name or a query), the set client-side and dynamic,
// then read. The settings are kept for fidelity: every set is client-side.

// Optimistic locking; the whole result is read.
void OuvrirRecordset(Connection &connexion, Command &commande, const QString &texte, Recordset &rs);

// Pessimistic locking; opened on a table for appending only (no row is read).
void OuvrirRecordsetPourAjout(Connection &connexion, Command &commande, const QString &table, Recordset &rs);
