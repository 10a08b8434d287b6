// The period picked on the calendar, with the mouse and the keyboard.
#include "tst_recherche.h"

#include "FenetreRecherche.h"

#include "shared/Plateforme.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

namespace {

QTableView *vueJours(FrmGestion &f)
{
    return f.MonthView1->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
}

void cliquerBouton(QPushButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

// Shows the day's month (as the operator scrolls to it) and clicks the day's cell.
bool cliquerJour(FrmGestion &f, QDate jour)
{
    f.MonthView1->setCurrentPage(jour.year(), jour.month());
    QTableView *vue = vueJours(f);
    QAbstractItemModel *m = vue->model();
    // Row-major, the first cell showing 1 is the month's first day (the days
    // of the previous month before it are all above 20).
    int decalage = -1;
    for (int ligne = 0; ligne < m->rowCount(); ++ligne)
        for (int colonne = 0; colonne < m->columnCount(); ++colonne) {
            const QModelIndex i = m->index(ligne, colonne);
            if (decalage < 0 && i.data().toInt() == 1)
                decalage = 0;
            if (decalage >= 0 && decalage++ == jour.day() - 1) {
                if (i.data().toInt() != jour.day())
                    return false;
                QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->visualRect(i).center());
                return true;
            }
        }
    return false;
}

struct Geste
{
    QList<int> boutons;   // Command6 buttons clicked, in order
    QDate jour;           // then this day clicked
};

} // namespace

Q_DECLARE_METATYPE(Geste)

void TestPeriode::avantToutChoix()
{
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    QCOMPARE(r.f.Label2[0]->text(), QString());
    QCOMPARE(r.f.Label2[1]->text(), QString());
    QVERIFY(!r.f.DateDebut.has_value());
    QCOMPARE(r.f.DateFin, QString());
    QVERIFY(!r.f.ChoixDate.has_value());
    QVERIFY(r.f.Frame3->isHidden());
    QVERIFY(r.f.MonthView1->isHidden());
}

void TestPeriode::choix_data()
{
    QTest::addColumn<QList<Geste>>("gestes");
    QTest::addColumn<QString>("debut");
    QTest::addColumn<QString>("fin");

    const QDate mars5(2024, 3, 5), mars31(2024, 3, 31);
    QTest::newRow("début") << QList<Geste>{{{0}, mars5}} << "05/03/2024" << "";
    QTest::newRow("fin") << QList<Geste>{{{1}, mars31}} << "" << "31/03/2024";
    QTest::newRow("début puis fin") << QList<Geste>{{{0}, mars5}, {{1}, mars31}} << "05/03/2024" << "31/03/2024";
    // While the calendar is open, the last button clicked decides.
    QTest::newRow("début puis fin, ouvert") << QList<Geste>{{{0, 1}, mars5}} << "" << "05/03/2024";
    QTest::newRow("fin puis début, ouvert") << QList<Geste>{{{1, 0}, mars5}} << "05/03/2024" << "";
    QTest::newRow("fin avant le début") << QList<Geste>{{{0}, mars31}, {{1}, mars5}} << "31/03/2024" << "05/03/2024";
    QTest::newRow("repris") << QList<Geste>{{{0}, mars5}, {{0}, mars31}} << "31/03/2024" << "";
    QTest::newRow("bornes") << QList<Geste>{{{0}, QDate(1753, 1, 1)}, {{1}, QDate(9999, 12, 31)}}
                            << "01/01/1753" << "31/12/9999";
}

void TestPeriode::choix()
{
    QFETCH(QList<Geste>, gestes);
    QFETCH(QString, debut);
    QFETCH(QString, fin);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());

    for (const Geste &g : gestes) {
        for (int b : g.boutons) {
            cliquerBouton(r.f.Command6[std::size_t(b)]);
            QVERIFY(r.f.Frame3->isVisible());
            QVERIFY(r.f.MonthView1->isVisible());
            QCOMPARE(r.f.ChoixDate, std::optional<int>(b));
        }
        QVERIFY(cliquerJour(r.f, g.jour));
        QVERIFY(r.f.Frame3->isHidden());
        QVERIFY(r.f.MonthView1->isHidden());
    }

    QCOMPARE(r.f.Label2[0]->text(), debut);
    QCOMPARE(r.f.Label2[1]->text(), fin);
    QCOMPARE(r.f.DateFin, fin);
    if (debut.isEmpty()) {
        QVERIFY(!r.f.DateDebut.has_value());
    } else {
        QVERIFY(r.f.DateDebut.has_value());
        QCOMPARE(r.f.DateDebut->date(), QDate::fromString(debut, QStringLiteral("dd/MM/yyyy")));
        QCOMPARE(r.f.DateDebut->secondsOfDay(), 0);
    }
}

