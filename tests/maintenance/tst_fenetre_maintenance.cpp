#include "TestSupport.h"

#include "FrmGestion/DialogueCompactage.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class TestFenetreMaintenance : public QObject
{
    Q_OBJECT

private slots:

    // The window appears only after half a second, and follows the compaction.
    void dialogue_data()
    {
        QTest::addColumn<QList<qint64>>("instants");
        QTest::addColumn<QList<double>>("fractions");
        QTest::addColumn<int>("visibleApres");   // index of the call that shows it, -1 never
        QTest::newRow("longue") << QList<qint64>{0, 200, 499, 500, 900, 1400}
                                << QList<double>{0, 0.1, 0.25, 0.3, 0.6, 1} << 3;
        QTest::newRow("finie juste après le délai") << QList<qint64>{0, 100, 600} << QList<double>{0, 0.5, 1} << -1;
    }

    void dialogue()
    {
        QFETCH(QList<qint64>, instants);
        QFETCH(QList<double>, fractions);
        QFETCH(int, visibleApres);
        qint64 maintenant = 0;
        QWidget fenetre;
        DialogueCompactage d(&fenetre, [&] { return maintenant; });
        for (int i = 0; i < instants.size(); ++i) {
            maintenant = instants[i];
            d.progression(fractions[i]);
            QCOMPARE(d.dialogue() != nullptr, visibleApres >= 0 && i >= visibleApres);
            if (d.dialogue()) {
                QVERIFY(d.dialogue()->isVisible());
                auto *barre = d.dialogue()->findChild<QProgressBar *>(QStringLiteral("BarreCompactage"));
                QVERIFY(barre);
                QCOMPARE(barre->value(), qRound(fractions[i] * 1000));
                QCOMPARE(d.dialogue()->findChild<QLabel *>()->text(), QStringLiteral("Compactage de la base de données…"));
                QCOMPARE(d.dialogue()->windowTitle(), QStringLiteral("Corvane"));
            }
        }
    }
};

CORVANE_TEST(TestFenetreMaintenance)
#include "tst_fenetre_maintenance.moc"
