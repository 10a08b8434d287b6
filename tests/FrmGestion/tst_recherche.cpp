// Search modes, key filter and search, typed into the real window.

#include "TestSupport.h"
#include "Kiosque.h"
#include "FenetreRecherche.h"

#include "FrmGestion/FrmGestion.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

class TestRecherche : public QObject
{
    Q_OBJECT
private slots:
    void recherche_data();
    void recherche();
    void echecRelanceUneFois_data();
    void echecRelanceUneFois();
    void filtreTouches_data();
    void filtreTouches();
    void touchesDeControle();
    void methodeDeSaisie();
    void collerNonFiltre();
    void changementDeMode_data();
    void changementDeMode();
    void journalVide_data();
    void journalVide();
    void telecollectes_data();
    void telecollectes();
};

namespace {

enum Mode { ParDate = 1, ParCarte = 2, ParFacture = 3 };

QRadioButton *option(FrmGestion &f, int mode)
{
    return mode == ParDate ? f.Option1 : mode == ParCarte ? f.Option2 : f.Option3;
}

// Types the text, pastes it (clipboard and Ctrl+V) when `colle`.
void saisir(QLineEdit *boite, const QString &texte, bool colle)
{
    if (!colle) {
        QTest::keyClicks(boite, texte);
        return;
    }
    QGuiApplication::clipboard()->setText(texte);
    QTest::keyClick(boite, Qt::Key_V, Qt::ControlModifier);
}

} // namespace

void TestRecherche::recherche_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("croissant");   // the journal sorted by a click on the "Date" header
    QTest::addColumn<int>("depart");       // the sale made current before typing; 0: the first
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("colle");
    QTest::addColumn<int>("effacer");      // Backspaces typed afterwards
    QTest::addColumn<int>("attendu");
    QTest::addColumn<QString>("boite");    // "=": the text typed

    const auto date = [](const char *nom, bool croissant, int depart, const char *texte, bool colle, int attendu) {
        QTest::newRow(nom) << int(ParDate) << croissant << depart << QString::fromUtf8(texte) << colle << 0 << attendu
                           << QStringLiteral("=");
    };
    // Newest first, the sales after the current one are all older: nothing moves.
    date("la plus récente reste", false, 3, "01/02/26", false, 3);
    date("décroissant, ne remonte pas", false, 1, "01/02/26", false, 1);
    // Oldest first, from the current sale on.
    date("croissant, depuis la courante", true, 7, "01/02/26", false, 2);
    date("croissant, la courante convient", true, 5, "01/02/26", false, 5);
    date("sept caractères", true, 7, "01/02/2", false, 7);
    date("chaque caractère cherche", true, 7, "01/02/2026", false, 2);
    date("aucune plus tard", true, 7, "01/01/27", false, 7);
    date("heure exacte", true, 7, "10/02/26 14:00", true, 2);
    date("heure passée", true, 7, "10/02/26 14:00:01", true, 5);
    date("année sur quatre chiffres", true, 7, "20/02/2026 10:30", true, 5);
    // A time being typed after the date is not yet a date: no find, no failure.
    date("heure tapée", true, 7, "10/02/26 14:00:01", false, 5);
    date("heure commencée", true, 7, "10/02/26 1", true, 7);
    date("minutes attendues", true, 7, "10/02/2026 10:", true, 7);
    date("secondes attendues", true, 7, "10/02/2026 10:30:", true, 7);
    // 99/99/99 is no date: the box is emptied and the current sale stays.
    QTest::newRow("date impossible") << int(ParDate) << true << 6 << "99/99/99" << false << 0 << 6 << "";

    // In card order: no card (2, 4, 7), then 3530 (123), 4012 (6), 4970123 (1), 4970999 (5), 5132 (3).
    const auto autre = [](const char *nom, int mode, const char *texte, bool colle, int effacer, int attendu,
                          const char *boite) {
        QTest::newRow(nom) << mode << false << 0 << QString::fromUtf8(texte) << colle << effacer << attendu
                           << QString::fromUtf8(boite);
    };
    autre("carte, préfixe 4970", ParCarte, "4970", false, 0, 1, "4970");
    autre("carte, préfixe 49709", ParCarte, "49709", false, 0, 5, "49709");
    autre("carte, préfixe 4", ParCarte, "4", false, 0, 6, "4");
    autre("carte, aucune", ParCarte, "6", false, 0, 3, "6");
    autre("carte, boîte vidée", ParCarte, "4970", false, 4, 123, "");
    autre("carte, préfixe collé", ParCarte, "5132", true, 0, 3, "5132");
    // A quote is refused by the record set's own Find: an ordinary failure, whose
    // nested run on the emptied box goes to the first sale with a card number.
    autre("carte, apostrophe collée", ParCarte, "49'70", true, 0, 123, "");
    autre("carte, critère collé", ParCarte, "' or ''='", true, 0, 123, "");
    autre("facture trouvée", ParFacture, "123", false, 0, 123, "123");
    autre("facture introuvable", ParFacture, "42", false, 0, 4, "42");   // "4" found sale 4
    autre("facture, boîte vidée", ParFacture, "5", false, 1, 5, "");      // "NoVente =" fails
    autre("facture collée", ParFacture, "7", true, 0, 7, "7");
    autre("facture, apostrophe collée", ParFacture, "5'", true, 0, 3, "");
    autre("facture, critère collé", ParFacture, "5 or 1=1", true, 0, 3, "");
}

