#include "database/ReglagesSqlite.h"

#include <sqlite3.h>
#include <utility>

int appliquerReglagesSqlite(sqlite3 *db)
{
    for (const auto &[option, valeur] : {std::pair{SQLITE_DBCONFIG_DEFENSIVE, 1},
                                         std::pair{SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
                                         std::pair{SQLITE_DBCONFIG_DQS_DML, 1}}) {
        const int rc = sqlite3_db_config(db, option, valeur, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return sqlite3_exec(db, "PRAGMA cell_size_check=ON; PRAGMA mmap_size=0", nullptr, nullptr, nullptr);
}
