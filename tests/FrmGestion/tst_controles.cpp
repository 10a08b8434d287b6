// The window as designed, before any start-up: every control's kind, caption, parent,
// visibility, font and accessible name, and the layout's properties (inside the window and its
// frame, no overlap, captions not clipped, tab order in reading order).
#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FrmGestion.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTableView>
#include <QtTest>

class TestControles : public QObject
{
    Q_OBJECT
private slots:
    void controles_data();
    void controles();
    void disposition();
    void fenetre();
    void colonnes_data();
    void colonnes();
};

namespace {
enum Police { Bouton, Normale, Date };

QString legendeDe(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *t = qobject_cast<QPlainTextEdit *>(w))
        return t->toPlainText();
    if (auto *d = qobject_cast<DataGrid *>(w))
        return d->barreLegende()->text();
    return {};
}
} // namespace

void TestControles::controles_data()
{
    QTest::addColumn<QString>("classe");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("legende");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("police");

    auto ligne = [](const char *nom, const char *classe, const char *parent, const char *legende, bool visible,
                    int police) {
        QTest::newRow(nom) << QString::fromLatin1(classe) << QString::fromLatin1(parent)
                           << QString::fromUtf8(legende) << visible << police;
    };
    ligne("Command1", "QPushButton", "FrmGestion", "Journal de ventes", true, Bouton);
    ligne("Command2", "QPushButton", "FrmGestion", "Liste télécollectes", true, Bouton);
    ligne("Label1", "QLabel", "FrmGestion", "Rechercher:", true, Normale);
    ligne("Text2", "QLineEdit", "FrmGestion", "", true, Normale);
    ligne("Frame2", "QGroupBox", "FrmGestion", "", true, Normale);
    ligne("Option1", "QRadioButton", "Frame2", "Par Date", true, Normale);
    ligne("Option3", "QRadioButton", "Frame2", "Par No Facture", true, Normale);
    ligne("Option2", "QRadioButton", "Frame2", "Par No Carte Bancaire", true, Normale);
    ligne("DataGrid1", "DataGrid", "FrmGestion", "Journal de ventes", false, Normale);
    ligne("DataGrid2", "DataGrid", "FrmGestion", "Télécolectes", false, Normale);
    ligne("Frame3", "QGroupBox", "FrmGestion", "", false, Normale);
    ligne("MonthView1", "QCalendarWidget", "Frame3", "", false, Normale);
    ligne("CmdTicket", "QPushButton", "FrmGestion", "Imprimer Ticket", true, Bouton);
    ligne("Text1", "QPlainTextEdit", "FrmGestion", "", true, Normale);
    ligne("Label3", "QLabel", "FrmGestion", "Date début", true, Normale);
    ligne("Label4", "QLabel", "FrmGestion", "Date fin", true, Normale);
    ligne("Label2(0)", "QLabel", "FrmGestion", "", true, Date);
    ligne("Label2(1)", "QLabel", "FrmGestion", "", true, Date);
    ligne("Command6(0)", "QPushButton", "FrmGestion", "", true, Bouton);
    ligne("Command6(1)", "QPushButton", "FrmGestion", "", true, Bouton);
    ligne("List1", "QListWidget", "FrmGestion", "", true, Normale);
    ligne("Command5", "QPushButton", "FrmGestion", "Ventes Journalières", true, Bouton);
    ligne("Command8", "QPushButton", "FrmGestion", "Ventes Mensuel", true, Bouton);
    ligne("Command4", "QPushButton", "FrmGestion", "Total des ventes", true, Bouton);
    ligne("Command7", "QPushButton", "FrmGestion", "Imprimer ", true, Bouton);
    ligne("Command3", "QPushButton", "FrmGestion", "Fin", true, Bouton);
    ligne("Frame1", "QGroupBox", "FrmGestion", "", false, Normale);
    static const char *const legendes[13] = {"Prix 1:", "Prix 2:", "Prix 3:", "Prix 4:", "Prix 5:",
                                             "Qté 1:", "Qté 2:", "Qté 3:", "Qté 4:", "Qté 5:",
                                             "Contenue Hopper Jeton:", "Contenue Hopper Euro:", "Contenue caisse:"};
    for (int i = 0; i < 13; ++i) {
        // Inside the hidden frame, shown with it, except the cash-box line.
        const QByteArray indice = "(" + QByteArray::number(i) + ")";
        ligne(("Label6" + indice).constData(), "QLabel", "Frame1", legendes[i], i != 12, Bouton);
        ligne(("Text4" + indice).constData(), "QLineEdit", "Frame1", "", i != 12, Normale);
    }
}

void TestControles::controles()
{
    QFETCH(QString, classe);
    QFETCH(QString, parent);
    QFETCH(QString, legende);
    QFETCH(bool, visible);
    QFETCH(int, police);

    FrmGestion f;
    const auto trouves = f.findChildren<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(trouves.size(), 1);
    QWidget *w = trouves.constFirst();
    QVERIFY(w->inherits(classe.toLatin1().constData()));
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(legendeDe(w), legende);
    // Visible at design time: not hidden itself (its frame may be).
    QCOMPARE(!w->isHidden(), visible);

    const QFont font = w->font();
    QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pointSizeF(), police == Date ? 9.75 : 8.25);
    QCOMPARE(font.bold(), police == Bouton);

    // Read by assistive technology; a grid's table, which takes the focus, carries it too.
    static const QHash<QString, QString> nomsAccessibles = {
        {"Text2", "Rechercher"}, {"Text1", "Ticket"}, {"List1", "Rapport"}, {"DataGrid1", "Journal de ventes"},
        {"DataGrid2", "Télécolectes"}, {"Label2(0)", "Date début"}, {"Label2(1)", "Date fin"},
        {"Command6(0)", "Choisir la date de début"}, {"Command6(1)", "Choisir la date de fin"},
        {"MonthView1", "Calendrier"}};
    QCOMPARE(w->accessibleName(), nomsAccessibles.value(w->objectName()));
    if (auto *grille = qobject_cast<DataGrid *>(w))
        QCOMPARE(grille->table()->accessibleName(), w->accessibleName());
}