void TestRecherche::recherche()
{
    QFETCH(int, mode);
    QFETCH(bool, croissant);
    QFETCH(int, depart);
    QFETCH(QString, texte);
    QFETCH(bool, colle);
    QFETCH(int, effacer);
    QFETCH(int, attendu);
    QFETCH(QString, boite);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    if (mode != ParDate) {
        QRadioButton *o = option(r.f, mode);
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
        QVERIFY(o->isChecked());
        QCOMPARE(r.venteCourante(), 3);
    }
    if (croissant)
        r.f.DataGrid1_HeadClick(1);
    if (depart)
        QVERIFY(r.allerAVente(depart));

    saisir(r.f.Text2, texte, colle);
    for (int i = 0; i < effacer; ++i)
        QTest::keyClick(r.f.Text2, Qt::Key_Backspace);
    QCOMPARE(r.venteCourante(), attendu);
    QCOMPARE(r.f.Text2->text(), boite == QLatin1String("=") ? texte : boite);
}

void TestRecherche::echecRelanceUneFois_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("debut");     // typed first
    QTest::addColumn<QString>("dernier");   // the keystroke or paste that fails
    QTest::addColumn<bool>("colle");
    QTest::addColumn<int>("attendu");

    QTest::newRow("date impossible") << int(ParDate) << "99/99/9" << "9" << false << 3;
    // After a date, only the beginning of a time waits for more.
    QTest::newRow("heure impossible") << int(ParDate) << "10/02/26 2" << "4" << false << 3;
    QTest::newRow("deux-points doublé") << int(ParDate) << "10/02/26 10:" << ":" << false << 3;
    QTest::newRow("second blanc") << int(ParDate) << "10/02/26 1" << " 2" << true << 3;
    QTest::newRow("carte, apostrophe") << int(ParCarte) << "" << "4'" << true << 123;
    QTest::newRow("facture, apostrophe") << int(ParFacture) << "5" << "'" << true << 5;
}

void TestRecherche::echecRelanceUneFois()
{
    // The failing change empties the box: one more change, so one nested search
    // and no more (emptying an empty box is no change).
    QFETCH(int, mode);
    QFETCH(QString, debut);
    QFETCH(QString, dernier);
    QFETCH(bool, colle);
    QFETCH(int, attendu);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    option(r.f, mode)->click();
    QTest::keyClicks(r.f.Text2, debut);

    QSignalSpy changements(r.f.Text2, &QLineEdit::textChanged);
    saisir(r.f.Text2, dernier, colle);
    // The nested change is seen first by a slot connected after the window's.
    QCOMPARE(changements.count(), 2);
    QCOMPARE(changements.at(0).at(0).toString(), QString());
    QCOMPARE(changements.at(1).at(0).toString(), debut + dernier);
    QCOMPARE(r.f.Text2->text(), QString());
    QCOMPARE(r.venteCourante(), attendu);
    // The box still works as before.
    QTest::keyClicks(r.f.Text2, QStringLiteral("1"));
    QCOMPARE(r.f.Text2->text(), QStringLiteral("1"));
}

void TestRecherche::filtreTouches_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("telecollectes");
    QTest::addColumn<QString>("caractere");
    QTest::addColumn<bool>("accepte");

    const QStringList caracteres = {QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("/"), QStringLiteral(":"),
                                    QStringLiteral(" "), QStringLiteral("a"), QStringLiteral("Z"), QStringLiteral("-"),
                                    QStringLiteral("."), QStringLiteral("'"), QStringLiteral("é"), QStringLiteral("€"),
                                    QStringLiteral("\u4e00")};
    const auto ajouter = [&](const char *vue, int mode, bool telecollectes) {
        for (const QString &c : caracteres) {
            const bool chiffre = c.at(0).isDigit();
            const bool date = mode == ParDate || telecollectes;
            const bool accepte = chiffre || (date && QStringLiteral("/: ").contains(c));
            QTest::addRow("%s mode %d «%s»", vue, mode, qPrintable(c)) << mode << telecollectes << c << accepte;
        }
    };
    for (int mode : {ParDate, ParCarte, ParFacture})
        ajouter("journal", mode, false);
    // The card-batch list takes the date mode's keys whatever option is selected.
    ajouter("télécollectes", ParCarte, true);
}

