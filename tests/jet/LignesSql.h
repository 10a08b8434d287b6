#pragma once

#include <QStringList>
#include <sqlite3.h>
#include <string>

// Rows of a query, values joined by '|' ("NULL" for Null), its column names added to `noms`;
// SQLite's refusal as the one row when it cannot be prepared.
inline QStringList lignesSql(sqlite3 *db, const std::string &sql, QStringList *noms = nullptr)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
        return {QStringLiteral("ERREUR SQL: ") + QString::fromUtf8(sqlite3_errmsg(db))};
    if (noms)
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            *noms << QString::fromUtf8(sqlite3_column_name(s, c));
    QStringList lignes;
    while (sqlite3_step(s) == SQLITE_ROW) {
        QStringList v;
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            v << (sqlite3_column_type(s, c) == SQLITE_NULL
                      ? QStringLiteral("NULL")
                      : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, c))));
        lignes << v.join(QLatin1Char('|'));
    }
    sqlite3_finalize(s);
    return lignes;
}
