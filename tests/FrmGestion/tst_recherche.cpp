// Search modes, key filter and search, typed into the real window; the period picked on the calendar.

#include "TestSupport.h"
#include "Kiosque.h"

#include "shared/Plateforme.h"

#include <QtTest>
#include <QtWidgets>

class TestRecherche : public QObject
{
    Q_OBJECT
private slots:
    void recherche_data();
    void recherche();
    void saisieDansLaBoite();
    void changementDeMode_data();
    void changementDeMode();
    void journalVide();
    void choix_data();
    void choix();
    void anneeSurQuatreChiffres_data();
    void anneeSurQuatreChiffres();
};

namespace {

// Telecollectes: the card-batch list shown while the card-number option is selected.
enum Mode { ParDate = 1, ParCarte = 2, ParFacture = 3, Telecollectes = 4 };

// croissant: the journal sorted by a click on the "Date" header; depart: the sale made current before
// typing, 0: the first; effacer: Backspaces typed afterwards; boite: the box's text, "=": the text typed.
struct Saisie { int mode, depart, effacer, attendu; bool croissant, colle; QString texte, boite; };

// texte: in the box before the change; geste: a mouse click, or an accessibility action;
// changements: changes of the box's text.
struct Changement { int depuis; QString texte; int vers; QString geste, tri; int changements, attendu; };

// gestes: "0", "1": that Command6 button; else the day clicked.
struct Choix { QStringList gestes; QString debut, fin; };

// annee: from its first day to its last; textes: Label2(0) and Label2(1); lignes: the daily
// report's period and day lines.
struct Periode { QLocale locale; int annee; QStringList textes, lignes; };

QRadioButton *option(FrmGestion &f, int mode)
{
    return mode == ParDate ? f.Option1 : mode == ParCarte ? f.Option2 : f.Option3;
}

// A mouse click on the day's cell, as the calendar reports it.
void cliquerJour(FrmGestion &f, QDate jour)
{
    f.MonthView1->setSelectedDate(jour);
    Q_EMIT f.MonthView1->clicked(jour);
}

} // namespace

Q_DECLARE_METATYPE(Saisie)
Q_DECLARE_METATYPE(Changement)
Q_DECLARE_METATYPE(Periode)
Q_DECLARE_METATYPE(Choix)

void TestRecherche::recherche_data()
{
    QTest::addColumn<Saisie>("saisie");
    const QString tape = QStringLiteral("=");
    // From the current sale on: newest first, the sales after sale 1 are all older.
    QTest::newRow("décroissant, ne remonte pas") << Saisie{ParDate, 1, 0, 1, false, false, "01/02/26", tape};
    QTest::newRow("sept caractères") << Saisie{ParDate, 7, 0, 7, true, false, "01/02/2", tape};
    // 01/02/20 is a date of a leap year
    QTest::newRow("chaque caractère cherche") << Saisie{ParDate, 7, 0, 2, true, false, "01/02/2026", tape};
    QTest::newRow("heure exacte") << Saisie{ParDate, 7, 0, 2, true, true, "10/02/26 14:00", tape};
    // A time being typed after the date is not yet a date: no find, no failure.
    QTest::newRow("heure tapée") << Saisie{ParDate, 7, 0, 5, true, false, "10/02/26 14:00:01", tape};
    // 99/99/99 is no date: the box is emptied and the current sale stays.
    QTest::newRow("date impossible") << Saisie{ParDate, 6, 0, 6, true, false, "99/99/99", ""};

    // In card order: no card (2, 4, 7), then 3530 (123), 4012 (6), 4970123 (1), 4970999 (5), 5132 (3).
    QTest::newRow("carte, préfixe 4970") << Saisie{ParCarte, 0, 0, 1, false, false, "4970", "4970"};
    QTest::newRow("carte, aucune") << Saisie{ParCarte, 0, 0, 3, false, false, "6", "6"};
    QTest::newRow("carte, boîte vidée") << Saisie{ParCarte, 0, 4, 123, false, false, "4970", ""};
    // A quote is refused by the record set's own Find: an ordinary failure, whose
    // nested run on the emptied box goes to the first sale with a card number.
    QTest::newRow("carte, apostrophe collée") << Saisie{ParCarte, 0, 0, 123, false, true, "49'70", ""};
    // "4" found sale 4, "42" none
    QTest::newRow("facture introuvable") << Saisie{ParFacture, 0, 0, 4, false, false, "42", "42"};
    // "NoVente =" fails
    QTest::newRow("facture, boîte vidée") << Saisie{ParFacture, 0, 1, 5, false, false, "5", ""};
    // Pasted text is not filtered.
    QTest::newRow("facture, apostrophe collée") << Saisie{ParFacture, 0, 0, 3, false, true, "5'", ""};
    QTest::newRow("facture, critère collé") << Saisie{ParFacture, 0, 0, 3, false, true, "5 or 1=1", ""};
    // After a date, only the beginning of a time waits for more.
    QTest::newRow("heure impossible") << Saisie{ParDate, 0, 0, 3, false, false, "10/02/26 24", ""};
    QTest::newRow("second blanc") << Saisie{ParDate, 0, 0, 3, false, true, "10/02/26 1 2", ""};

    // Uploads newest first: 2 (11/02/26 02:00), 1 (06/01/26 02:00), 3 (01/12/25 02:00), searched from the first.
    const int liste = Telecollectes;
    QTest::newRow("télécollectes, vers une plus récente") << Saisie{liste, 3, 0, 2, false, false, "15/02/26", tape};
    QTest::newRow("télécollectes, avant toutes") << Saisie{liste, 2, 0, 2, false, false, "01/01/20", tape};
    QTest::newRow("télécollectes, avec l'heure") << Saisie{liste, 2, 0, 1, false, true, "11/02/26 01:59", tape};
    QTest::newRow("télécollectes, sept caractères") << Saisie{liste, 2, 0, 2, false, false, "01/02/2", tape};
    QTest::newRow("télécollectes, heure commencée") << Saisie{liste, 2, 0, 2, false, true, "11/02/26 1", tape};
    QTest::newRow("télécollectes, dernier jour") << Saisie{liste, 2, 0, 2, false, true, "31/12/9999", tape};
    QTest::newRow("télécollectes, date impossible") << Saisie{liste, 1, 0, 1, false, false, "99/99/99", ""};
}

