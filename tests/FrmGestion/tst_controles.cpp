// The window as designed, before any start-up: every control's caption, parent, visibility,
// font and accessible name, and the layout's properties (inside the window and its frame, no
// overlap, captions not clipped, tab order in reading order). Then the journal and card-batch
// views: grids, ticket box, header-click sort, the cells' display format.
#include "Kiosque.h"
#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FormatAffichage.h"
#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>
#include <limits>

class TestControles : public QObject
{
    Q_OBJECT
private slots:
    void controles();
    void disposition();
    void fenetre();
    void cellulesEtModeles();
    void grillesEtEnregistrements();
    void triEntete_data();
    void triEntete();
    void texteAffiche();
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
QList<int> ordreJournal(FrmGestion &f)
{
    QList<int> numeros;
    QAbstractItemModel *m = tableJournal(f)->model();
    for (int i = 0; i < m->rowCount(); ++i)
        numeros << m->index(i, 0).data().toInt();
    return numeros;
}

// A click on the journal's header `colonne`: the sales' order, and the record set's sort.
struct Tri { int colonne; QList<int> ordre; QString tri; };

} // namespace

Q_DECLARE_METATYPE(Tri)

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
                            "Command8=Ventes Mensuel", "Command4=Total des ventes", "Command7=Imprimer ",
                            "Command3=Fin"};
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

    // Each column's caption and width in twips; read-only, and a header click never
    // sorts by itself nor shows an arrow.
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

void TestControles::cellulesEtModeles()
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

    // The parameters panel, never shown, is bound all the same.
    const QStringList parametres = {"1,50 €", "2,00 €", "2,50 €", "3,00 €", "3,50 €", "1", "2", "3", "4", "5",
                                    "100", "200", "55,30 €"};
    for (std::size_t i = 0; i < f.Text4.size(); ++i)
        QCOMPARE(f.Text4[i]->text(), parametres.at(qsizetype(i)));

    const QPersistentModelIndex vente2 = tableJournal(f)->model()->index(1, 0);
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

void TestControles::grillesEtEnregistrements()
{
    Kiosque k;
    FrmGestion f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTableView *table = tableJournal(f);

    // The grid moves the record set...
    table->setCurrentIndex(table->model()->index(1, 3));
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Vente 2"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Vente 1\nCarte"));

    f.Text2->setText(QStringLiteral("12"));
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QVERIFY(!f.Frame2->isVisible());
    QVERIFY(f.DataGrid2->isVisible());
    QVERIFY(!f.DataGrid1->isVisible());
    QVERIFY(f.Text2->text().isEmpty());
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Télécollecte 2"));
    f.RsTelecollectes.moveTo(1);
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Télécollecte 1"));
    QCOMPARE(tableTelecollectes(f)->currentIndex().row(), 1);
    // Moving the journal while it is not shown leaves the ticket alone.
    f.RsVentes.moveTo(2);
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Télécollecte 1"));

    // Each view comes back on its own record, however often it is shown.
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QVERIFY(f.Frame2->isVisible());
    QVERIFY(f.DataGrid1->isVisible());
    QVERIFY(!f.DataGrid2->isVisible());
    QCOMPARE(table->currentIndex().row(), 2);
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Vente 1\nCarte"));

    // ...and the grid follows the record set, to no row at end of file.
    f.RsVentes.moveTo(3);
    QCOMPARE(table->currentIndex().row(), 3);
    QVERIFY(table->selectionModel()->isRowSelected(3, {}));
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Vente 4"));
    f.RsVentes.moveTo(f.RsVentes.recordCount());
    QVERIFY(!table->selectionModel()->hasSelection());
    QCOMPARE(f.Text1->toPlainText(), QString());
}

void TestControles::triEntete_data()
{
    QTest::addColumn<Tri>("cas");
    QTest::newRow("Date") << Tri{1, {4, 1, 2, 3}, "Date"};
    QTest::newRow("Rendu") << Tri{7, {3, 1, 4, 2}, "Rendu"};
    // No such field: the failure is ignored, the order stays.
    QTest::newRow("au-delà des champs") << Tri{9, {3, 2, 1, 4}, ""};
    QTest::newRow("négative") << Tri{-1, {3, 2, 1, 4}, ""};
}

void TestControles::triEntete()
{
    QFETCH(Tri, cas);
    const auto &[colonne, ordre, tri] = cas;
    Kiosque k;
    FrmGestion f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTableView *table = tableJournal(f);

    // The same header twice: ascending both times, no toggle.
    for (int clic = 0; clic < 2; ++clic) {
        QHeaderView *entete = table->horizontalHeader();
        if (colonne >= 0 && colonne < table->model()->columnCount())
            QTest::mouseClick(entete->viewport(), Qt::LeftButton, {},
                              QPoint(entete->sectionViewportPosition(colonne) + entete->sectionSize(colonne) / 2,
                                     entete->height() / 2));
        else
            f.DataGrid1_HeadClick(colonne);
        QCOMPARE(ordreJournal(f), ordre);
        QCOMPARE(f.RsVentes.sort(), tri);
        // The current sale stays current, in its new place.
        QCOMPARE(table->currentIndex().row(), int(ordre.indexOf(3)));
        QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Vente 3\nMerci"));
    }
    QVERIFY(!table->horizontalHeader()->isSortIndicatorShown());
}


void TestControles::texteAffiche()
{
    // The currency format (French grouping by a no-break space, half a cent rounded away from
    // zero), a Null, a text in a currency column, whole numbers rounded the same way, and as stored.
    const auto monnaie = [](qint64 dixMilliemes) { return Value(Currency{dixMilliemes}); };
    const std::pair<FormatChamp, Value> valeurs[] = {
        {FormatChamp::Monetaire, monnaie(9999900)}, {FormatChamp::Monetaire, monnaie(-12345000)},
        {FormatChamp::Monetaire, monnaie(50)}, {FormatChamp::Monetaire, monnaie(49)},
        {FormatChamp::Monetaire, monnaie(-49)}, {FormatChamp::Monetaire, monnaie(std::numeric_limits<qint64>::min())},
        {FormatChamp::Monetaire, Value()}, {FormatChamp::Monetaire, Value(2.5)},
        {FormatChamp::Monetaire, Value("abc")},
        {FormatChamp::Entier, Value(2.5)}, {FormatChamp::Entier, Value(-2.5)}, {FormatChamp::TelQuel, Value(42)}};
    QStringList textes;
    for (const auto &[format, valeur] : valeurs)
        textes << TexteAffiche(valeur, format);
    QCOMPARE(textes.join(QLatin1Char('|')),
             QStringLiteral("999,99 €|-1\u00a0234,50 €|0,01 €|0,00 €|0,00 €|"
                            "-922\u00a0337\u00a0203\u00a0685\u00a0477,58 €||2,50 €|abc|3|-3|42"));
}

CORVANE_TEST(TestControles)
#include "tst_controles.moc"
