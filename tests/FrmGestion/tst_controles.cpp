// The window as designed, before any start-up: every control's kind, caption,
// parent, position, font, visibility and accessible name.
#include "tst_fenetre.h"

#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FrmGestion.h"

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
#include <QTableView>
#include <QtTest>

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
    QTest::addColumn<QRect>("twips");   // left, top, width, height
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("police");

    auto ligne = [](const char *nom, const char *classe, const char *parent, const char *legende,
                    int x, int y, int l, int h, bool visible, int police) {
        QTest::newRow(nom) << QString::fromLatin1(classe) << QString::fromLatin1(parent)
                           << QString::fromUtf8(legende) << QRect(x, y, l, h) << visible << police;
    };
    ligne("Command1", "QPushButton", "FrmGestion", "Journal de ventes", 0, 120, 1692, 372, true, Bouton);
    ligne("Command2", "QPushButton", "FrmGestion", "Liste télécollectes", 1800, 120, 1692, 372, true, Bouton);
    ligne("Label1", "QLabel", "FrmGestion", "Rechercher:", 3600, 0, 2172, 252, true, Normale);
    ligne("Text2", "QLineEdit", "FrmGestion", "", 3600, 240, 2772, 288, true, Normale);
    ligne("Frame2", "QGroupBox", "FrmGestion", "", 6480, 120, 5412, 372, true, Normale);
    ligne("Option1", "QRadioButton", "Frame2", "Par Date", 120, 75, 1215, 255, true, Normale);
    ligne("Option3", "QRadioButton", "Frame2", "Par No Facture", 1440, 75, 1455, 255, true, Normale);
    ligne("Option2", "QRadioButton", "Frame2", "Par No Carte Bancaire", 3000, 75, 2295, 255, true, Normale);
    ligne("DataGrid1", "DataGrid", "FrmGestion", "Journal de ventes", 0, 600, 10092, 6972, false, Normale);
    ligne("DataGrid2", "DataGrid", "FrmGestion", "Télécolectes", 0, 600, 2532, 6972, false, Normale);
    ligne("Frame3", "QGroupBox", "FrmGestion", "", 0, 600, 13455, 6975, false, Normale);
    ligne("MonthView1", "QCalendarWidget", "Frame3", "", 120, 240, 11910, 6660, false, Normale);
    ligne("CmdTicket", "QPushButton", "FrmGestion", "Imprimer Ticket", 10080, 600, 1692, 360, true, Bouton);
    ligne("Text1", "QPlainTextEdit", "FrmGestion", "", 10080, 960, 3372, 6612, true, Normale);
    ligne("Label3", "QLabel", "FrmGestion", "Date début", 120, 7800, 1215, 255, true, Normale);
    ligne("Label4", "QLabel", "FrmGestion", "Date fin", 120, 8640, 1215, 255, true, Normale);
    ligne("Label2(0)", "QLabel", "FrmGestion", "", 120, 8040, 1335, 375, true, Date);
    ligne("Label2(1)", "QLabel", "FrmGestion", "", 120, 8880, 1335, 375, true, Date);
    ligne("Command6(0)", "QPushButton", "FrmGestion", "", 1560, 8040, 372, 372, true, Bouton);
    ligne("Command6(1)", "QPushButton", "FrmGestion", "", 1560, 8880, 372, 372, true, Bouton);
    ligne("List1", "QListWidget", "FrmGestion", "", 2160, 7800, 9480, 3180, true, Normale);
    ligne("Command5", "QPushButton", "FrmGestion", "Ventes Journalières", 11760, 7800, 1692, 492, true, Bouton);
    ligne("Command8", "QPushButton", "FrmGestion", "Ventes Mensuel", 11760, 8400, 1692, 492, true, Bouton);
    ligne("Command4", "QPushButton", "FrmGestion", "Total des ventes", 11760, 9000, 1692, 492, true, Bouton);
    ligne("Command7", "QPushButton", "FrmGestion", "Imprimer ", 11760, 9600, 1692, 492, true, Bouton);
    ligne("Command3", "QPushButton", "FrmGestion", "Fin", 11760, 10200, 1692, 492, true, Bouton);
    ligne("Frame1", "QGroupBox", "FrmGestion", "", 11760, 7680, 3852, 3492, false, Normale);
    static const char *const legendes[13] = {"Prix 1:", "Prix 2:", "Prix 3:", "Prix 4:", "Prix 5:",
                                             "Qté 1:", "Qté 2:", "Qté 3:", "Qté 4:", "Qté 5:",
                                             "Contenue Hopper Jeton:", "Contenue Hopper Euro:", "Contenue caisse:"};
    for (int i = 0; i < 13; ++i) {
        const bool prix = i < 5, quantite = i >= 5 && i < 10;
        const int haut = prix ? 360 + 360 * i : quantite ? 360 + 360 * (i - 5) : 2280 + 360 * (i - 10);
        const int gaucheLegende = quantite ? 2280 : 240;
        const int gaucheBoite = prix ? 960 : quantite ? 3000 : 2400;
        const QByteArray label = "Label6(" + QByteArray::number(i) + ")";
        const QByteArray text = "Text4(" + QByteArray::number(i) + ")";
        const int largeurLegende = i < 10 ? 720 : 2160;
        const int largeurBoite = prix ? 1095 : quantite ? 735 : 1335;
        // Inside the hidden frame, shown with it, except the cash-box line.
        QTest::newRow(label.constData()) << QStringLiteral("QLabel") << QStringLiteral("Frame1")
                                         << QString::fromUtf8(legendes[i])
                                         << QRect(gaucheLegende, haut, largeurLegende, 255) << (i != 12) << int(Bouton);
        QTest::newRow(text.constData()) << QStringLiteral("QLineEdit") << QStringLiteral("Frame1") << QString()
                                        << QRect(gaucheBoite, haut, largeurBoite, 285) << (i != 12) << int(Normale);
    }
}