void TestRecherche::recherche()
{
    QFETCH(Saisie, saisie);
    const auto &[mode, depart, effacer, attendu, croissant, colle, texte, boite] = saisie;
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    if (mode == Telecollectes) {
        r.f.Option2->click();
        QVERIFY(r.allerAVente(6));
        r.f.Command2->click();
        QVERIFY(r.allerATelecollecte(depart));
    } else {
        QRadioButton *o = option(r.f, mode);
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
        if (croissant)
            r.f.DataGrid1_HeadClick(1);
        if (depart)
            QVERIFY(r.allerAVente(depart));
    }

    // Typed, or pasted (clipboard and Ctrl+V).
    if (colle) {
        QApplication::clipboard()->setText(texte);
        QTest::keyClick(r.f.Text2, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(r.f.Text2, texte);
    }
    for (int i = 0; i < effacer; ++i)
        QTest::keyClick(r.f.Text2, Qt::Key_Backspace);
    QCOMPARE(mode == Telecollectes ? r.telecollecteCourante() : r.venteCourante(), attendu);
    QCOMPARE(r.f.Text2->text(), boite == QLatin1String("=") ? texte : boite);
    // The journal stays where it was while the list is searched.
    if (mode == Telecollectes)
        QCOMPARE(r.venteCourante(), 6);
}

void TestRecherche::saisieDansLaBoite()
{
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    QLineEdit *boite = r.f.Text2;
    // The failing change empties the box: one more change, so one nested search
    // and no more (emptying an empty box is no change).
    QTest::keyClicks(boite, QStringLiteral("99/99/9"));
    QSignalSpy changements(boite, &QLineEdit::textChanged);
    QTest::keyClicks(boite, QStringLiteral("9"));
    // The nested change is seen first by a slot connected after the window's.
    QCOMPARE(changements.count(), 2);
    QCOMPARE(changements.at(0).at(0).toString(), QString());
    QCOMPARE(changements.at(1).at(0).toString(), QStringLiteral("99/99/99"));
    QCOMPARE(boite->text(), QString());
    QCOMPARE(r.venteCourante(), 3);

    // Editing keys work even in the strictest mode, Ctrl+V too when its text is the control code 22.
    r.f.Option3->click();
    QTest::keyClicks(boite, QStringLiteral("12"));
    QTest::keyClick(boite, Qt::Key_Backspace);
    QCOMPARE(boite->text(), QStringLiteral("1"));
    QTest::keyClicks(boite, QStringLiteral("34"));
    QTest::keyClick(boite, Qt::Key_Home);
    QTest::keyClick(boite, Qt::Key_Delete);
    QCOMPARE(boite->text(), QStringLiteral("34"));
    QTest::keyClick(boite, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(boite, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(boite, Qt::Key_Return);
    QTest::keyClick(boite, Qt::Key_Escape);
    QCOMPARE(boite->text(), QString());

    // Characters composed by an input method are typed too: filtered one by one.
    r.f.Option2->click();
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("4é9/"));
    QApplication::sendEvent(boite, &compose);
    QCOMPARE(boite->text(), QStringLiteral("49"));
    QApplication::clipboard()->setText(QStringLiteral("70"));
    QTest::sendKeyEvent(QTest::Click, boite, Qt::Key_V, QString(QChar(0x16)), Qt::ControlModifier);
    QCOMPARE(boite->text(), QStringLiteral("4970"));
    QCOMPARE(r.venteCourante(), 1);

    // Digits in every mode; the date's separators in date mode, and in the card-batch list
    // whatever option is selected.
    for (int mode : {ParDate, ParCarte, ParFacture, Telecollectes}) {
        if (mode == Telecollectes)
            r.f.Command2->click();
        else
            option(r.f, mode)->click();
        for (const QChar c : QStringLiteral("5/: a'é€\u4e00")) {
            boite->clear();
            // Its own key press, whatever the character (not only Latin-1).
            QTest::sendKeyEvent(QTest::Click, boite, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
            const bool date = mode == ParDate || mode == Telecollectes;
            const bool accepte = c.isDigit() || (date && QStringLiteral("/: ").contains(c));
            QCOMPARE(boite->text(), accepte ? QString(c) : QString());
        }
    }
}

void TestRecherche::changementDeMode_data()
{
    QTest::addColumn<Changement>("cas");
    const QString souris = QStringLiteral("souris");
    const QString bascule = QAccessibleActionInterface::toggleAction();
    const QString appui = QAccessibleActionInterface::pressAction();
    // An empty box: the sort only.
    QTest::newRow("vide, vers facture") << Changement{ParDate, "", ParFacture, souris, "NoVente", 0, 3};
    // A box that held text: emptied, which searches in the new mode.
    QTest::newRow("pleine, vers date") << Changement{ParFacture, "6", ParDate, souris, "Date DESC", 1, 6};
    // A screen reader's actions run the mode's procedure as a click does.
    QTest::newRow("Toggle, vers carte") << Changement{ParDate, "01/02/2", ParCarte, bascule, "Client", 1, 123};
    QTest::newRow("Press, vers facture") << Changement{ParDate, "01/02/2", ParFacture, appui, "NoVente", 1, 3};
}

void TestRecherche::changementDeMode()
{
    QFETCH(Changement, cas);
    const auto &[depuis, texte, vers, geste, tri, changements, attendu] = cas;
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    option(r.f, depuis)->click();
    QTest::keyClicks(r.f.Text2, texte);
    r.f.Command1->setFocus();

    QSignalSpy spy(r.f.Text2, &QLineEdit::textChanged);
    QRadioButton *o = option(r.f, vers);
    if (geste == QLatin1String("souris")) {
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
    } else {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(o);
        QVERIFY(a && a->actionInterface());
        QVERIFY(a->actionInterface()->actionNames().contains(geste));
        a->actionInterface()->doAction(geste);
        QVERIFY(a->state().checked);
    }
    QVERIFY(o->isChecked());
    QCOMPARE(r.f.RsVentes.sort(), tri);
    QCOMPARE(spy.count(), changements);
    QCOMPARE(r.f.Text2->text(), QString());
    QCOMPARE(r.venteCourante(), attendu);
    QCOMPARE(r.f.focusWidget(), r.f.Text2);
}

void TestRecherche::journalVide()
{
    // No search runs: even a text that is no date or no number stays, emptying the box included.
    FenetreRecherche r(QStringLiteral("DELETE FROM Ventes; DELETE FROM Telecollectes;"));
    QVERIFY(r.ouvrir());
    QSignalSpy spy(r.f.Text2, &QLineEdit::textChanged);
    QTest::keyClicks(r.f.Text2, QStringLiteral("99/99/99"));
    QCOMPARE(r.f.Text2->text(), QStringLiteral("99/99/99"));
    r.f.Option3->click();
    QTest::keyClicks(r.f.Text2, QStringLiteral("5"));
    QTest::keyClick(r.f.Text2, Qt::Key_Backspace);
    QCOMPARE(r.f.Text2->text(), QString());
    QCOMPARE(spy.count(), 8 + 1 + 2);
    QVERIFY(r.f.RsVentes.isEof());
    // Sorting an empty journal, then showing the empty upload list: no row, no ticket.
    r.f.DataGrid1_HeadClick(2);
    QCOMPARE(tableJournal(r.f)->model()->rowCount(), 0);
    QCOMPARE(r.f.Text1->toPlainText(), QString());
    r.f.Command2_Click();
    QCOMPARE(tableTelecollectes(r.f)->model()->rowCount(), 0);
    QCOMPARE(r.f.Text1->toPlainText(), QString());
}

void TestRecherche::choix_data()
{
    QTest::addColumn<Choix>("cas");
    // While the calendar is open, the last button clicked decides.
    QTest::newRow("début puis fin, ouvert") << Choix{{"0", "1", "2024-03-05"}, "", "05/03/2024"};
    QTest::newRow("bornes") << Choix{{"0", "1753-01-01", "1", "9999-12-31"}, "01/01/1753", "31/12/9999"};
}

void TestRecherche::choix()
{
    QFETCH(Choix, cas);
    const auto &[gestes, debut, fin] = cas;
    FenetreRecherche r;
    QVERIFY(r.ouvrir());

    for (const QString &geste : gestes) {
        if (geste.size() > 1) {
            cliquerJour(r.f, QDate::fromString(geste, Qt::ISODate));
            continue;
        }
        QTest::mouseClick(r.f.Command6[geste.toUInt()], Qt::LeftButton);
        // Shown with its frame.
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
    // Assistive technology reads the date each box shows.
    QCOMPARE(r.f.Label2[0]->accessibleDescription(), debut);
    QCOMPARE(r.f.Label2[1]->accessibleDescription(), fin);
    const QDate jour = QDate::fromString(debut, QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(r.f.DateDebut, debut.isEmpty() ? std::nullopt : std::optional(DateTime::fromDate(jour)));
}

void TestRecherche::anneeSurQuatreChiffres_data()
{
    QTest::addColumn<Periode>("periode");
    // Short dates with a two-digit year: d/MM/yy and M/d/yy.
    const QLocale be(QLocale::French, QLocale::Belgium), us(QLocale::English, QLocale::UnitedStates);
    const QString du = QStringLiteral("Du 01/01/30 au 31/12/30");
    QTest::newRow("fr_BE 1930") << Periode{be, 1930, {"1/01/1930", "31/12/1930"},
                                           {du, "10/03/30\tCB:     \t| 1\t\t| 5,00 EUR"}};
    QTest::newRow("en_US 2030") << Periode{us, 2030, {"1/1/2030", "12/31/2030"},
                                           {du, "15/06/30\tCB:     \t| 1\t\t| 10.00 EUR"}};
}

void TestRecherche::anneeSurQuatreChiffres()
{
    // Dates the program writes and reads back keep their century; the report
    // lines keep their own two-digit formats.
    QFETCH(Periode, periode);
    const auto &[locale, annee, textes, lignes] = periode;
    QLocale::setDefault(locale);
    Plateforme::definirLocaleSysteme(locale);
    const auto remettre = qScopeGuard(TestSupport::epinglerFrancais);
    FenetreRecherche r(QStringLiteral(
        "INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, Rendu, Ticket) VALUES"
        " (8, '1930-03-10 10:00:00', 6, 1.2, 2, 1, '1', 6, 0, 'Vente 8'),"
        " (9, '2030-06-15 10:00:00', 12, 1.2, 2, 1, '2', 12, 0, 'Vente 9');"));
    QVERIFY(r.ouvrir());
    // French month names and weeks from Monday, whatever the system's regional settings.
    QCOMPARE(r.f.MonthView1->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"))->text(),
             QStringLiteral("janvier"));
    QCOMPARE(r.f.MonthView1->firstDayOfWeek(), Qt::Monday);

    QTest::mouseClick(r.f.Command6[0], Qt::LeftButton);
    cliquerJour(r.f, QDate(annee, 1, 1));
    QTest::mouseClick(r.f.Command6[1], Qt::LeftButton);
    cliquerJour(r.f, QDate(annee, 12, 31));
    QCOMPARE(QStringList({r.f.Label2[0]->text(), r.f.Label2[1]->text()}), textes);

    QTest::mouseClick(r.f.Command5, Qt::LeftButton);
    QCOMPARE(r.f.List1->count(), 8);
    QCOMPARE(QStringList({r.f.List1->item(2)->text(), r.f.List1->item(6)->text()}), lignes);

    // The date search's criterion: from sale 8 (1930) in invoice order, the
    // first sale of 2030 or later.
    r.f.DataGrid1_HeadClick(0);
    QVERIFY(r.allerAVente(8));
    r.f.Text2->setText(QStringLiteral("01/01/2030"));
    QCOMPARE(r.venteCourante(), 9);
}

CORVANE_TEST(TestRecherche)
#include "tst_recherche.moc"
