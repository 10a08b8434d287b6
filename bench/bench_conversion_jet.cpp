// Conversion throughput of a Jet file, in rows per second, against mdb-export
// of the same tables in the same run. Prints figures; never fails on a time.
//
//   bench_conversion_jet [file.mdb] [runs]
//
// Without a file, the test file holding the most rows (CORVANE_DONNEES_JET).

#include "jet/ConversionJet.h"
#include "jet/ConvertisseurJet.h"
#include "shared/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QStringList tables(const QString &fichier)
{
    QProcess p;
    p.start(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), fichier});
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ligne(QTextStream &out, const char *quoi, double secondes, qint64 lignes)
{
    out << QStringLiteral("%1 %2 ms  %3 lignes/s\n")
               .arg(QLatin1String(quoi), -44)
               .arg(secondes * 1000, 8, 'f', 2)
               .arg(secondes > 0 ? lignes / secondes : 0, 10, 'f', 0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QString fichier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int tours = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    if (fichier.isEmpty())
        fichier = qEnvironmentVariable("CORVANE_DONNEES_JET") + QStringLiteral("/testIndexCodesV1997.mdb");

    QTemporaryDir dossier;
    const QStringList lesTables = tables(fichier);
    std::vector<double> enfant, direct, export_;
    qint64 lignes = 0;
    int tablesConverties = 0;
    for (int i = 0; i < tours; ++i) {
        // The conversion as Corvane runs it: a child process under limits.
        const QString a = dossier.filePath(QStringLiteral("a%1.db").arg(i));
        QElapsedTimer t;
        t.start();
        try {
            const Jet::ResultatConversion r = Jet::ConvertirBaseJet(fichier, a);
            lignes = r.lignes;
            tablesConverties = r.tables;
        } catch (const RuntimeError &e) {
            out << e.description() << '\n';
            return 1;
        }
        enfant.push_back(t.nsecsElapsed() / 1e9);

        // The same work in this process: the cost of reading and writing alone.
        const QString b = dossier.filePath(QStringLiteral("b%1.db").arg(i));
        t.restart();
        Jet::convertirFichier(fichier.toStdString(), b.toStdString(), false, {});
        direct.push_back(t.nsecsElapsed() / 1e9);

        // mdb-export of every table, its output read and dropped.
        t.restart();
        for (const QString &table : lesTables) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.start(QStringLiteral("mdb-export"), {fichier, table});
            p.waitForFinished(-1);
        }
        export_.push_back(t.nsecsElapsed() / 1e9);
        QFile::remove(a);
        QFile::remove(b);
    }

    out << QStringLiteral("Fichier %1 : %2 tables, %3 lignes, %4 tours (médianes)\n")
               .arg(QFileInfo(fichier).fileName())
               .arg(tablesConverties)
               .arg(lignes)
               .arg(tours);
    ligne(out, "conversion, processus enfant (comme Corvane)", mediane(enfant), lignes);
    ligne(out, "conversion dans le processus", mediane(direct), lignes);
    ligne(out, "mdb-export de chaque table", mediane(export_), lignes);
    return 0;
}
