// Times the three reports (query, walk, lines) over a period of a sales
// database, against the sqlite3 shell running the equivalent query on the same
// file in the same run. Prints figures; never fails on a time.
//
//   bench_rapports <folder or database file> [<du> <au>] [runs]
//
// The period defaults to the days of the first and the last sale.

#include "database/Connection.h"
#include "database/Dates.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "shared/Chemins.h"
#include "shared/Plateforme.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

QString premiereValeur(const QString &base, const char *sql)
{
    sqlite3 *db = nullptr;
    QString r;
    if (sqlite3_open_v2(base.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW
            && sqlite3_column_type(st, 0) != SQLITE_NULL)
            r = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return r;
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Mesure
{
    double mediane = 0, min = 0, max = 0;
};

template <class F>
Mesure mesurer(int runs, F f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        f();
        t.push_back(chrono.nsecsElapsed() / 1e6);
    }
    return {mediane(t), *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end())};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_rapports <folder or database file> [<du> <au>] [runs]\n");
        return 2;
    }
    QString base = args[0];
    if (QFileInfo(base).isDir())
        base = resoudreChemin(base + QStringLiteral("/dacorvane.mdb"));
    const QLocale locale = Plateforme::localeSysteme();

    QString du, au;
    int runs = 5;
    if (args.size() >= 3) {
        du = args[1];
        au = args[2];
        if (args.size() >= 4)
            runs = std::max(1, args[3].toInt());
    } else {
        if (args.size() == 2)
            runs = std::max(1, args[1].toInt());
        const auto premier = DateTime::fromIso(premiereValeur(base, "SELECT min(LaDate) FROM Ventes"));
        const auto dernier = DateTime::fromIso(premiereValeur(base, "SELECT max(LaDate) FROM Ventes"));
        if (!premier || !dernier) {
            std::fprintf(stderr, "no sale in %s\n", qPrintable(base));
            return 1;
        }
        du = locale.toString(premier->date(), QLocale::ShortFormat);
        au = locale.toString(dernier->date(), QLocale::ShortFormat);
    }
    const auto dateDebut = AnalyserDate(du, locale);
    const auto dateFin = AnalyserDate(au, locale);
    if (!dateDebut || !dateFin) {
        std::fprintf(stderr, "unreadable period %s .. %s\n", qPrintable(du), qPrintable(au));
        return 2;
    }
    const QString lignesPeriode = premiereValeur(
        base, QStringLiteral("SELECT count(*) FROM Ventes WHERE LaDate > '%1' AND LaDate < '%2'")
                  .arg(dateDebut->toIso(), DateTime{dateFin->secondes + 86399}.toIso())
                  .toUtf8()
                  .constData());

    Connection connexion;
    connexion.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + base
                   + QStringLiteral(";Jet OLEDB:Database Password="));

    QTextStream out(stdout);
    out << "database " << base << ", period " << du << " .. " << au << ", " << lignesPeriode << " sales, "
        << runs << " runs (ms: median [min..max])\n";
    out << "report                 lines   report (query+walk+lines)       sqlite3 shell, query alone    ratio\n";

    struct Cas
    {
        const char *nom;
        ResultatRapport (*procedure)(Connection &, const std::optional<DateTime> &, const QString &, ListeRapport &);
        const char *ordre;
    };
    const Cas cas[] = {{"TotalVentes", &TotalVentes, "TypePaiement"},
                       {"TotalVentesparJours", &TotalVentesparJours, "LaDate"},
                       {"TotalVentesparmois", &TotalVentesparmois, "LaDate"}};
    for (const Cas &c : cas) {
        ListeLignes liste;
        bool ok = true;
        const Mesure rapport = mesurer(runs, [&] {
            ok = c.procedure(connexion, dateDebut, au, liste) == ResultatRapport::Rempli && ok;
        });
        // The same rows, columns and order, without the program's SQL functions.
        const QString sql = QStringLiteral("SELECT round(Total/TauxTVA, 4) AS TotalHT, * FROM Ventes WHERE "
                                           "LaDate > '%1' AND LaDate < '%2' ORDER BY %3")
                                .arg(dateDebut->toIso(), DateTime{dateFin->secondes + 86399}.toIso(),
                                     QLatin1String(c.ordre));
        const Mesure shell = mesurer(runs, [&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.start(QStringLiteral("sqlite3"), {base, sql});
            p.waitForFinished(-1);
        });
        out << QStringLiteral("%1 %2   %3 [%4..%5]   %6 [%7..%8]   %9%10\n")
                   .arg(QLatin1String(c.nom), -20)
                   .arg(liste.lignes.size(), 6)
                   .arg(rapport.mediane, 9, 'f', 1)
                   .arg(rapport.min, 0, 'f', 1)
                   .arg(rapport.max, 0, 'f', 1)
                   .arg(shell.mediane, 9, 'f', 1)
                   .arg(shell.min, 0, 'f', 1)
                   .arg(shell.max, 0, 'f', 1)
                   .arg(rapport.mediane / shell.mediane, 6, 'f', 2)
                   .arg(ok ? "" : "  (report failed)");
        out.flush();
    }
    return 0;
}
