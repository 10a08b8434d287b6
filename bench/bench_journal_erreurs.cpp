// Time of one error-log append with a large log, against reading the whole
// log as a client-side open of the table would.
//   bench_journal_erreurs [rows]   (default 1,000,000)

#include "database/Command.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "journal/JournalErreurs.h"
#include "shared/Plateforme.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <vector>

namespace {

bool executer(sqlite3 *db, const QByteArray &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "SQL: %s\n", message ? message : "?");
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool creerJournal(const QString &chemin, long lignes)
{
    QFile schema(QStringLiteral(CORVANE_SCHEMA_MAINTENANCE));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(chemin.toUtf8().constData(), &db) == SQLITE_OK
                    && executer(db, schema.readAll())
                    && executer(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                        + QByteArray::number(qlonglong(lignes))
                                        + ") INSERT INTO Erreurs (DateErreur, Contexte, Erreur) "
                                          "SELECT datetime('2020-01-01', '+' || (i % 2000) || ' days'), "
                                          "'TotalVentes', 'N°: 94 Utilisation incorrecte de Null' FROM n");
    sqlite3_close(db);
    return ok;
}

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    long lignes = 1'000'000;
    if (argc > 1)
        std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), lignes);

    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("MAINTEN.MDB"));
    QElapsedTimer t;
    t.start();
    if (!creerJournal(base, lignes)) {
        std::fprintf(stderr, "cannot build the log\n");
        return 1;
    }
    QTextStream out(stdout);
    out << "log of " << lignes << " records built in " << QString::number(ms(t), 'f', 0) << " ms\n";
    Plateforme::definirCheminApplication(dir.path());

    t.restart();
    EnregistrerErreur(QStringLiteral("TotalVentes"), QStringLiteral("N°: 94 Utilisation incorrecte de Null"));
    out << "first append:          " << QString::number(ms(t), 'f', 2) << " ms\n";

    std::vector<double> temps;
    for (int i = 0; i < 50; ++i) {
        t.restart();
        EnregistrerErreur(QStringLiteral("TotalVentesparJours"), QStringLiteral("N°: 3021 essai"));
        temps.push_back(ms(t));
    }
    std::sort(temps.begin(), temps.end());
    out << "append, median of 50:  " << QString::number(temps[temps.size() / 2], 'f', 2) << " ms (max "
        << QString::number(temps.back(), 'f', 2) << " ms)\n";

    // What each append would cost if it opened the whole table first.
    t.restart();
    try {
        Connection c;
        c.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + base);
        Command cmd;
        cmd.setActiveConnection(&c);
        cmd.setCommandText(QStringLiteral("Erreurs"));
        Recordset rs;
        rs.open(cmd);
        out << "whole-table open:      " << QString::number(ms(t), 'f', 2) << " ms (" << rs.recordCount()
            << " records)\n";
    } catch (const std::exception &e) {
        out << "whole-table open failed: " << e.what() << "\n";
    }
    return 0;
}