// Every control not hidden lies inside its parent, overlaps no sibling, shows its whole
// caption, and the tab key visits the window's controls in reading order.
void TestControles::disposition()
{
    FrmGestion f;
    const auto controles = f.findChildren<QWidget *>(QRegularExpression(QStringLiteral("^((Command|Label|Text|Frame|Option|List|DataGrid|MonthView)\\d+(\\(\\d+\\))?|CmdTicket)$")));
    QVERIFY(controles.size() > 50);
    for (QWidget *w : controles) {
        if (w->isHidden())
            continue;
        const QString nom = w->objectName();
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(nom));
        // Twips rounded to pixels may meet on one pixel row (Label1 above Text2), no more.
        for (QWidget *autre : controles) {
            const QRect commun = w->geometry() & autre->geometry();
            if (autre != w && !autre->isHidden() && autre->parentWidget() == w->parentWidget())
                QVERIFY2(commun.width() <= 1 || commun.height() <= 1, qPrintable(nom + QLatin1Char('/') + autre->objectName()));
        }
        const QString legende = legendeDe(w);
        if (legende.isEmpty() || qobject_cast<QLineEdit *>(w) || qobject_cast<QPlainTextEdit *>(w))
            continue;
        int largeur = w->fontMetrics().horizontalAdvance(legende.trimmed());
        if (qobject_cast<QRadioButton *>(w))
            largeur += w->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth)
                       + w->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        QVERIFY2(largeur <= w->width(), qPrintable(nom + QStringLiteral(": ") + QString::number(largeur)));
    }

    QStringList ordre;
    QWidget *w = f.findChild<QWidget *>(QStringLiteral("Command1"));
    do {
        if (!w->isHidden() && (w->focusPolicy() & Qt::TabFocus) && w->parentWidget() == &f)
            ordre << w->objectName();
        w = w->nextInFocusChain();
    } while (w->objectName() != QLatin1String("Command1"));
    QCOMPARE(ordre, (QStringList{"Command1", "Command2", "Text2", "CmdTicket", "Text1", "Command6(0)", "Command6(1)",
                                 "List1", "Command5", "Command8", "Command4", "Command7", "Command3"}));
}

void TestControles::fenetre()
{
    FrmGestion f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Gestion"));
    QCOMPARE(f.size(), QSize(912, 743));
    QVERIFY(f.Option1->isChecked() && !f.Option2->isChecked() && !f.Option3->isChecked());

    // The data sources are never visible: not widgets at all.
    for (const char *nom : {"Adodc1", "Adodc2", "Adodc3"})
        QVERIFY(!f.findChild<DataSource *>(QLatin1String(nom))->isWidgetType());

    for (QLabel *date : f.Label2) {
        QVERIFY(date->autoFillBackground());
        QCOMPARE(date->palette().color(date->backgroundRole()), QColor(Qt::white));
    }
    for (QPushButton *bouton : f.Command6) {
        QCOMPARE(bouton->iconSize(), QSize(24, 22));
        QVERIFY(!bouton->icon().pixmap(QSize(24, 22)).isNull());
    }
    QCOMPARE(f.MonthView1->selectedDate(), QDate(2008, 1, 22));
    QCOMPARE(f.MonthView1->minimumDate(), QDate(1753, 1, 1));
    QCOMPARE(f.MonthView1->maximumDate(), QDate(9999, 12, 31));
    // Open, the calendar's frame hides the ticket box and the grids behind it.
    QVERIFY(f.Frame3->autoFillBackground());
    QVERIFY(f.Text1->isReadOnly());
    QCOMPARE(f.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestControles::colonnes_data()
{
    QTest::addColumn<QString>("grille");
    QTest::addColumn<QStringList>("legendes");
    QTest::addColumn<QList<int>>("largeurs");       // twips

    QTest::newRow("journal") << QStringLiteral("DataGrid1")
        << QStringList{"No Facture", "Date", "Montant", "Type Paiement", "No Carte Bancaire", "Nb Jeton", "Payé", "Rendu"}
        << QList<int>{1020, 1485, 930, 1410, 1605, 900, 1020, 1515};
    QTest::newRow("télécollectes") << QStringLiteral("DataGrid2") << QStringList{"Date"} << QList<int>{1950};
}

void TestControles::colonnes()
{
    QFETCH(QString, grille);
    QFETCH(QStringList, legendes);
    QFETCH(QList<int>, largeurs);

    FrmGestion f;
    QTableView *table = f.findChild<DataGrid *>(grille)->table();
    QAbstractItemModel *modele = table->model();
    QCOMPARE(modele->columnCount(), legendes.size());
    for (int i = 0; i < legendes.size(); ++i) {
        QCOMPARE(modele->headerData(i, Qt::Horizontal).toString(), legendes.at(i));
        QCOMPARE(table->columnWidth(i), qRound(largeurs.at(i) / 15.0));
    }
    // Read-only, and a header click never sorts by itself nor shows an arrow.
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!table->isSortingEnabled());
    QVERIFY(!table->horizontalHeader()->isSortIndicatorShown());
}

CORVANE_TEST(TestControles)
#include "tst_controles.moc"
