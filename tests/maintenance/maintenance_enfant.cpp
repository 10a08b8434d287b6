// Runs the start-up compaction on a folder, as a start of the program would;
// the crash test kills it at random instants. Prints "debut" just before the
// compaction and "fin <microseconds>" after it.
#include "maintenance/ReparerDatabase.h"
#include "shared/Plateforme.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: maintenance_enfant <dossier>\n");
        return 2;
    }
    const QString dossier = QString::fromLocal8Bit(argv[1]);
    Plateforme::definirCheminApplication(dossier);
    std::printf("debut\n");
    std::fflush(stdout);
    QElapsedTimer chrono;
    chrono.start();
    Maintenance::ReparerDatabase(dossier + QStringLiteral("/dacorvane.mdb"));
    std::printf("fin %lld\n", chrono.nsecsElapsed() / 1000);
    return 0;
}
