// The journal and card-batch views: grids, ticket box, header-click sort, the cells' display format.

#include "Kiosque.h"
#include "TestSupport.h"

#include "FrmGestion/DataGrid.h"
#include "FrmGestion/FormatAffichage.h"
#include "FrmGestion/FrmGestion.h"

#include <QAbstractItemModelTester>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTableView>
#include <QtTest>
#include <limits>

class TestVues : public QObject
{
    Q_OBJECT
private slots:
    void cellules();
    void grillesEtEnregistrements();
    void triEntete_data();
    void triEntete();
    void modelesEtParametres();
    void texteAffiche_data();
    void texteAffiche();
};

namespace {

QString ticket(FrmGestion &f)
{
    return f.Text1->toPlainText();
}

QList<int> ordreJournal(FrmGestion &f)
{
    QList<int> numeros;
    QAbstractItemModel *m = tableJournal(f)->model();
    for (int i = 0; i < m->rowCount(); ++i)
        numeros << m->index(i, 0).data().toInt();
    return numeros;
}

void cliquerEntete(QTableView *table, int colonne)
{
    QHeaderView *entete = table->horizontalHeader();
    const QPoint centre(entete->sectionViewportPosition(colonne) + entete->sectionSize(colonne) / 2,
                        entete->height() / 2);
    QTest::mouseClick(entete->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

void TestVues::cellules()
{
    Kiosque k;
    FrmGestion f;
    f.Form_Load();
    const auto ligne = [](QTableView *table, int numero, int role) {
        QStringList valeurs;
        for (int colonne = 0; colonne < table->model()->columnCount(); ++colonne) {
            const QVariant v = table->model()->index(numero, colonne).data(role);
            const int horizontal = int(v.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask);
            valeurs << (role == Qt::DisplayRole ? v.toString() : QString::number(horizontal));
        }
        return valeurs;
    };
    QCOMPARE(ligne(tableJournal(f), 0, Qt::DisplayRole),
             (QStringList{"3", "01/03/2026", "3,20 €", "2", "5132000011112222", "1", "3,20 €", "0,00 €"}));
    QCOMPARE(ligne(tableJournal(f), 1, Qt::DisplayRole),
             (QStringList{"2", "10/02/2026 14:00:00", "1\u00a0234,50 €", "1", "", "3", "1\u00a0240,00 €", "5,50 €"}));
    const QString g = QString::number(Qt::AlignLeft), d = QString::number(Qt::AlignRight);
    QCOMPARE(ligne(tableJournal(f), 0, Qt::TextAlignmentRole),
             (QStringList{g, g, d, g, g, QString::number(Qt::AlignHCenter), d, d}));
    QCOMPARE(ligne(tableTelecollectes(f), 0, Qt::DisplayRole), QStringList{"11/02/2026 02:00:00"});
    QCOMPARE(ligne(tableTelecollectes(f), 0, Qt::TextAlignmentRole), QStringList{g});

    // Every value of both grids can be read whole: it fits its column with the
    // grid's font, or the cell's tooltip holds it.
    for (QTableView *table : {tableJournal(f), tableTelecollectes(f)}) {
        const int marges = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        const QAbstractItemModel *m = table->model();
        for (int ligne = 0; ligne < m->rowCount(); ++ligne)
            for (int colonne = 0; colonne < m->columnCount(); ++colonne) {
                const QModelIndex i = m->index(ligne, colonne);
                const QString texte = i.data().toString();
                if (table->fontMetrics().horizontalAdvance(texte) + marges > table->columnWidth(colonne))
                    QCOMPARE(i.data(Qt::ToolTipRole).toString(), texte);
            }
    }
}

void TestVues::grillesEtEnregistrements()
{
    Kiosque k;
    FrmGestion f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTableView *table = tableJournal(f);

    // The grid moves the record set...
    table->setCurrentIndex(table->model()->index(1, 3));
    QCOMPARE(f.RsVentes.absolutePosition(), 1);
    QCOMPARE(ticket(f), QStringLiteral("Vente 2"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QCOMPARE(f.RsVentes.field(QStringLiteral("NoVente")).toInteger(), 1);
    QCOMPARE(ticket(f), QStringLiteral("Vente 1\nCarte"));

    f.Text2->setText(QStringLiteral("12"));
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QVERIFY(!f.Frame2->isVisible());
    QVERIFY(f.DataGrid2->isVisible());
    QVERIFY(!f.DataGrid1->isVisible());
    QVERIFY(f.Text2->text().isEmpty());
    QCOMPARE(ticket(f), QStringLiteral("Télécollecte 2"));
    f.RsTelecollectes.moveTo(1);
    QCOMPARE(ticket(f), QStringLiteral("Télécollecte 1"));
    QCOMPARE(tableTelecollectes(f)->currentIndex().row(), 1);
    // Moving the journal while it is not shown leaves the ticket alone.
    f.RsVentes.moveTo(2);
    QCOMPARE(ticket(f), QStringLiteral("Télécollecte 1"));

    // Each view comes back on its own record, however often it is shown.
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QVERIFY(f.Frame2->isVisible());
    QVERIFY(f.DataGrid1->isVisible());
    QVERIFY(!f.DataGrid2->isVisible());
    QCOMPARE(table->currentIndex().row(), 2);
    QCOMPARE(ticket(f), QStringLiteral("Vente 1\nCarte"));

    // ...and the grid follows the record set, to no row at end of file.
    f.RsVentes.moveTo(3);
    QCOMPARE(table->currentIndex().row(), 3);
    QVERIFY(table->selectionModel()->isRowSelected(3, {}));
    QCOMPARE(ticket(f), QStringLiteral("Vente 4"));
    f.RsVentes.moveTo(f.RsVentes.recordCount());
    QVERIFY(!table->selectionModel()->hasSelection());
    QCOMPARE(ticket(f), QString());
}

void TestVues::triEntete_data()
{
    QTest::addColumn<int>("colonne");
    QTest::addColumn<QList<int>>("ordre");
    QTest::addColumn<QString>("tri");
    QTest::newRow("No Facture") << 0 << QList<int>{1, 2, 3, 4} << "NoVente";
    QTest::newRow("Date") << 1 << QList<int>{4, 1, 2, 3} << "Date";
    QTest::newRow("Rendu") << 7 << QList<int>{3, 1, 4, 2} << "Rendu";
    // No such field: the failure is ignored, the order stays.
    QTest::newRow("au-delà des champs") << 9 << QList<int>{3, 2, 1, 4} << "";
    QTest::newRow("négative") << -1 << QList<int>{3, 2, 1, 4} << "";
}

void TestVues::triEntete()
{
    QFETCH(int, colonne);
    QFETCH(QList<int>, ordre);
    QFETCH(QString, tri);
    Kiosque k;
    FrmGestion f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTableView *table = tableJournal(f);
    QCOMPARE(ordreJournal(f), (QList<int>{3, 2, 1, 4}));

    // The same header twice: ascending both times, no toggle.
    for (int clic = 0; clic < 2; ++clic) {
        if (colonne >= 0 && colonne < table->model()->columnCount())
            cliquerEntete(table, colonne);
        else
            f.DataGrid1_HeadClick(colonne);
        QCOMPARE(ordreJournal(f), ordre);
        QCOMPARE(f.RsVentes.sort(), tri);
        // The current sale stays current, in its new place.
        QCOMPARE(f.RsVentes.field(QStringLiteral("NoVente")).toInteger(), 3);
        QCOMPARE(table->currentIndex().row(), int(ordre.indexOf(3)));
        QCOMPARE(ticket(f), QStringLiteral("Vente 3\nMerci"));
    }
    QVERIFY(!table->horizontalHeader()->isSortIndicatorShown());
}

void TestVues::modelesEtParametres()
{
    Kiosque k;
    FrmGestion f;
    // Attached before the start-up, so they see every change the run makes.
    QAbstractItemModelTester journal(tableJournal(f)->model(),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester telecollectes(tableTelecollectes(f)->model(),
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    // The parameters panel, never shown, is bound all the same.
    const QStringList parametres = {"1,50 €", "2,00 €", "2,50 €", "3,00 €", "3,50 €", "1", "2", "3", "4", "5",
                                    "100", "200", "55,30 €"};
    for (std::size_t i = 0; i < f.Text4.size(); ++i)
        QCOMPARE(f.Text4[i]->text(), parametres.at(qsizetype(i)));

    const QPersistentModelIndex vente2 = tableJournal(f)->model()->index(1, 0);
    QCOMPARE(vente2.data().toInt(), 2);
    for (int colonne : {2, 0, 7, 42}) {
        f.DataGrid1_HeadClick(colonne);
        QCOMPARE(vente2.data().toInt(), 2); // a persistent index follows its sale
    }
    f.RsVentes.moveTo(3);
    f.Command2_Click();
    f.RsTelecollectes.moveTo(1);
    f.Command1_Click();
    f.close();
    f.RsVentes.close();
    f.RsTelecollectes.close();
    QCOMPARE(tableJournal(f)->model()->rowCount(), 0);
    QCOMPARE(tableTelecollectes(f)->model()->rowCount(), 0);
}

Q_DECLARE_METATYPE(Value)

void TestVues::texteAffiche_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<Value>("valeur");
    QTest::addColumn<QString>("texte");
    const int tel = int(FormatChamp::TelQuel), mon = int(FormatChamp::Monetaire), ent = int(FormatChamp::Entier);
    // The currency format, on currency values (French grouping by a no-break space).
    const auto monnaie = [mon](const char *nom, qint64 dixMilliemes, const char *texte) {
        QTest::newRow(nom) << mon << Value(Currency{dixMilliemes}) << QString::fromUtf8(texte);
    };
    monnaie("sans groupe", 9999900, "999,99 €");
    monnaie("un groupe", 12345000, "1\u00a0234,50 €");
    monnaie("négatif", -12345000, "-1\u00a0234,50 €");
    monnaie("demi-centime vers le haut", 50, "0,01 €");
    monnaie("sous le demi-centime", 49, "0,00 €");
    monnaie("négatif arrondi à zéro", -49, "0,00 €");
    monnaie("le plus petit", std::numeric_limits<qint64>::min(), "-922\u00a0337\u00a0203\u00a0685\u00a0477,58 €");
    QTest::newRow("Null monétaire") << mon << Value() << "";
    QTest::newRow("réel monétaire") << mon << Value(2.5) << "2,50 €";
    QTest::newRow("texte dans une colonne monétaire") << mon << Value("abc") << "abc";
    QTest::newRow("entier arrondi") << ent << Value(2.5) << "3";
    QTest::newRow("entier négatif arrondi") << ent << Value(-2.5) << "-3";
    QTest::newRow("tel quel") << tel << Value(42) << "42";
}

void TestVues::texteAffiche()
{
    QFETCH(int, format);
    QFETCH(Value, valeur);
    QFETCH(QString, texte);
    QCOMPARE(TexteAffiche(valeur, FormatChamp(format)), texte);
}

CORVANE_TEST(TestVues)
#include "tst_vues.moc"
