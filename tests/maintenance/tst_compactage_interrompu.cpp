// A start killed at any instant of the compaction leaves a program that starts
// again by itself with every sale, and a backup one generation old.
#include "BasesTest.h"
#include "TestSupport.h"

#include "maintenance/ReparerDatabase.h"

#include <QtTest>

using namespace BasesTest;

class TestCompactageInterrompu : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString chemin(const QString &nom) const { return m_dossier.filePath(nom); }

    // Started, and about to compact.
    bool demarrerEnfant(QProcess &p)
    {
        p.start(QStringLiteral(PANNES_ENFANT), {QStringLiteral("reparer"), m_dossier.path()});
        while (p.waitForStarted() && !p.canReadLine())
            if (!p.waitForReadyRead(10000))
                return false;
        return p.readLine().contains("debut");
    }

private slots:
    void tueAuHasard()
    {
        QVERIFY(m_dossier.isValid());
        preparerApplication(m_dossier.path(), false);
        const QString base = chemin(QStringLiteral("dacorvane.mdb"));
        creer(base, QStringLiteral("g0"), 50000);
        TestSupport::BoiteMessageTest boite;
        const int ventes = nombreVentes(base);

        // Microseconds of a whole compaction in the child.
        QProcess mesure;
        QVERIFY(demarrerEnfant(mesure));
        QElapsedTimer chrono;
        chrono.start();
        QVERIFY(mesure.waitForFinished(60000) && mesure.readAllStandardOutput().isEmpty());
        const qint64 duree = chrono.nsecsElapsed() / 1000;
        const quint32 graine = QRandomGenerator::global()->generate();
        QRandomGenerator hasard(graine);
        qInfo("graine %u", graine);

        int pendantLaCopie = 0;
        for (int i = 1; i <= 60; ++i) {
            const QString jour = QStringLiteral("g%1"), avant = QStringLiteral("avant %1");
            marquer(base, jour.arg(i));
            QProcess enfant;
            QVERIFY(demarrerEnfant(enfant));
            QThread::usleep(hasard.bounded(quint64(duree) * 23 / 20));
            enfant.kill();
            QVERIFY(enfant.waitForFinished(60000));
            pendantLaCopie += existe(chemin(QStringLiteral("NEWK7.MDB-journal")));

            // The database is there, whole, as left by the day's work.
            QCOMPARE(TestSupport::valeurSql(base, QStringLiteral("PRAGMA quick_check")), QStringLiteral("ok"));
            QCOMPARE(nombreVentes(base), ventes);
            QCOMPARE(marqueur(base), jour.arg(i));

            // The next start.
            marquer(base, avant.arg(i));
            Maintenance::ReparerDatabase(base);
            QCOMPARE(boite.textes, QStringList());
            QCOMPARE(fichiers(m_dossier.path()), QStringList({"OLDK7.BAK", "dacorvane.mdb"}));
            QCOMPARE(etat(base, avant.arg(i)), QStringLiteral("compactée"));
            QCOMPARE(nombreVentes(base), ventes);
            QCOMPARE(marqueur(chemin(QStringLiteral("OLDK7.BAK"))), avant.arg(i));
            QCOMPARE(nombreVentes(chemin(QStringLiteral("OLDK7.BAK"))), ventes);
        }
        QVERIFY(pendantLaCopie > 0);
    }
};

CORVANE_TEST(TestCompactageInterrompu)
#include "tst_compactage_interrompu.moc"