void TestRecherche::filtreTouches()
{
    QFETCH(int, mode);
    QFETCH(bool, telecollectes);
    QFETCH(QString, caractere);
    QFETCH(bool, accepte);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    option(r.f, mode)->click();
    if (telecollectes)
        r.f.Command2->click();

    taper(r.f.Text2, caractere);
    QCOMPARE(r.f.Text2->text(), accepte ? caractere : QString());
}

void TestRecherche::touchesDeControle()
{
    // Editing keys always work, whatever the mode.
    for (int mode : {ParDate, ParCarte, ParFacture}) {
        FenetreRecherche r;
        QVERIFY(r.ouvrir());
        option(r.f, mode)->click();
        QLineEdit *boite = r.f.Text2;
        QTest::keyClicks(boite, QStringLiteral("12"));
        QTest::keyClick(boite, Qt::Key_Backspace);
        QCOMPARE(boite->text(), QStringLiteral("1"));
        QTest::keyClicks(boite, QStringLiteral("34"));
        QTest::keyClick(boite, Qt::Key_Home);
        QTest::keyClick(boite, Qt::Key_Delete);
        QCOMPARE(boite->text(), QStringLiteral("34"));
        QTest::keyClick(boite, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(boite, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("34"));
        QTest::keyClick(boite, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(boite->text(), QString());
        QTest::keyClick(boite, Qt::Key_Return);
        QTest::keyClick(boite, Qt::Key_Escape);
        QCOMPARE(boite->text(), QString());
    }
}

void TestRecherche::methodeDeSaisie()
{
    // Characters composed by an input method are typed too: filtered one by one.
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    r.f.Option2->click();
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("4é9/"));
    QApplication::sendEvent(r.f.Text2, &compose);
    QCOMPARE(r.f.Text2->text(), QStringLiteral("49"));
    // Ctrl+V as a keyboard reports it on some systems: its control code, 22.
    QGuiApplication::clipboard()->setText(QStringLiteral("70"));
    QTest::sendKeyEvent(QTest::Click, r.f.Text2, Qt::Key_V, QString(QChar(0x16)), Qt::ControlModifier);
    QCOMPARE(r.f.Text2->text(), QStringLiteral("4970"));
    QCOMPARE(r.venteCourante(), 1);
}

void TestRecherche::collerNonFiltre()
{
    // Pasted text is not filtered: by the keyboard or the context menu's action.
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    r.f.Option3->click();
    QGuiApplication::clipboard()->setText(QStringLiteral("12/ab"));
    QTest::keyClick(r.f.Text2, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(r.f.Text2->text(), QString());   // refused by Find, so emptied
    r.f.Option2->click();
    QTest::keyClick(r.f.Text2, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(r.f.Text2->text(), QStringLiteral("12/ab"));
    r.f.Text2->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("x:y"));
    r.f.Text2->paste();
    QCOMPARE(r.f.Text2->text(), QStringLiteral("x:y"));
    QTest::keyClick(r.f.Text2, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(r.f.Text2->text(), QStringLiteral("x:yx:y"));
}

void TestRecherche::changementDeMode_data()
{
    QTest::addColumn<int>("depuis");
    QTest::addColumn<QString>("texte");     // in the box before the change
    QTest::addColumn<int>("vers");
    QTest::addColumn<QString>("geste");     // a mouse click, or an accessibility action
    QTest::addColumn<QString>("tri");
    QTest::addColumn<int>("changements");   // changes of the box's text
    QTest::addColumn<int>("attendu");

    const QString souris = QStringLiteral("souris");
    const QString bascule = QAccessibleActionInterface::toggleAction();
    const QString appui = QAccessibleActionInterface::pressAction();
    // An empty box: the sort only.
    QTest::newRow("vide, vers carte") << int(ParDate) << "" << int(ParCarte) << souris << "Client" << 0 << 3;
    QTest::newRow("vide, vers facture") << int(ParDate) << "" << int(ParFacture) << souris << "NoVente" << 0 << 3;
    QTest::newRow("vide, vers date") << int(ParFacture) << "" << int(ParDate) << souris << "Date DESC" << 0 << 3;
    // A box that held text: emptied, which searches in the new mode.
    QTest::newRow("pleine, vers carte") << int(ParDate) << "01/02/2" << int(ParCarte) << souris << "Client" << 1 << 123;
    QTest::newRow("pleine, vers facture") << int(ParDate) << "01/02/2" << int(ParFacture) << souris << "NoVente" << 1
                                          << 3;
    QTest::newRow("pleine, vers date") << int(ParFacture) << "6" << int(ParDate) << souris << "Date DESC" << 1 << 6;
    // A screen reader's actions run the mode's procedure as a click does.
    QTest::newRow("Toggle, vers carte") << int(ParDate) << "01/02/2" << int(ParCarte) << bascule << "Client" << 1 << 123;
    QTest::newRow("Toggle, vers date") << int(ParFacture) << "" << int(ParDate) << bascule << "Date DESC" << 0 << 3;
    QTest::newRow("Press, vers facture") << int(ParDate) << "01/02/2" << int(ParFacture) << appui << "NoVente" << 1
                                         << 3;
}

void TestRecherche::changementDeMode()
{
    QFETCH(int, depuis);
    QFETCH(QString, texte);
    QFETCH(int, vers);
    QFETCH(QString, geste);
    QFETCH(QString, tri);
    QFETCH(int, changements);
    QFETCH(int, attendu);
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

void TestRecherche::journalVide_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("effacer");
    QTest::addColumn<QString>("boite");

    // No search runs: even a text that is no date or no number stays.
    QTest::newRow("date") << int(ParDate) << "99/99/99" << 0 << "99/99/99";
    QTest::newRow("carte") << int(ParCarte) << "4970" << 0 << "4970";
    QTest::newRow("carte vidée") << int(ParCarte) << "4" << 1 << "";
    QTest::newRow("facture") << int(ParFacture) << "5" << 0 << "5";
    QTest::newRow("facture vidée") << int(ParFacture) << "5" << 1 << "";
}

void TestRecherche::journalVide()
{
    QFETCH(int, mode);
    QFETCH(QString, texte);
    QFETCH(int, effacer);
    QFETCH(QString, boite);
    FenetreRecherche r(QStringLiteral("DELETE FROM Ventes;"));
    QVERIFY(r.ouvrir());
    QCOMPARE(r.f.RsVentes.recordCount(), 0);
    option(r.f, mode)->click();
    QSignalSpy spy(r.f.Text2, &QLineEdit::textChanged);
    QTest::keyClicks(r.f.Text2, texte);
    for (int i = 0; i < effacer; ++i)
        QTest::keyClick(r.f.Text2, Qt::Key_Backspace);
    QCOMPARE(r.f.Text2->text(), boite);
    QCOMPARE(spy.count(), texte.size() + effacer);
    QVERIFY(r.f.RsVentes.isEof());
}

void TestRecherche::telecollectes_data()
{
    QTest::addColumn<int>("depart");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("colle");
    QTest::addColumn<int>("attendu");
    QTest::addColumn<QString>("boite");

    // Newest first: 2 (11/02/26 02:00), 1 (06/01/26 02:00), 3 (01/12/25 02:00).
    QTest::newRow("le jour d'une télécollecte") << 2 << "11/02/26" << false << 2 << "11/02/26";
    QTest::newRow("un jour sans") << 2 << "01/02/26" << false << 1 << "01/02/26";
    // From the first upload, whatever upload is current: a later day moves up.
    QTest::newRow("vers une plus récente") << 3 << "15/02/26" << false << 2 << "15/02/26";
    QTest::newRow("plus loin") << 1 << "15/12/25" << false << 3 << "15/12/25";
    QTest::newRow("avant toutes") << 2 << "01/01/20" << false << 2 << "01/01/20";
    QTest::newRow("avec l'heure") << 2 << "11/02/26 01:59" << true << 1 << "11/02/26 01:59";
    QTest::newRow("sept caractères") << 2 << "01/02/2" << false << 2 << "01/02/2";
    QTest::newRow("date impossible") << 1 << "99/99/99" << false << 1 << "";
    QTest::newRow("heure commencée") << 2 << "11/02/26 1" << true << 2 << "11/02/26 1";
    QTest::newRow("dernier jour") << 2 << "31/12/9999" << true << 2 << "31/12/9999";
}

void TestRecherche::telecollectes()
{
    QFETCH(int, depart);
    QFETCH(QString, texte);
    QFETCH(bool, colle);
    QFETCH(int, attendu);
    QFETCH(QString, boite);
    FenetreRecherche r;
    QVERIFY(r.ouvrir());
    // The card-number mode, in which the search would otherwise look for a card.
    r.f.Option2->click();
    QVERIFY(r.allerAVente(6));
    r.f.Command2->click();
    QVERIFY(r.allerATelecollecte(depart));

    saisir(r.f.Text2, texte, colle);
    QCOMPARE(r.telecollecteCourante(), attendu);
    QCOMPARE(r.f.Text2->text(), boite);
    // The journal stays where it was.
    QCOMPARE(r.venteCourante(), 6);
}

CORVANE_TEST(TestRecherche)
#include "tst_recherche.moc"
