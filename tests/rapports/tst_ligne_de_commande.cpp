#include "BaseRapports.h"
#include "BasesTest.h"
#include "LecturePdf.h"

#include "FrmGestion/FrmGestion.h"
#include "database/Dates.h"
#include "impression/ImprimanteQt.h"

#include <QPrinterInfo>
#include <QtTest>
#include <QtWidgets>

namespace {

const QStringList Ventes{"2025-12-31 23:00:00|3|1|2",   "2026-12-01 09:00:00|12|1.2|2", "2026-12-01 10:00:00|4|1.2|1",
                         "2026-12-03 09:00:00|24|1.2|2", "2026-12-03 18:00:00|6|1.2|5",  "2027-01-02 10:00:00|7|1|2",
                         "2024-06-01 10:00:00|NULL|1|2"};

// Runs the program as a script would: no display at all.
TestSupport::Execution corvane(const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(variable));
    return TestSupport::executer(QStringLiteral("corvane"), arguments, env);
}

// A report asked on the command line and by the window's button, with or without its PDF.
struct Rapport { QString rapport, bouton, du, au; bool pdf; };
// A run on the kiosk folder unless `arguments` name one: its exit status, a text of its errors, the start
// of the error it logs ("" none), texts of its output (none: it stays empty).
struct Appel { QStringList arguments; int statut; QString message, journal; QStringList sortie; };

} // namespace
Q_DECLARE_METATYPE(Rapport)
Q_DECLARE_METATYPE(Appel)

