// The period picked on the calendar, with the mouse and the keyboard.

#include "TestSupport.h"
#include "FenetreRecherche.h"

#include "shared/Plateforme.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestPeriode : public QObject
{
    Q_OBJECT
private slots:
    void choix_data();
    void choix();
    void calendrierEnFrancais();
    void anneeSurQuatreChiffres_data();
    void anneeSurQuatreChiffres();
};

namespace {

void cliquerBouton(QPushButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

// A mouse click on the day's cell, as the calendar reports it.
void cliquerJour(FrmGestion &f, QDate jour)
{
    f.MonthView1->setSelectedDate(jour);
    Q_EMIT f.MonthView1->clicked(jour);
}

} // namespace

void TestPeriode::choix_data()
{
    QTest::addColumn<QStringList>("gestes");   // "0", "1": that Command6 button; else the day clicked
    QTest::addColumn<QString>("debut");
    QTest::addColumn<QString>("fin");

    QTest::newRow("début puis fin") << QStringList{"0", "2024-03-05", "1", "2024-03-31"} << "05/03/2024"
                                    << "31/03/2024";
    // While the calendar is open, the last button clicked decides.
    QTest::newRow("début puis fin, ouvert") << QStringList{"0", "1", "2024-03-05"} << "" << "05/03/2024";
    QTest::newRow("bornes") << QStringList{"0", "1753-01-01", "1", "9999-12-31"} << "01/01/1753" << "31/12/9999";
}

void TestPeriode::choix()
{
    QFETCH(QStringList, gestes);
    QFETCH(QString, debut);
    QFETCH(QString, fin);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());

    for (const QString &geste : gestes) {
        if (geste.size() > 1) {
            cliquerJour(r.f, QDate::fromString(geste, Qt::ISODate));
            continue;
        }
        cliquerBouton(r.f.Command6[geste.toUInt()]);
        QVERIFY(r.f.Frame3->isVisible());
        QVERIFY(r.f.MonthView1->isVisible());
        // Raised: the frame hides the ticket box and the grids behind it.
        QCOMPARE(r.f.children().constLast(), r.f.Frame3);
        QCOMPARE(r.f.ChoixDate, std::optional<int>(geste.toInt()));
    }
    QVERIFY(r.f.Frame3->isHidden());
    QVERIFY(r.f.MonthView1->isHidden());

    QCOMPARE(r.f.Label2[0]->text(), debut);
    QCOMPARE(r.f.Label2[1]->text(), fin);
    QCOMPARE(r.f.DateFin, fin);
    // Assistive technology reads which date each box is, and the date it shows.
    for (const auto &[boite, nom, date] : {std::tuple(r.f.Label2[0], "Date début", debut),
                                           std::tuple(r.f.Label2[1], "Date fin", fin)}) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(boite);
        QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(nom));
        QCOMPARE(a->text(QAccessible::Description), date);
    }
    if (debut.isEmpty()) {
        QVERIFY(!r.f.DateDebut.has_value());
    } else {
        QVERIFY(r.f.DateDebut.has_value());
        QCOMPARE(r.f.DateDebut->date(), QDate::fromString(debut, QStringLiteral("dd/MM/yyyy")));
        QCOMPARE(r.f.DateDebut->secondsOfDay(), 0);
    }
}

void TestPeriode::calendrierEnFrancais()
{
    // French month names even when the system's regional settings are English.
    const QLocale anglais(QLocale::English, QLocale::UnitedStates);
    Plateforme::definirLocaleSysteme(anglais);
    QLocale::setDefault(anglais);
    FrmGestion f;
    TestSupport::epinglerFrancais();
    QCOMPARE(f.MonthView1->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"))->text(),
             QStringLiteral("janvier"));
    QCOMPARE(f.MonthView1->firstDayOfWeek(), Qt::Monday);
}

void TestPeriode::anneeSurQuatreChiffres_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("annee");            // from its first day to its last
    QTest::addColumn<QStringList>("textes");   // Label2(0) and Label2(1)
    QTest::addColumn<QStringList>("lignes");   // the daily report's period and day lines

    // Short dates with a two-digit year: d/MM/yy and M/d/yy.
    const QLocale be(QLocale::French, QLocale::Belgium), us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("fr_BE 2030") << be << 2030 << QStringList{"1/01/2030", "31/12/2030"}
                                << QStringList{"Du 01/01/30 au 31/12/30", "15/06/30\tCB:     \t| 1\t\t| 10,00 EUR"};
    QTest::newRow("fr_BE 1930") << be << 1930 << QStringList{"1/01/1930", "31/12/1930"}
                                << QStringList{"Du 01/01/30 au 31/12/30", "10/03/30\tCB:     \t| 1\t\t| 5,00 EUR"};
    QTest::newRow("en_US 2030") << us << 2030 << QStringList{"1/1/2030", "12/31/2030"}
                                << QStringList{"Du 01/01/30 au 31/12/30", "15/06/30\tCB:     \t| 1\t\t| 10.00 EUR"};
    QTest::newRow("en_US 1930") << us << 1930 << QStringList{"1/1/1930", "12/31/1930"}
                                << QStringList{"Du 01/01/30 au 31/12/30", "10/03/30\tCB:     \t| 1\t\t| 5.00 EUR"};
}

void TestPeriode::anneeSurQuatreChiffres()
{
    // Dates the program writes and reads back keep their century; the report
    // lines keep their own two-digit formats.
    QFETCH(QLocale, locale);
    QFETCH(int, annee);
    QFETCH(QStringList, textes);
    QFETCH(QStringList, lignes);
    QLocale::setDefault(locale);
    Plateforme::definirLocaleSysteme(locale);
    const auto remettre = qScopeGuard(TestSupport::epinglerFrancais);
    FenetreRecherche r(QStringLiteral(
        "INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, Rendu, Ticket) VALUES"
        " (8, '1930-03-10 10:00:00', 6, 1.2, 2, 1, '1', 6, 0, 'Vente 8'),"
        " (9, '2030-06-15 10:00:00', 12, 1.2, 2, 1, '2', 12, 0, 'Vente 9');"));
    QVERIFY(r.ouvrir());

    cliquerBouton(r.f.Command6[0]);
    cliquerJour(r.f, QDate(annee, 1, 1));
    cliquerBouton(r.f.Command6[1]);
    cliquerJour(r.f, QDate(annee, 12, 31));
    QCOMPARE(QStringList({r.f.Label2[0]->text(), r.f.Label2[1]->text()}), textes);

    cliquerBouton(r.f.Command5);
    QCOMPARE(r.f.List1->count(), 8);
    QCOMPARE(QStringList({r.f.List1->item(2)->text(), r.f.List1->item(6)->text()}), lignes);

    // The date search's criterion: from sale 8 (1930) in invoice order, the
    // first sale of 2030 or later.
    r.f.DataGrid1_HeadClick(0);
    QVERIFY(r.allerAVente(8));
    r.f.Text2->setText(QStringLiteral("01/01/2030"));
    QCOMPARE(r.venteCourante(), 9);
}

CORVANE_TEST(TestPeriode)
#include "tst_periode.moc"
