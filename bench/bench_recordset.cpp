// The sales journal's record set at a million sales: open, sorts and finds as
// the window runs them, the receipt read on a move, and the bytes per sale the
// set keeps; the open beside the sqlite3 shell running the same query on the
// same file (a child process, its output thrown away). Prints figures; never
// fails on a time.
//
//   bench_recordset [number of sales, default 1000000] [database file to reuse or create]
#include "database/Command.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <cstring>
#include <ctime>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QTextStream sortie(stdout);

long memoireKo(const char *cle)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &ligne : f.readAll().split('\n'))
        if (ligne.startsWith(cle))
            return ligne.mid(int(std::strlen(cle))).trimmed().split(' ').first().toLong();
    return -1;
}

void executer(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "SQL: %s\n", message ? message : "?");
        std::exit(2);
    }
}

// A kiosk's journal: sales every few minutes over two years, card sales with
// 16-digit numbers (a third of them beginning 4970), multi-line receipts.
void creerBase(const QString &chemin, int n)
{
    QFile schema(QStringLiteral(CORVANE_SCHEMA_PATH));
    if (!schema.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "schema not found: %s\n", CORVANE_SCHEMA_PATH);
        std::exit(2);
    }
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(chemin).constData(), &db);
    executer(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
    executer(db, schema.readAll().constData());
    executer(db, "BEGIN");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, "
                       "Rendu, Ticket) VALUES (?,?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    std::mt19937_64 alea(20250201);
    std::int64_t instant = DateTime::fromParts(2024, 1, 1, 8, 0, 0)->secondes;
    const std::int64_t pas = (DateTime::fromParts(2025, 12, 31)->secondes - instant) / n;
    for (int i = 1; i <= n; ++i) {
        instant += std::int64_t(alea() % std::uint64_t(2 * pas + 1));
        const DateTime quand{instant};
        const int jetons = 1 + int(alea() % 10);
        const std::int64_t total = jetons * 25000;            // 2,50 € a token
        const int type = int(alea() % 10) < 6 ? 2 : (alea() % 4 ? 1 : 3);
        const std::int64_t paye = type == 2 ? total : ((total / 50000) + 1) * 50000;
        char iso[20];
        quand.toIso(iso);
        char carte[17];
        if (type == 2) {
            const std::uint64_t x = alea();
            std::snprintf(carte, sizeof carte, "%04u%012llu", alea() % 3 == 0 ? 4970u : unsigned(4000 + x % 1000),
                          static_cast<unsigned long long>((x >> 10) % 1000000000000ull));
        }
        const QByteArray ticket = QStringLiteral("VELMARA\r\nAutomate de lavage n° 12\r\nVente n° %1\r\nLe %2\r\n"
                                                 "Jetons : %3\r\nMontant TTC : %4,%5 EUR\r\nTVA 20 % incluse\r\n"
                                                 "Payé : %6,%7 EUR\r\nRendu : %8,%9 EUR\r\nMerci de votre visite\r\n")
                                      .arg(i)
                                      .arg(QString::fromLatin1(iso, 19))
                                      .arg(jetons)
                                      .arg(total / 10000)
                                      .arg(total / 100 % 100, 2, 10, QLatin1Char('0'))
                                      .arg(paye / 10000)
                                      .arg(paye / 100 % 100, 2, 10, QLatin1Char('0'))
                                      .arg((paye - total) / 10000)
                                      .arg((paye - total) / 100 % 100, 2, 10, QLatin1Char('0'))
                                      .toUtf8();
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, iso, 19, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 3, double(total) / 10000);
        sqlite3_bind_double(st, 4, 1.2);
        sqlite3_bind_int(st, 5, type);
        sqlite3_bind_int(st, 6, jetons);
        if (type == 2)
            sqlite3_bind_text(st, 7, carte, 16, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(st, 7);
        sqlite3_bind_double(st, 8, double(paye) / 10000);
        sqlite3_bind_double(st, 9, double(paye - total) / 10000);
        sqlite3_bind_text(st, 10, ticket.constData(), int(ticket.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "insert: %s\n", sqlite3_errmsg(db));
            std::exit(2);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    executer(db, "COMMIT");
    sqlite3_close(db);
}

double tempsProcesseurMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall time of the last measure, and its processor time (the machine may be
// shared: the processor time is the figure that does not depend on the load).
double dernierProcesseur = 0;

template <typename F>
double mesurer(F &&f)
{
    QElapsedTimer t;
    const double cpu = tempsProcesseurMs();
    t.start();
    f();
    dernierProcesseur = tempsProcesseurMs() - cpu;
    return double(t.nsecsElapsed()) / 1e6;
}

void ligne(const QString &quoi, double ms, const QString &detail = {})
{
    sortie << quoi.leftJustified(50) << QString::number(ms, 'f', 1).rightJustified(9) << " ms"
           << QString::number(dernierProcesseur, 'f', 1).rightJustified(9) << " ms cpu  " << detail << Qt::endl;
}

// The sqlite3 shell running `requete` on `chemin`, output to /dev/null:
// wall and processor time in ms (both -1 when the shell cannot run).
std::pair<double, double> shell(const QString &chemin, const char *requete)
{
    const QByteArray fichier = QFile::encodeName(chemin);
    char *const arguments[] = {const_cast<char *>("sqlite3"), const_cast<char *>(fichier.constData()),
                               const_cast<char *>(requete), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "sqlite3", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return {-1, -1};
    int etat = 0;
    rusage r{};
    wait4(pid, &etat, 0, &r);
    const double cpu = double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3
                       + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
    return {double(t.nsecsElapsed()) / 1e6, cpu};
}

QString ou(Recordset &rs)
{
    if (rs.isEof())
        return QStringLiteral("(fin de fichier)");
    return QStringLiteral("NoVente %1, position %2").arg(rs.field(QStringLiteral("NoVente")).toString()).arg(rs.absolutePosition());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Plateforme::definirLocaleSysteme(QLocale(QLocale::French, QLocale::France));
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dossier;
    const QString chemin = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dossier.filePath(QStringLiteral("dacorvane.mdb"));

    try {
        if (!QFileInfo::exists(chemin)) {
            const double ms = mesurer([&] { creerBase(chemin, n); });
            ligne(QStringLiteral("fixture: %1 sales written").arg(n), ms,
                  QStringLiteral("%1 MB").arg(QFileInfo(chemin).size() / 1048576));
        }
        const long avant = memoireKo("VmRSS:");
        Connection connexion;
        connexion.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + chemin
                       + QStringLiteral(";Jet OLEDB:Database Password="));
        Command cmd;
        cmd.setActiveConnection(&connexion);
        cmd.setCommandText(QStringLiteral("select * from ReqVentes order by Date Desc"));
        Recordset rs;
        rs.setCursorLocation(Recordset::adUseClient);
        // As the window opens it: the receipts read for the current sale only.
        rs.setDeferredField(QStringLiteral("Ticket"), QStringLiteral("ReqVentes"), QStringLiteral("NoVente"),
                            QStringLiteral("Date"));
        const double ouverture = mesurer([&] { rs.open(cmd); });
        const double ouvertureProcesseur = dernierProcesseur;
        const long apres = memoireKo("VmRSS:");
        ligne(QStringLiteral("open \"select * from ReqVentes order by Date Desc\""), ouverture,
              QStringLiteral("%1 records, RSS +%2 MB (%3 MB, peak %4 MB), %5 bytes per sale held, receipts %6")
                  .arg(rs.recordCount())
                  .arg((apres - avant) / 1024)
                  .arg(apres / 1024)
                  .arg(memoireKo("VmHWM:") / 1024)
                  .arg(double(rs.memoryUsed()) / std::max(1, rs.recordCount()), 0, 'f', 1)
                  .arg(rs.isDeferred(rs.fieldOrdinal(QStringLiteral("Ticket"))) ? QStringLiteral("on demand")
                                                                                 : QStringLiteral("in memory")));
        const auto [shellMur, shellProcesseur] = shell(chemin, "select * from ReqVentes order by Date Desc");
        dernierProcesseur = shellProcesseur;
        ligne(QStringLiteral("reference: sqlite3 shell, same query"), shellMur,
              QStringLiteral("open / shell: wall %1, cpu %2 (goal cpu <= 0.5)")
                  .arg(ouverture / shellMur, 0, 'f', 2)
                  .arg(ouvertureProcesseur / shellProcesseur, 0, 'f', 2));
        {
            int longueur = 0;
            const double ms = mesurer([&] {
                rs.moveTo(rs.recordCount() / 2);
                longueur = int(rs.field(QStringLiteral("Ticket")).toString().size());
            });
            ligne(QStringLiteral("move and read the receipt (goal <= 16 ms)"), ms,
                  QStringLiteral("%1 characters").arg(longueur));
        }

        const auto tri = [&](const char *t) {
            const double ms = mesurer([&] { rs.setSort(QString::fromUtf8(t)); });
            ligne(QStringLiteral("setSort \"%1\"").arg(QString::fromUtf8(t)), ms, ou(rs));
        };
        const auto cherche = [&](const QString &critere, Recordset::FindStart depart) {
            const double ms = mesurer([&] { rs.find(critere, 0, Recordset::adSearchForward, depart); });
            ligne(QStringLiteral("Find \"%1\" from %2")
                      .arg(critere, depart == Recordset::FromFirst ? QStringLiteral("first") : QStringLiteral("current")),
                  ms, ou(rs));
        };

        // Card-number mode.
        tri("Client");
        tri("Client");
        cherche(QStringLiteral("[Client] like '4970*'"), Recordset::FromFirst);
        cherche(QStringLiteral("[Client] like '497012*'"), Recordset::FromFirst);
        cherche(QStringLiteral("[Client] like '9*'"), Recordset::FromFirst);
        // Invoice-number mode.
        tri("NoVente");
        cherche(QStringLiteral("NoVente =123456"), Recordset::FromFirst);
        // Date mode: the journal's own order, newest first.
        tri("Date DESC");
        rs.moveFirst();
        cherche(QStringLiteral("Date >=01/02/2025"), Recordset::FromCurrent);
        cherche(QStringLiteral("Date >=01/02/2030"), Recordset::FromCurrent);
        // Header clicks.
        tri("Montant");
        tri("Type paiement");
        tri("Payé");
        // Finds that cannot use the sort: every record visited.
        tri("Date DESC");
        cherche(QStringLiteral("[Client] like '9*'"), Recordset::FromFirst);
        cherche(QStringLiteral("NoVente =999999999"), Recordset::FromFirst);
        dernierProcesseur = 0;
        ligne(QStringLiteral("peak RSS"), 0, QStringLiteral("%1 MB").arg(memoireKo("VmHWM:") / 1024));
    } catch (const RuntimeError &e) {
        std::fprintf(stderr, "%d %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
