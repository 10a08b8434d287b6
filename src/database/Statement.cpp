#include "database/Statement.h"

#include "database/Connection.h"
#include "shared/RuntimeError.h"

#include <sqlite3.h>

Statement::Statement(Connection &c, const QString &sql) : Statement(c, sql.toUtf8()) {}

Statement::Statement(Connection &c, const QByteArray &sql) : m_connection(c)
{
    sqlite3 *db = c.handle();
    const int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw c.lastError(rc);
    }
    if (!m_stmt) // only blanks or comments
        throw RuntimeError(Erreurs::ArgumentsIncorrects, QStringLiteral("La requête est vide."));
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The statement's own error, not a later one on the connection.
    const RuntimeError e = m_connection.lastError(rc);
    sqlite3_reset(m_stmt);
    throw e;
}

void Statement::reset() { sqlite3_reset(m_stmt); }

void Statement::bind(int index, const Value &v)
{
    int rc = SQLITE_OK;
    switch (v.type()) {
    case Value::Type::Null: rc = sqlite3_bind_null(m_stmt, index); break;
    case Value::Type::Integer: rc = sqlite3_bind_int64(m_stmt, index, v.toInteger()); break;
    case Value::Type::Double: rc = sqlite3_bind_double(m_stmt, index, v.toDouble()); break;
    case Value::Type::Currency: {
        const Currency c = v.toCurrency();
        rc = c.dixMilliemes % 10000 == 0 ? sqlite3_bind_int64(m_stmt, index, c.dixMilliemes / 10000)
                                         : sqlite3_bind_double(m_stmt, index, c.toDouble());
        break;
    }
    case Value::Type::Date: {
        char iso[20];
        rc = sqlite3_bind_text(m_stmt, index, iso, v.toDateTime().toIso(iso), SQLITE_TRANSIENT);
        break;
    }
    case Value::Type::Text: {
        const QByteArray t = v.toString().toUtf8();
        rc = sqlite3_bind_text64(m_stmt, index, t.constData(), sqlite3_uint64(t.size()), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
    }
    case Value::Type::Blob: {
        const QByteArray b = v.toBlob();
        rc = sqlite3_bind_blob64(m_stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        throw m_connection.lastError(rc);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

QString Statement::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(m_stmt, i)); }

QByteArray Statement::columnDeclType(int i) const
{
    const char *t = sqlite3_column_decltype(m_stmt, i);
    return t ? QByteArray(t) : QByteArray();
}

bool Statement::isNull(int i) const { return sqlite3_column_type(m_stmt, i) == SQLITE_NULL; }

std::int64_t Statement::integer(int i) const { return sqlite3_column_int64(m_stmt, i); }

double Statement::real(int i) const { return sqlite3_column_double(m_stmt, i); }

QString Statement::text(int i) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i));
    return QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, i));
}
