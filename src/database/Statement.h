#pragma once

#include "database/Value.h"

#include <QByteArray>
#include <QString>

class Connection;
struct sqlite3_stmt;

// One prepared SQL statement, finalized when it goes out of scope. Errors are
// raised as the connection's run-time errors.
class Statement
{
public:
    Statement(Connection &c, const QString &sql);
    Statement(Connection &c, const QByteArray &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool step();                      // true when a row is ready, false when done
    void reset();                     // ready to run again; bindings stay
    void bind(int index, const Value &v); // index from 1; dates as ISO text, currency rounded to 4 decimals

    int columnCount() const;
    QString columnName(int i) const;
    QByteArray columnDeclType(int i) const; // "" for an expression
    bool isNull(int i) const;
    std::int64_t integer(int i) const;
    double real(int i) const;
    QString text(int i) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    Connection &m_connection;
    sqlite3_stmt *m_stmt = nullptr;
};
