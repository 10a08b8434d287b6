// A start killed at any instant of the compaction leaves a program that starts
// again by itself with every sale, and a backup one generation old.
#include "BasesTest.h"
#include "TestSupport.h"

#include "maintenance/ReparerDatabase.h"
#include "journal/JournalErreurs.h"
#include "shared/Plateforme.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <csignal>

using namespace BasesTest;

namespace {
constexpr int Tueries = 60;
constexpr int VentesCreees = 50000;

} // namespace

class TestCompactageInterrompu : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString base() const { return m_dossier.filePath(QStringLiteral("dacorvane.mdb")); }

    bool demarrerEnfant(QProcess &p)
    {
        p.start(QStringLiteral(MAINTENANCE_ENFANT), {m_dossier.path()});
        if (!p.waitForStarted())
            return false;
        while (!p.canReadLine())
            if (!p.waitForReadyRead(10000))
                return false;
        return p.readLine() == "debut\n";
    }

    // Microseconds of a whole compaction in the child.
    qint64 dureeCompactage()
    {
        QProcess p;
        if (!demarrerEnfant(p) || !p.waitForFinished(60000) || p.exitCode() != 0)
            return -1;
        const QByteArray sortie = p.readAllStandardOutput();
        if (!p.readAllStandardError().isEmpty() || !sortie.startsWith("fin "))
            return -1;
        return sortie.mid(4).trimmed().toLongLong();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        Plateforme::definirCheminApplication(m_dossier.path());
        reinitialiserRepMaintenance();
        creer(base(), QStringLiteral("g0"), VentesCreees);
    }

    void tueAuHasard()
    {
        TestSupport::BoiteMessageTest boite;
        const int ventes = nombreVentes(base());
        QCOMPARE(ventes, ventesRestantes(VentesCreees));

        std::vector<qint64> durees;
        for (int i = 0; i < 3; ++i)
            durees.push_back(dureeCompactage());
        std::sort(durees.begin(), durees.end());
        QVERIFY(durees.front() > 0);
        const qint64 duree = durees[1];

        const quint32 graine = QRandomGenerator::global()->generate();
        QRandomGenerator hasard(graine);
        qInfo("graine %u, compactage %lld µs", graine, duree);

        int pendantLaCopie = 0, apresLaCopie = 0, terminees = 0;
        for (int i = 1; i <= Tueries; ++i) {
            const QString jour = QStringLiteral("g%1").arg(i);
            marquer(base(), jour);

            QProcess enfant;
            QVERIFY(demarrerEnfant(enfant));
            QThread::usleep(hasard.bounded(quint64(duree) * 23 / 20));
            ::kill(pid_t(enfant.processId()), SIGKILL);
            QVERIFY(enfant.waitForFinished(60000));
            if (enfant.exitStatus() == QProcess::NormalExit)
                ++terminees;
            else if (existe(m_dossier.filePath(QStringLiteral("NEWK7.MDB-journal"))))
                ++pendantLaCopie;
            else if (existe(m_dossier.filePath(QStringLiteral("NEWK7.MDB"))))
                ++apresLaCopie;

            // The database is there, whole, as left by the day's work.
            const QString contexte = QStringLiteral("tuerie %1").arg(i);
            QVERIFY2(existe(base()), qPrintable(contexte));
            QCOMPARE(TestSupport::valeurSql(base(), QStringLiteral("PRAGMA quick_check")), QStringLiteral("ok"));
            QCOMPARE(nombreVentes(base()), ventes);
            QCOMPARE(marqueur(base()), jour);

            // The next start.
            const QString avant = QStringLiteral("avant %1").arg(i);
            marquer(base(), avant);
            Maintenance::ReparerDatabase(base());
            QCOMPARE(boite.textes, QStringList());
            QCOMPARE(fichiers(m_dossier.path()),
                     QStringList({QStringLiteral("OLDK7.BAK"), QStringLiteral("dacorvane.mdb")}));
            QCOMPARE(etat(base(), avant), QStringLiteral("compactée"));
            QCOMPARE(nombreVentes(base()), ventes);
            QCOMPARE(marqueur(m_dossier.filePath(QStringLiteral("OLDK7.BAK"))), avant);
            QCOMPARE(nombreVentes(m_dossier.filePath(QStringLiteral("OLDK7.BAK"))), ventes);
        }
        qInfo("%d tués pendant l'écriture de la copie, %d entre la copie et le remplacement, %d terminés",
              pendantLaCopie, apresLaCopie, terminees);
        QVERIFY(pendantLaCopie > 0);
    }
};

CORVANE_TEST(TestCompactageInterrompu)
#include "tst_compactage_interrompu.moc"
