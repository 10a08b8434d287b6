// Start-up to window shown, and memory, for a kiosk folder with many sales.
//
//   bench_demarrage [--ventes N] [--dossier DOSSIER]
//
// Builds the folder (with corvane-demo when it sits beside this program,
// otherwise from the schema with SQL), then, in this process: constructs the
// window, runs its start-up, shows it and processes events until it is
// exposed; prints each phase's time, the resident memory, and the peak
// resident memory of the start-up, and the time from the end of the
// compaction (the moment the compacted copy took the database's name) to the
// window shown. Also times the first sort on "Client" (the card-number
// order), a header-click sort and the shut-down. Prints figures, judges nothing.
#include "FrmGestion/FrmGestion.h"
#include "shared/Plateforme.h"

#include <QApplication>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

QTextStream sortie(stdout);

// A line of /proc/self/status, in MiB.
double memoire(const char *cle)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &ligne : f.readAll().split('\n'))
        if (ligne.startsWith(cle))
            return ligne.mid(int(qstrlen(cle))).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    return -1;
}

// Resets the peak resident size, so that it covers what follows only.
void remettrePic()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

bool executer(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "SQL: %s\n", message ? message : "?");
        sqlite3_free(message);
        return false;
    }
    return true;
}

// The folder without corvane-demo: the schema and N sales, one every 97
// seconds up to 30/11/2026, and one card batch a day.
bool construireParSql(const QString &dossier, qint64 ventes)
{
    QFile schema(QStringLiteral(CORVANE_SCHEMA));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3 *db = nullptr;
    const QString chemin = dossier + QStringLiteral("/dacorvane.mdb");
    if (sqlite3_open(chemin.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> garde(db, sqlite3_close);
    const QString n = QString::number(ventes);
    return executer(db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"))
        && executer(db, QString::fromUtf8(schema.readAll()))
        && executer(db, QStringLiteral(
            "BEGIN;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @N@) "
            "INSERT INTO Ventes SELECT i, datetime('2026-11-30', '-' || ((@N@ - i) * 97) || ' seconds'), "
            " 2 + (i % 37) * 0.5, 1.2, 1 + (i % 3), 1 + (i % 9), "
            " CASE WHEN i % 3 = 1 THEN printf('4970%012d', i) END, 5 + (i % 37) * 0.5, 3, "
            " printf('AUTOMATE CORVANE\r\nVente n° %d\r\nJetons : %d\r\nTotal : %d,%02d EUR\r\nMerci de votre visite', "
            "        i, 1 + (i % 9), 2 + (i % 37) / 2, (i % 2) * 50) FROM n;"
            "WITH RECURSIVE j(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM j WHERE i < 1 + @N@ / 900) "
            "INSERT INTO Telecollectes SELECT i, datetime('2026-11-30 02:00:00', '-' || (1 + @N@ / 900 - i) || ' days'), "
            " printf('TELECOLLECTE\r\nLot %d\r\nTransactions : 300', i) FROM j;"
            "INSERT INTO Parametres VALUES (1, 1.5, 2, 2.5, 3, 3.5, 1, 2, 3, 4, 5, 800, 150, 120.5);"
            "COMMIT;").replace(QStringLiteral("@N@"), n));
}

bool construireDossier(const QString &dossier, qint64 ventes)
{
    const QString demo = QCoreApplication::applicationDirPath() + QStringLiteral("/corvane-demo");
    if (QFileInfo(demo).isExecutable()) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(demo, {dossier, QStringLiteral("--ventes"), QString::number(ventes), QStringLiteral("--remplacer")});
        if (p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
            sortie << "dossier construit par corvane-demo" << Qt::endl;
            return true;
        }
        sortie << "corvane-demo a échoué ; construction par SQL" << Qt::endl;
    }
    QFile::remove(dossier + QStringLiteral("/dacorvane.mdb"));
    sortie << "dossier construit par SQL" << Qt::endl;
    return construireParSql(dossier, ventes);
}

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

// Processor time (user + system) used so far by this process, in ms: on a
// busy machine it says more than the wall clock.
double processeur()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return (double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3)
           + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

// Wall clock (ms since the epoch) and processor time at each child removed
// from the window: the compaction's dialog goes just after the compaction.
struct Retraits : QObject
{
    std::vector<std::pair<qint64, double>> instants;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::ChildRemoved)
            instants.emplace_back(QDateTime::currentMSecsSinceEpoch(), processeur());
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    qint64 ventes = 1000000;
    QString dossier;
    const QStringList arguments = application.arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments.at(i) == QLatin1String("--ventes"))
            ventes = arguments.at(i + 1).toLongLong();
        else if (arguments.at(i) == QLatin1String("--dossier"))
            dossier = arguments.at(i + 1);
    }
    QTemporaryDir temporaire;
    if (dossier.isEmpty())
        dossier = temporaire.path();
    QDir().mkpath(dossier);

    QElapsedTimer t;
    const bool existe = QFileInfo::exists(dossier + QStringLiteral("/dacorvane.mdb"));
    if (!existe) {
        t.start();
        if (!construireDossier(dossier, ventes)) {
            std::fprintf(stderr, "impossible de construire le dossier\n");
            return 1;
        }
        sortie << "construction du dossier : " << ms(t) / 1000.0 << " s" << Qt::endl;
    }
    Plateforme::definirCheminApplication(dossier);
    sortie << "ventes : " << ventes << (existe ? " (dossier existant)" : "") << Qt::endl;
    sortie << "base : " << QFileInfo(dossier + QStringLiteral("/dacorvane.mdb")).size() / (1024 * 1024) << " Mio"
           << Qt::endl;

    const double rssAvant = memoire("VmRSS:");
    remettrePic();
    const double processeurAvant = processeur();
    QElapsedTimer total;
    total.start();
    t.start();
    auto fenetre = std::make_unique<FrmGestion>();
    Retraits retraits;
    fenetre->installEventFilter(&retraits);
    const double construction = ms(t);
    t.restart();
    fenetre->Form_Load();
    const double chargement = ms(t);
    t.restart();
    fenetre->show();
    while (!fenetre->windowHandle() || !fenetre->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    const double affichage = ms(t);
    const qint64 montre = QDateTime::currentMSecsSinceEpoch();
    // The last rename of the compaction changed the database entry's status time.
    const qint64 finCompactage
        = QFileInfo(dossier + QStringLiteral("/dacorvane.mdb")).metadataChangeTime().toMSecsSinceEpoch();
    const double processeurMontre = processeur();
    double processeurFinCompactage = -1;
    for (const auto &[quand, cpu] : retraits.instants)
        if (quand >= finCompactage) {
            processeurFinCompactage = cpu;
            break;
        }
    const double demarrage = ms(total);
    const double demarrageProcesseur = processeur() - processeurAvant;
    const double pic = memoire("VmHWM:");
    const double rssApres = memoire("VmRSS:");

    t.restart();
    const double processeurTri = processeur();
    fenetre->DataGrid1_HeadClick(4);
    QCoreApplication::processEvents();
    const double triClient = ms(t);
    const double triClientProcesseur = processeur() - processeurTri;
    t.restart();
    fenetre->DataGrid1_HeadClick(2);
    QCoreApplication::processEvents();
    const double tri = ms(t);
    t.restart();
    fenetre->close();
    const double fin = ms(t);

    sortie.setRealNumberNotation(QTextStream::FixedNotation);
    sortie.setRealNumberPrecision(1);
    sortie << "enregistrements du journal : " << fenetre->RsVentes.recordCount() << Qt::endl
           << "construction de la fenêtre : " << construction << " ms" << Qt::endl
           << "Form_Load (étapes 1-13)    : " << chargement << " ms" << Qt::endl
           << "affichage jusqu'à exposée  : " << affichage << " ms" << Qt::endl
           << "démarrage total            : " << demarrage << " ms" << Qt::endl
           << "fin du compactage → montrée: " << double(montre - finCompactage) << " ms (objectif ≤ 1500), "
           << (processeurFinCompactage < 0 ? -1.0 : processeurMontre - processeurFinCompactage)
           << " ms processeur" << Qt::endl
           << "  dont processeur          : " << demarrageProcesseur << " ms" << Qt::endl
           << "mémoire résidente avant    : " << rssAvant << " Mio" << Qt::endl
           << "mémoire résidente après    : " << rssApres << " Mio" << Qt::endl
           << "pic de mémoire du démarrage: " << pic << " Mio" << Qt::endl
           << "premier tri sur « Client » : " << triClient << " ms (objectif ≤ 150), " << triClientProcesseur
           << " ms processeur" << Qt::endl
           << "tri sur « Montant »        : " << tri << " ms" << Qt::endl
           << "fermeture (Form_Unload)    : " << fin << " ms" << Qt::endl;
    return 0;
}