void TestControles::controles()
{
    QFETCH(QString, classe);
    QFETCH(QString, parent);
    QFETCH(QString, legende);
    QFETCH(QRect, twips);
    QFETCH(bool, visible);
    QFETCH(int, police);

    FrmGestion f;
    const QString nom = QString::fromLatin1(QTest::currentDataTag());
    const auto trouves = f.findChildren<QWidget *>(nom);
    QCOMPARE(trouves.size(), 1);
    QWidget *w = trouves.constFirst();
    QVERIFY2(w->inherits(classe.toLatin1().constData()), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(legendeDe(w), legende);
    auto px = [](int t) { return qRound(t / 15.0); };
    QCOMPARE(w->geometry(), QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
    // Visible at design time: not hidden itself (its frame may be).
    QCOMPARE(!w->isHidden(), visible);

    const QFont font = w->font();
    QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pointSizeF(), police == Date ? 9.75 : 8.25);
    QCOMPARE(font.bold(), police == Bouton);
}

void TestControles::fenetre()
{
    FrmGestion f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Gestion"));
    QCOMPARE(f.size(), QSize(912, 743));
    QCOMPARE(f.findChild<QRadioButton *>(QStringLiteral("Option1"))->isChecked(), true);
    QCOMPARE(f.findChild<QRadioButton *>(QStringLiteral("Option2"))->isChecked(), false);
    QCOMPARE(f.findChild<QRadioButton *>(QStringLiteral("Option3"))->isChecked(), false);

    // The data sources are never visible: not widgets at all.
    for (const char *nom : {"Adodc1", "Adodc2", "Adodc3"}) {
        auto *source = f.findChild<DataSource *>(QLatin1String(nom));
        QVERIFY(source);
        QVERIFY(!source->isWidgetType());
    }

    for (const char *nom : {"Label2(0)", "Label2(1)"}) {
        auto *l = f.findChild<QLabel *>(QLatin1String(nom));
        QVERIFY(l->autoFillBackground());
        QCOMPARE(l->palette().color(l->backgroundRole()), QColor(Qt::white));
    }
    for (const char *nom : {"Command6(0)", "Command6(1)"}) {
        auto *b = f.findChild<QPushButton *>(QLatin1String(nom));
        QVERIFY(!b->icon().isNull());
        QCOMPARE(b->iconSize(), QSize(24, 22));
        QVERIFY(!b->icon().pixmap(QSize(24, 22)).isNull());
    }

    auto *calendrier = f.findChild<QCalendarWidget *>(QStringLiteral("MonthView1"));
    QCOMPARE(calendrier->selectedDate(), QDate(2008, 1, 22));
    QCOMPARE(calendrier->minimumDate(), QDate(1753, 1, 1));
    QCOMPARE(calendrier->maximumDate(), QDate(9999, 12, 31));

    auto *ticket = f.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    QVERIFY(ticket->isReadOnly());
    QCOMPARE(ticket->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestControles::nomsAccessibles_data()
{
    QTest::addColumn<QString>("nom");
    QTest::addRow("Text2") << QStringLiteral("Rechercher");
    QTest::addRow("Text1") << QStringLiteral("Ticket");
    QTest::addRow("List1") << QStringLiteral("Rapport");
    QTest::addRow("DataGrid1") << QStringLiteral("Journal de ventes");
    QTest::addRow("DataGrid2") << QStringLiteral("Télécolectes");
    QTest::addRow("Label2(0)") << QStringLiteral("Date début");
    QTest::addRow("Label2(1)") << QStringLiteral("Date fin");
    QTest::addRow("Command6(0)") << QStringLiteral("Choisir la date de début");
    QTest::addRow("Command6(1)") << QStringLiteral("Choisir la date de fin");
    QTest::addRow("MonthView1") << QStringLiteral("Calendrier");
}

void TestControles::nomsAccessibles()
{
    QFETCH(QString, nom);
    FrmGestion f;
    auto *w = f.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(w->accessibleName(), nom);
    // The grids' tables carry the name too: they are what takes the focus.
    if (auto *grille = qobject_cast<DataGrid *>(w))
        QCOMPARE(grille->table()->accessibleName(), nom);
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
