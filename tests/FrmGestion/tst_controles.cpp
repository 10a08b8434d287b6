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
    void controles();
    void disposition();
    void fenetre();
    void colonnes();
};

namespace {
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

QList<QWidget *> controlesNommes(FrmGestion &f)
{
    return f.findChildren<QWidget *>(QRegularExpression(
        QStringLiteral("^((Command|Label|Text|Frame|Option|List|DataGrid|MonthView)\\d+(\\(\\d+\\))?|CmdTicket)$")));
}
} // namespace

void TestControles::controles()
{
    FrmGestion f;
    QStringList legendes, parents, caches, gras, dates, accessibles;
    for (QWidget *w : controlesNommes(f)) {
        const QString nom = w->objectName();
        if (!legendeDe(w).isEmpty())
            legendes << nom + QLatin1Char('=') + legendeDe(w);
        if (w->parentWidget() != &f)
            parents << nom + QLatin1Char('<') + w->parentWidget()->objectName();
        // Hidden at design time itself (not only through its frame).
        if (w->isHidden())
            caches << nom;
        QCOMPARE(w->font().family(), QStringLiteral("MS Sans Serif"));
        if (w->font().bold())
            gras << nom;
        if (w->font().pointSizeF() != 8.25)
            dates << nom + QLatin1Char('=') + QString::number(w->font().pointSizeF());
        // Read by assistive technology; a grid's table, which takes the focus, carries it too.
        if (!w->accessibleName().isEmpty())
            accessibles << nom + QLatin1Char('=') + w->accessibleName();
        if (auto *grille = qobject_cast<DataGrid *>(w))
            QCOMPARE(grille->table()->accessibleName(), w->accessibleName());
    }
    QStringList captions = {"Command1=Journal de ventes", "Command2=Liste télécollectes", "Label1=Rechercher:",
                            "Option1=Par Date", "Option3=Par No Facture", "Option2=Par No Carte Bancaire",
                            "DataGrid1=Journal de ventes", "DataGrid2=Télécolectes", "CmdTicket=Imprimer Ticket",
                            "Label3=Date début", "Label4=Date fin", "Command5=Ventes Journalières",
                            "Command8=Ventes Mensuel", "Command4=Total des ventes", "Command7=Imprimer ", "Command3=Fin"};
    QStringList dansCadre = {"Option1<Frame2", "Option3<Frame2", "Option2<Frame2", "MonthView1<Frame3"};
    QStringList boutons = {"Command1", "Command2", "CmdTicket", "Command6(0)", "Command6(1)", "Command5",
                           "Command8", "Command4", "Command7", "Command3"};
    static const char *const parametres[13] = {"Prix 1:", "Prix 2:", "Prix 3:", "Prix 4:", "Prix 5:",
                                               "Qté 1:", "Qté 2:", "Qté 3:", "Qté 4:", "Qté 5:",
                                               "Contenue Hopper Jeton:", "Contenue Hopper Euro:", "Contenue caisse:"};
    for (int i = 0; i < 13; ++i) {
        const QString label = QStringLiteral("Label6(%1)").arg(i);
        captions << label + QLatin1Char('=') + QString::fromUtf8(parametres[i]);
        dansCadre << label + QStringLiteral("<Frame1") << QStringLiteral("Text4(%1)<Frame1").arg(i);
        boutons << label;
    }
    QCOMPARE(legendes, captions);
    QCOMPARE(parents, dansCadre);
    // The cash-box line is hidden even when the parameters frame is shown.
    QCOMPARE(caches.join(QLatin1Char(' ')),
             QStringLiteral("DataGrid1 DataGrid2 Frame3 MonthView1 Frame1 Label6(12) Text4(12)"));
    QCOMPARE(gras, boutons);
    QCOMPARE(dates, (QStringList{"Label2(0)=9.75", "Label2(1)=9.75"}));
    QCOMPARE(accessibles.join(QLatin1Char('|')),
             QStringLiteral("Text2=Rechercher|DataGrid1=Journal de ventes|DataGrid2=Télécolectes|Text1=Ticket|"
                            "MonthView1=Calendrier|Label2(0)=Date début|Command6(0)=Choisir la date de début|"
                            "Label2(1)=Date fin|Command6(1)=Choisir la date de fin|List1=Rapport"));
}

// Every control not hidden lies inside its parent, overlaps no sibling, shows its whole
// caption, and the tab key visits the window's controls in reading order.
void TestControles::disposition()
{
    FrmGestion f;
    const auto controles = controlesNommes(f);
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

void TestControles::colonnes()
{
    // Each column's caption and width in twips; read-only, and a header click never
    // sorts by itself nor shows an arrow.
    FrmGestion f;
    QStringList colonnes;
    for (const char *grille : {"DataGrid1", "DataGrid2"}) {
        QTableView *table = f.findChild<DataGrid *>(QLatin1String(grille))->table();
        for (int i = 0; i < table->model()->columnCount(); ++i)
            colonnes << table->model()->headerData(i, Qt::Horizontal).toString() + QLatin1Char(':')
                            + QString::number(table->columnWidth(i) * 15);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!table->isSortingEnabled());
        QVERIFY(!table->horizontalHeader()->isSortIndicatorShown());
    }
    QCOMPARE(colonnes.join(QLatin1Char('|')),
             QStringLiteral("No Facture:1020|Date:1485|Montant:930|Type Paiement:1410|No Carte Bancaire:1605|"
                            "Nb Jeton:900|Payé:1020|Rendu:1515|Date:1950"));
}

CORVANE_TEST(TestControles)
#include "tst_controles.moc"
