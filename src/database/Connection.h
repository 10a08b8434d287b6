#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

class RuntimeError;
struct sqlite3;

// The connection to one database file, opened from the program's connection
// strings: "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>[;Jet OLEDB:...]",
// or from its path. The file must exist (it is never created) and must be one
// of our databases; the file name is matched without regard to case. Every
// connection carries the SQL functions ccur and CDate, a bounded busy timeout,
// the defensive engine settings (ReglagesSqlite.h), and the bounds of
// Surveillance.h: a statement that runs past the time limit, or that a signal
// interrupts, fails with a run-time error.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Throws RuntimeError: 3024 when the file is missing, 3343 when it is not
    // a database, NumeroBaseDeDonnees for any other engine error.
    void open(const QString &connectionString, const QString &user = {}, const QString &password = {});
    void openPath(const QString &path);
    void close();                    // closing a closed connection does nothing
    bool isOpen() const;

    // Runs SQL that returns no rows (one or several statements).
    void execute(const QString &sql);

    sqlite3 *handle() const;         // throws 3704 when closed
    const QString &path() const;     // the resolved file path

    // Run every few thousand engine steps of every statement; returning true
    // stops the statement (SQLITE_INTERRUPT). Empty: none.
    void setProgressCheck(std::function<bool()> check);

    // The "key=value" parts of a connection string, keys lower-cased; a value
    // may be quoted as OLE DB quotes it (see quoteValue).
    static QHash<QString, QString> parts(const QString &connectionString);
    // The "Data Source" part ("" when absent).
    static QString dataSource(const QString &connectionString);
    // `value` as a connection string holds it so that it reads back whole:
    // unchanged unless it holds a ';', starts with a quote or has blanks at
    // either end; then within double quotes, a double quote inside doubled.
    static QString quoteValue(const QString &value);

    // The engine's error for result code `resultCode` as a run-time error: the
    // error an SQL function raised (13 for a text CDate cannot read), else
    // NumeroBaseDeDonnees with a French description and the engine's message.
    RuntimeError lastError(int resultCode) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Error 3343: the file `chemin` is no database of ours.
RuntimeError pasUneBase(const QString &chemin);

// For its lifetime, the connection waits at most `ms` on a busy file instead
// of its own delay (a read that must not hold up the window).
class DelaiVerrou
{
public:
    DelaiVerrou(const Connection &c, int ms);
    ~DelaiVerrou();
    DelaiVerrou(const DelaiVerrou &) = delete;
    DelaiVerrou &operator=(const DelaiVerrou &) = delete;

private:
    sqlite3 *m_db;
};

// Rolls back unless committed.
class Transaction
{
public:
    explicit Transaction(Connection &c);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Connection &m_connection;
    bool m_done = false;
    bool m_savepoint = false;   // nested in a transaction already open
};
