// bench_compactage: the start-up compaction of a kiosk folder's database,
// timed against SQLite's own VACUUM INTO of the same file in the same run.
//
//   corvane-demo /tmp/borne --ventes 1000000
//   bench_compactage /tmp/borne [--tours N]
//
// Each round times (a) ReparerDatabase on the folder, as a start does (the
// compaction with its progress and fsyncs, and the swap of the files), then (b) a plain
// "VACUUM INTO" of the same database by the SQLite C API with the engine's
// default settings (synchronous=FULL, as the sqlite3 shell runs it), and
// prints both and their ratio. It prints figures; it never fails on a time.
// For a whole-process comparison with the shell, time
//   bench_compactage /tmp/borne --une-fois
// against
//   sh -c 'rm -f /tmp/x.mdb && sqlite3 /tmp/borne/dacorvane.mdb "VACUUM INTO '\''/tmp/x.mdb'\''"'

#include "maintenance/ReparerDatabase.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <thread>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

// The engine alone: what the sqlite3 shell does for "VACUUM INTO".
double vacuumSqlite(const QString &source, const QString &cible)
{
    QFile::remove(cible);
    QElapsedTimer chrono;
    chrono.start();
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "ouverture impossible : %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    const QByteArray sql = "VACUUM INTO '" + QFile::encodeName(cible).replace("'", "''") + "'";
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK)
        std::fprintf(stderr, "VACUUM INTO : %s\n", message ? message : "?");
    sqlite3_free(message);
    sqlite3_close(db);
    const double secondes = double(chrono.nsecsElapsed()) / 1e9;
    QFile::remove(cible);
    return rc == SQLITE_OK ? secondes : -1;
}

// The start-up compaction; false when it reported an error.
class BoiteCompteuse : public Plateforme::BoiteMessage
{
public:
    int messages = 0;
    void afficher(const QString &texte, const QString &) override
    {
        ++messages;
        std::fprintf(stderr, "%s\n", texte.toUtf8().constData());
    }
};

// With a progress callback, as the window runs it (its dialog aside).
int g_rappels = 0;

double compactageCorvane(const QString &base, BoiteCompteuse &boite)
{
    const int avant = boite.messages;
    QElapsedTimer chrono;
    chrono.start();
    Maintenance::OptionsReparation options;
    options.progression = [](double) { ++g_rappels; };
    Maintenance::ReparerDatabase(base, options);
    const double secondes = double(chrono.nsecsElapsed()) / 1e9;
    return boite.messages == avant ? secondes : -1;
}

// The compaction frees the backup it replaced on a thread of its own; the
// reference must not run while that thread still works.
void attendreAncienneSauvegarde()
{
    for (int essai = 0; essai < 600; ++essai) {
        bool retenue = false;
        std::error_code ec;
        for (const auto &e : std::filesystem::directory_iterator("/proc/self/fd", ec))
            retenue = retenue || std::filesystem::read_symlink(e.path(), ec).string().ends_with(" (deleted)");
        if (!retenue)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 2 || args.contains(QStringLiteral("-h")) || args.contains(QStringLiteral("--help"))) {
        std::fprintf(stderr, "usage: bench_compactage <dossier de borne> [--tours N] [--une-fois]\n");
        return 2;
    }
    const QString dossier = QFileInfo(args.at(1)).absoluteFilePath();
    const QString base = dossier + QStringLiteral("/dacorvane.mdb");
    if (!QFileInfo::exists(base)) {
        std::fprintf(stderr, "%s : pas de base ; créez-la avec corvane-demo %s --ventes 1000000\n",
                     qPrintable(base), qPrintable(dossier));
        return 1;
    }
    Plateforme::definirCheminApplication(dossier);
    BoiteCompteuse boite;
    Plateforme::definirBoiteMessage(&boite);

    if (args.contains(QStringLiteral("--une-fois")))
        return compactageCorvane(base, boite) < 0 ? 1 : 0;

    int tours = 5;
    const qsizetype i = args.indexOf(QStringLiteral("--tours"));
    if (i > 0 && i + 1 < args.size()) {
        const QByteArray n = args.at(i + 1).toLatin1();
        std::from_chars(n.constData(), n.constData() + n.size(), tours);
    }

    const double taille = double(QFileInfo(base).size()) / 1e6;
    std::printf("base %s : %.1f Mo\n", qPrintable(base), taille);
    std::vector<double> corvane, moteur, rapports;
    const QString cible = dossier + QStringLiteral("/bench-vacuum.tmp");
    for (int t = 0; t <= tours; ++t) {
        const double a = compactageCorvane(base, boite);
        attendreAncienneSauvegarde();
        const double b = vacuumSqlite(base, cible);
        if (a < 0 || b < 0)
            return 1;
        if (t == 0)
            continue;   // warm-up: the first compaction also drops the free pages
        corvane.push_back(a);
        moteur.push_back(b);
        rapports.push_back(a / b);
        std::printf("tour %d : ReparerDatabase %.3f s, VACUUM INTO %.3f s, rapport %.3f\n", t, a, b, a / b);
    }
    std::printf("médianes : ReparerDatabase %.3f s (%.0f Mo/s), VACUUM INTO %.3f s, rapport %.3f "
                "(%d appels de progression par compactage)\n",
                mediane(corvane), taille / mediane(corvane), mediane(moteur), mediane(rapports),
                g_rappels / (tours + 1));
    return 0;
}
