#pragma once

#include <QString>

class Connection;

// A command: a connection and a text, either a table name alone
// ("Parametres", "Erreurs") or a whole SQL query.
class Command
{
public:
    Command() = default;
    void setActiveConnection(Connection *c) { m_connection = c; }
    Connection *activeConnection() const { return m_connection; }
    void setCommandText(const QString &text) { m_text = text; }
    const QString &commandText() const { return m_text; }

private:
    Connection *m_connection = nullptr;
    QString m_text;
};