void TestPeriode::sansClicRienNEstRetenu_data()
{
    QTest::addColumn<QString>("geste");
    QTest::newRow("flèches") << "flèches";
    QTest::newRow("Entrée") << "Entrée";
    QTest::newRow("page suivante") << "page suivante";
    QTest::newRow("mois suivant") << "mois suivant";
    QTest::newRow("molette") << "molette";
    QTest::newRow("clic droit") << "clic droit";
}

void TestPeriode::sansClicRienNEstRetenu()
{
    // Moving the selection with the keyboard or scrolling the months stores
    // nothing and leaves the calendar open.
    QFETCH(QString, geste);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    cliquerBouton(r.f.Command6[0]);
    QTableView *vue = vueJours(r.f);
    vue->setFocus();

    if (geste == QLatin1String("flèches")) {
        QTest::keyClick(vue, Qt::Key_Right);
        QTest::keyClick(vue, Qt::Key_Down);
        QCOMPARE(r.f.MonthView1->selectedDate(), QDate(2008, 1, 30));
    } else if (geste == QLatin1String("Entrée")) {
        QTest::keyClick(vue, Qt::Key_Right);
        QTest::keyClick(vue, Qt::Key_Return);
    } else if (geste == QLatin1String("page suivante")) {
        QTest::keyClick(vue, Qt::Key_PageDown);
        QCOMPARE(r.f.MonthView1->monthShown(), 2);
    } else if (geste == QLatin1String("mois suivant")) {
        auto *suivant = r.f.MonthView1->findChild<QToolButton *>(QStringLiteral("qt_calendar_nextmonth"));
        QVERIFY(suivant);
        QTest::mouseClick(suivant, Qt::LeftButton);
        QCOMPARE(r.f.MonthView1->monthShown(), 2);
    } else if (geste == QLatin1String("molette")) {
        const QPointF centre = QRectF(vue->viewport()->rect()).center();
        QWheelEvent molette(centre, vue->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vue->viewport(), &molette);
        QCOMPARE(r.f.MonthView1->monthShown(), 2);
    } else {
        const QModelIndex i = vue->model()->index(3, 3);
        QTest::mouseClick(vue->viewport(), Qt::RightButton, {}, vue->visualRect(i).center());
    }

    QCOMPARE(r.f.Label2[0]->text(), QString());
    QVERIFY(!r.f.DateDebut.has_value());
    QVERIFY(r.f.MonthView1->isVisible());
    QVERIFY(r.f.Frame3->isVisible());
}

void TestPeriode::rouvreSurLeDernierJour()
{
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    cliquerBouton(r.f.Command6[1]);
    QCOMPARE(r.f.MonthView1->selectedDate(), QDate(2008, 1, 22));
    QCOMPARE(r.f.MonthView1->yearShown(), 2008);
    QCOMPARE(r.f.MonthView1->monthShown(), 1);
    QCOMPARE(r.f.MonthView1->minimumDate(), QDate(1753, 1, 1));
    QCOMPARE(r.f.MonthView1->maximumDate(), QDate(9999, 12, 31));

    QVERIFY(cliquerJour(r.f, QDate(2024, 3, 5)));
    cliquerBouton(r.f.Command6[0]);
    QCOMPARE(r.f.MonthView1->selectedDate(), QDate(2024, 3, 5));
    QCOMPARE(r.f.MonthView1->yearShown(), 2024);
    QCOMPARE(r.f.MonthView1->monthShown(), 3);
}

void TestPeriode::calendrierEnFrancais()
{
    // French month names even when the system's regional settings are English.
    const QLocale anglais(QLocale::English, QLocale::UnitedStates);
    for (const QLocale &systeme : {QLocale(QLocale::French, QLocale::France), anglais}) {
        Plateforme::definirLocaleSysteme(systeme);
        QLocale::setDefault(systeme);
        FrmGestion f;
        Plateforme::definirLocaleSysteme(QLocale(QLocale::French, QLocale::France));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        auto *mois = f.MonthView1->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
        QVERIFY(mois);
        QCOMPARE(mois->text(), QStringLiteral("janvier"));
        QCOMPARE(f.MonthView1->firstDayOfWeek(), Qt::Monday);
    }
}