class TestLigneDeCommande : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::epinglerFrancais();
        m_kiosque.creer(Ventes);
        QVERIFY(QFile::link(m_kiosque.dossier.filePath(QStringLiteral("OLDK7.BAK")),
                            m_ailleurs.filePath(QStringLiteral("lien-pendant.pdf"))));
        // A folder without a database, and one whose database has the Jet 4 header the kiosk's own
        // has before the window's first start converts it.
        QVERIFY(QDir(m_ailleurs.path()).mkdir(QStringLiteral("vide")));
        BasesTest::ecrire(m_ailleurs.filePath(QStringLiteral("jet/dacorvane.mdb")),
                          QByteArray("\0\1\0\0Standard Jet DB\0\1\0\0\0", 24).leftJustified(4096, '\0'));
    }

    void commeLaFenetre_data()
    {
        QTest::addColumn<Rapport>("cas");
        QTest::newRow("total") << Rapport{"total", "Command4", "01/12/2026", "05/12/2026", true};
        QTest::newRow("journalier") << Rapport{"journalier", "Command5", "01/12/2026", "05/12/2026", true};
        QTest::newRow("mensuel sur deux ans") << Rapport{"mensuel", "Command8", "01/12/2025", "31/01/2027", true};
        QTest::newRow("date courte d'un chiffre") << Rapport{"journalier", "Command5", "1/12/26", "3/1/27", false};
    }

    // The command line writes the lines the window's button shows, and its PDF
    // is the one "Imprimer " prints.
    void commeLaFenetre()
    {
        QFETCH(Rapport, cas);

        const QString fichier = m_kiosque.dossier.filePath(QStringLiteral("commande.pdf"));
        BasesTest::ecrire(fichier, "ancien");   // replaced whole once the new one is complete
        QStringList arguments{"--dossier", dossier(), "--rapport", cas.rapport, "--du", cas.du, "--au", cas.au};
        const TestSupport::Execution e = corvane(cas.pdf ? arguments + QStringList{"--pdf", fichier} : arguments);
        QVERIFY2(e.statut == 0, qPrintable(e.erreurs));
        QVERIFY(QDir(dossier()).entryList({".commande*"}, QDir::Files | QDir::Hidden).isEmpty());

        // The window, on the same folder, with the same period picked.
        TestSupport::BoiteMessageTest boite;
        FrmGestion fenetre;
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        // The period as a pick on the calendar sets it.
        const QLocale fr = Plateforme::localeSysteme();
        fenetre.DateDebut = DateTime::fromDate(AnalyserDate(cas.du, fr)->date());
        fenetre.DateFin = fr.toString(AnalyserDate(cas.au, fr)->date(), QLocale::ShortFormat);
        // What the list showed is replaced, the same on a second click.
        fenetre.List1->addItem(QStringLiteral("ancien rapport"));
        QStringList liste;
        for (int clic = 0; clic < 2; ++clic) {
            QTest::mouseClick(fenetre.findChild<QPushButton *>(cas.bouton), Qt::LeftButton);
            liste.clear();
            for (int i = 0; i < fenetre.List1->count(); ++i)
                liste << fenetre.List1->item(i)->text();
            QVERIFY(liste.size() >= 8);
            QCOMPARE(QString::fromUtf8(e.sortie), liste.join('\n') + '\n');
        }
        if (cas.pdf) {
            const QString imprime = m_ailleurs.filePath(QStringLiteral("fenetre.pdf"));
            ImprimanteParDefaut::definirFichierPdf(imprime);
            QTest::mouseClick(fenetre.Command7, Qt::LeftButton);
            ImprimanteParDefaut::definirFichierPdf(QString());
            // The list's empty lines print nothing.
            QCOMPARE(lirePdf(fichier).lignes().size(), liste.size() - liste.count(QString()));
            QVERIFY(lirePdf(fichier).mots == lirePdf(imprime).mots);
        }
        QVERIFY(boite.textes.isEmpty());
    }

    // With no period picked every report button leaves the list as it was. "Imprimer Ticket"
    // prints the ticket of the sale shown, the newest first in the journal, or says there is no printer.
    void fenetre()
    {
        TestSupport::executerSql(m_kiosque.base(),
                                 QStringLiteral("UPDATE Ventes SET Ticket = 'AUTOMATE' || char(13, 10) "
                                                "|| 'Vente ' || NoVente || char(13, 10) || 'Merci'"));
        TestSupport::BoiteMessageTest boite;
        FrmGestion fenetre;
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        fenetre.List1->addItem(QStringLiteral("ancien rapport"));
        for (QPushButton *b : {fenetre.Command4, fenetre.Command5, fenetre.Command8}) {
            QTest::mouseClick(b, Qt::LeftButton);
            QCOMPARE(fenetre.List1->count(), 1);
            QCOMPARE(fenetre.List1->item(0)->text(), QStringLiteral("ancien rapport"));
        }

        const QString ticket = m_ailleurs.filePath(QStringLiteral("ticket.pdf"));
        ImprimanteParDefaut::definirFichierPdf(ticket);
        QTest::mouseClick(fenetre.CmdTicket, Qt::LeftButton);
        ImprimanteParDefaut::definirFichierPdf(QString());
        const auto t = lirePdf(ticket).lignes();
        QCOMPARE(t.size(), 3);
        QCOMPARE(t[0][0].texte, QStringLiteral("AUTOMATE"));
        QCOMPARE(t[1][1].texte, QStringLiteral("6"));
        QCOMPARE(t[2][0].texte, QStringLiteral("Merci"));
        QVERIFY(boite.textes.isEmpty());

        ImprimanteParDefaut::definirRecherche([] { return QPrinterInfo(); });
        QTest::mouseClick(fenetre.CmdTicket, Qt::LeftButton);
        ImprimanteParDefaut::definirRecherche({});
        QCOMPARE(boite.textes,
                 QStringList{"N°: 482 Erreur d'imprimante : aucune imprimante par défaut n'est installée."});
    }

    void statuts_data()
    {
        QTest::addColumn<Appel>("cas");

        const QStringList periode{"--du", "01/12/2026", "--au", "05/12/2026"};
        const auto total = [](const char *du, const char *au, const char *rapport = "total") {
            return QStringList{"--rapport", rapport, "--du", du, "--au", au};
        };
        const auto ligne = [](const char *nom, const QStringList &arguments, int statut, const QString &message) {
            QTest::newRow(nom) << Appel{arguments, statut, message, {}, {}};
        };
        ligne("rapport inconnu", QStringList{"--rapport", "annuel"} + periode, 2, "Rapport inconnu");
        ligne("sans date de fin", {"--rapport", "total", "--du", "01/12/2026"}, 2, "--au");
        ligne("valeur manquante", {"--rapport", "total", "--du", "01/12/2026", "--au"}, 2,
              "L'option --au demande une valeur");
        ligne("date illisible", total("32/12/2026", "05/12/2026"), 2, "Date de début illisible");
        ligne("date et heure", total("01/12/2026", "05/12/2026 10:00"), 2, "Date de fin illisible");
        ligne("imprimer et pdf", QStringList{"--rapport", "total", "--imprimer", "--pdf", "x.pdf"} + periode, 2,
              "--imprimer ou --pdf");
        ligne("date sans rapport", {"--du", "01/12/2026"}, 2, "vont avec --rapport");
        ligne("période sans vente", total("01/06/2026", "30/06/2026", "journalier"), 0,
              "aucune vente du 01/06/2026 au 30/06/2026");
        ligne("période inversée", total("30/11/2026", "01/11/2026"), 2,
              "Période inversée : la date de début (--du 30/11/2026) est après la date de fin (--au 01/11/2026).");
        ligne("heure seule", total("00:00", "05/12/2026"), 2, "Date de début illisible : 00:00");
        ligne("option inconnue", {"--inconnue"}, 2, "Essayez « corvane --help »");
        const auto pdf = [&periode](const QString &fichier) {
            return QStringList{"--rapport", "total", "--pdf", fichier} + periode;
        };
        ligne("pdf : dossier absent", pdf("/dossier/absent/r.pdf"), 2,
              "Le dossier « /dossier/absent » du fichier PDF n'existe pas.");
        ligne("pdf : un dossier", pdf(m_ailleurs.path()), 2, "est un dossier");
        ligne("pdf : sous un fichier", pdf(m_kiosque.maintenance() + "/r.pdf"), 2, "n'est pas un dossier");
        const QString kiosque = QStringLiteral("du dossier de l'automate");
        ligne("pdf : la base", pdf(m_kiosque.dossier.filePath("DACORVANE.MDB")), 2, kiosque);
        ligne("pdf : le journal", pdf(m_kiosque.dossier.filePath("mainten.mdb")), 2, kiosque);
        ligne("pdf : la configuration par ..",
              pdf(m_kiosque.dossier.filePath("../" + QFileInfo(dossier()).fileName() + "/VELMARA.INI")), 2, kiosque);
        ligne("pdf : un lien pendant", pdf(m_ailleurs.filePath("lien-pendant.pdf")), 2, kiosque);
        ligne("base absente", QStringList{"--dossier", m_ailleurs.filePath("vide"), "--rapport", "total"} + periode, 1,
              "N°: 3024 ");
        ligne("base au format Jet",
              QStringList{"--dossier", m_ailleurs.filePath("jet"), "--rapport", "total"} + periode, 1,
              "La base de données « dacorvane.mdb » est encore au format Jet (Access) : démarrez une fois la fenêtre "
              "de Corvane sur ce dossier, qui la convertit, ou convertissez-la avec « corvane --convertir ».");
        QTest::newRow("le rapport échoue")
            << Appel{total("01/06/2024", "30/06/2024"), 3, "N°: 94 ", "TotalVentes|N°: 94 ", {}};
        // Printing with no printer: the lines were written before it failed.
        QTest::newRow("sans imprimante")
            << Appel{QStringList{"--rapport", "total", "--imprimer"} + periode, 4,
                     "N°: 482 Erreur d'imprimante : aucune imprimante par défaut n'est installée.", "|N°: 482 ",
                     {"TOTAL DE VENTE"}};
        // Help needs no display, whatever mode it is asked in.
        const QStringList aide{"--rapport", "--du", "--au", "--imprimer", "--pdf", "Code de sortie avec --rapport"};
        QTest::newRow("aide") << Appel{{"--help"}, 0, "", "", aide};
        QTest::newRow("aide avec un rapport") << Appel{{"--rapport", "total", "--help"}, 0, "", "", aide};
    }

    void statuts()
    {
        QFETCH(Appel, cas);
        if (cas.statut == 4 && !QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer: --imprimer would print for real");
        const int avant = m_kiosque.journal().size();
        const QStringList fichiers = empreinte(dossier());
        if (!cas.arguments.contains(QLatin1String("--dossier")))
            cas.arguments = QStringList{QStringLiteral("--dossier"), dossier()} + cas.arguments;
        const TestSupport::Execution e = corvane(cas.arguments);
        QVERIFY2(e.statut == cas.statut, qPrintable(QString::number(e.statut) + QLatin1Char(' ') + e.erreurs));
        QVERIFY2(e.erreurs.contains(cas.message), qPrintable(e.erreurs));
        QVERIFY(!e.erreurs.contains(QLatin1String("QPainter")));
        QCOMPARE(e.sortie.isEmpty(), cas.sortie.isEmpty());
        for (const QString &texte : cas.sortie)
            QVERIFY2(QString::fromUtf8(e.sortie).contains(texte), qPrintable(texte));
        const QStringList apres = m_kiosque.journal();
        QCOMPARE(apres.size(), avant + (cas.journal.isEmpty() ? 0 : 1));
        if (cas.journal.isEmpty())
            QCOMPARE(empreinte(dossier()), fichiers);
        else
            QVERIFY2(apres.last().startsWith(cas.journal), qPrintable(apres.last()));
    }

private:
    DossierKiosque m_kiosque;
    QString dossier() const { return m_kiosque.dossier.path(); }
    QTemporaryDir m_ailleurs;   // a folder outside the kiosk's, with links into it
};

CORVANE_TEST(TestLigneDeCommande)
#include "tst_ligne_de_commande.moc"
