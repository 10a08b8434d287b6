#include "TestSupport.h"
#include "BaseRapports.h"
#include "LecturePdf.h"

#include "FrmGestion/FrmGestion.h"
#include "database/Dates.h"

#include <QCryptographicHash>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

namespace {

const QStringList Ventes{"2025-12-31 23:00:00|3|1|2",   "2026-12-01 09:00:00|12|1.2|2", "2026-12-01 10:00:00|4|1.2|1",
                         "2026-12-03 09:00:00|24|1.2|2", "2026-12-03 18:00:00|6|1.2|5",  "2027-01-02 10:00:00|7|1|2",
                         "2024-06-01 10:00:00|NULL|1|2"};

using TestSupport::Execution;

// Runs the program as a script would: no display at all.
Execution corvane(const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(variable));
    return TestSupport::executer(QStringLiteral("corvane"), arguments, env);
}

QStringList lignesSortie(const QByteArray &sortie)
{
    QStringList l = QString::fromUtf8(sortie).split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    else
        l << QStringLiteral("<no final line end>");
    return l;
}

} // namespace

class TestLigneDeCommande : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commeLaFenetre_data();
    void commeLaFenetre();
    void pdf();
    void statuts_data();
    void statuts();
    void sansImprimante();
    void baseAbsente_data();
    void baseAbsente();
    void aide_data();
    void aide();
    void optionInconnueSansEcran();

private:
    DossierKiosque m_kiosque;
    QString dossier() const { return m_kiosque.dossier.path(); }
    // Every file of the kiosk folder with a digest of its bytes.
    QStringList empreinte() const
    {
        QStringList r;
        for (const QFileInfo &f : QDir(dossier()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
            QFile fichier(f.filePath());
            fichier.open(QIODevice::ReadOnly);
            r << f.fileName() + QLatin1Char(' ') + QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha256).toHex();
        }
        return r;
    }
    QTemporaryDir m_ailleurs;   // a folder outside the kiosk's, with links into it
};

void TestLigneDeCommande::initTestCase()
{
    TestSupport::epinglerFrancais();
    m_kiosque.creer(Ventes);
    QVERIFY(QFile::link(m_kiosque.base(), m_ailleurs.filePath(QStringLiteral("lien.pdf"))));
    QVERIFY(QFile::link(m_kiosque.dossier.filePath(QStringLiteral("OLDK7.BAK")),
                        m_ailleurs.filePath(QStringLiteral("lien-pendant.pdf"))));
    QVERIFY(QDir(m_ailleurs.path()).mkdir(QStringLiteral("lecture-seule")));
    QVERIFY(QFile::setPermissions(m_ailleurs.filePath(QStringLiteral("lecture-seule")),
                                  QFile::ReadOwner | QFile::ExeOwner));
}

void TestLigneDeCommande::commeLaFenetre_data()
{
    QTest::addColumn<QString>("rapport");
    QTest::addColumn<QString>("bouton");
    QTest::addColumn<QString>("du");
    QTest::addColumn<QString>("au");
    QTest::newRow("total") << "total" << "Command4" << "01/12/2026" << "05/12/2026";
    QTest::newRow("journalier") << "journalier" << "Command5" << "01/12/2026" << "05/12/2026";
    QTest::newRow("mensuel sur deux ans") << "mensuel" << "Command8" << "01/12/2025" << "31/01/2027";
    QTest::newRow("date courte d'un chiffre") << "journalier" << "Command5" << "1/12/26" << "3/1/27";
}

void TestLigneDeCommande::commeLaFenetre()
{
    QFETCH(QString, rapport);
    QFETCH(QString, bouton);
    QFETCH(QString, du);
    QFETCH(QString, au);

    const Execution e = corvane({"--dossier", dossier(), "--rapport", rapport, "--du", du, "--au", au});
    QVERIFY2(e.statut == 0, qPrintable(e.erreurs));

    // The window, on the same folder, with the same period picked.
    TestSupport::BoiteMessageTest boite;
    FrmGestion fenetre;
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    // The period as a pick on the calendar sets it.
    const QLocale fr = Plateforme::localeSysteme();
    fenetre.DateDebut = DateTime::fromDate(AnalyserDate(du, fr)->date());
    fenetre.DateFin = fr.toString(AnalyserDate(au, fr)->date(), QLocale::ShortFormat);
    QTest::mouseClick(fenetre.findChild<QPushButton *>(bouton), Qt::LeftButton);
    QStringList liste;
    for (int i = 0; i < fenetre.List1->count(); ++i)
        liste << fenetre.List1->item(i)->text();
    QVERIFY(liste.size() >= 8);
    QCOMPARE(lignesSortie(e.sortie), liste);
    QVERIFY(boite.textes.isEmpty());
}

void TestLigneDeCommande::pdf()
{
    const QString fichier = m_kiosque.dossier.filePath(QStringLiteral("mensuel.pdf"));
    QFile ancien(fichier);   // replaced whole once the new one is complete
    QVERIFY(ancien.open(QIODevice::WriteOnly) && ancien.write("ancien") == 6);
    ancien.close();
    const Execution e = corvane({"--dossier", dossier(), "--rapport", "mensuel", "--du", "01/01/2025", "--au",
                                 "31/12/2027", "--pdf", fichier});
    QVERIFY2(e.statut == 0, qPrintable(e.erreurs));
    const QStringList lignes = lignesSortie(e.sortie);
    const auto imprime = lirePdf(fichier).lignes();
    QCOMPARE(imprime.size(), lignes.size() - 2);   // the two empty lines of the heading print nothing
    QCOMPARE(imprime[0][0].texte, QStringLiteral("VENTES"));
    QCOMPARE(imprime.last()[0].texte, QString(95, QLatin1Char('-')));
    QVERIFY(QDir(dossier()).entryList({".mensuel*"}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestLigneDeCommande::statuts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("journal");

    const QStringList periode{"--du", "01/12/2026", "--au", "05/12/2026"};
    QTest::newRow("rapport inconnu") << QStringList{"--rapport", "annuel"} + periode << 2 << "Rapport inconnu" << "";
    QTest::newRow("sans date de fin") << QStringList{"--rapport", "total", "--du", "01/12/2026"} << 2 << "--au" << "";
    QTest::newRow("valeur manquante") << QStringList{"--rapport", "total", "--du", "01/12/2026", "--au"} << 2
                                      << "L'option --au demande une valeur" << "";
    QTest::newRow("date illisible") << QStringList{"--rapport", "total", "--du", "32/12/2026", "--au", "05/12/2026"}
                                    << 2 << "Date de début illisible" << "";
    QTest::newRow("date et heure") << QStringList{"--rapport", "total", "--du", "01/12/2026", "--au", "05/12/2026 10:00"}
                                   << 2 << "Date de fin illisible" << "";
    QTest::newRow("imprimer et pdf") << QStringList{"--rapport", "total", "--imprimer", "--pdf", "x.pdf"} + periode
                                     << 2 << "--imprimer ou --pdf" << "";
    QTest::newRow("date sans rapport") << QStringList{"--du", "01/12/2026"} << 2 << "vont avec --rapport" << "";
    QTest::newRow("période sans vente")
        << QStringList{"--rapport", "journalier", "--du", "01/06/2026", "--au", "30/06/2026"} << 0
        << "aucune vente du 01/06/2026 au 30/06/2026" << "";
    QTest::newRow("période inversée")
        << QStringList{"--rapport", "total", "--du", "30/11/2026", "--au", "01/11/2026"} << 2
        << "Période inversée : la date de début (--du 30/11/2026) est après la date de fin (--au 01/11/2026)." << "";
    QTest::newRow("heure seule") << QStringList{"--rapport", "total", "--du", "00:00", "--au", "05/12/2026"} << 2
                                 << "Date de début illisible : 00:00" << "";
    QTest::newRow("jour zéro") << QStringList{"--rapport", "mensuel", "--du", "30/12/1899", "--au", "05/12/2026"} << 2
                               << "Date de début illisible : 30/12/1899" << "";
    const auto pdf = [&periode](const QString &fichier) {
        return QStringList{"--rapport", "total", "--pdf", fichier} + periode;
    };
    QTest::newRow("pdf : dossier absent") << pdf("/dossier/absent/r.pdf") << 2
                                          << "Le dossier « /dossier/absent » du fichier PDF n'existe pas." << "";
    QTest::newRow("pdf : un dossier") << pdf(m_ailleurs.path()) << 2 << "est un dossier" << "";
    QTest::newRow("pdf : sous un fichier") << pdf(m_kiosque.maintenance() + "/r.pdf") << 2 << "n'est pas un dossier"
                                           << "";
    QTest::newRow("pdf : sans permission") << pdf(m_ailleurs.filePath("lecture-seule/r.pdf")) << 2
                                           << "Permission refusée" << "";
    const QString kiosque = QStringLiteral("du dossier de l'automate");
    QTest::newRow("pdf : la base") << pdf(m_kiosque.dossier.filePath("DACORVANE.MDB")) << 2 << kiosque << "";
    QTest::newRow("pdf : le journal") << pdf(m_kiosque.dossier.filePath("mainten.mdb")) << 2 << kiosque << "";
    QTest::newRow("pdf : la sauvegarde absente") << pdf(m_kiosque.dossier.filePath("OldK7.bak")) << 2 << kiosque << "";
    QTest::newRow("pdf : ce que la clé a remplacé") << pdf(m_kiosque.dossier.filePath("oldcle.bak")) << 2 << kiosque << "";
    QTest::newRow("pdf : la copie compactée") << pdf(m_kiosque.dossier.filePath("NEWK7.MDB")) << 2 << kiosque << "";
    QTest::newRow("pdf : la configuration par ..")
        << pdf(m_kiosque.dossier.filePath("../" + QFileInfo(dossier()).fileName() + "/VELMARA.INI")) << 2 << kiosque << "";
    QTest::newRow("pdf : un lien vers la base") << pdf(m_ailleurs.filePath("lien.pdf")) << 2 << kiosque << "";
    QTest::newRow("pdf : un lien pendant") << pdf(m_ailleurs.filePath("lien-pendant.pdf")) << 2 << kiosque << "";
    QTest::newRow("le rapport échoue")
        << QStringList{"--rapport", "total", "--du", "01/06/2024", "--au", "30/06/2024"} << 3 << "N°: 94 "
        << "TotalVentes|N°: 94 ";
}

void TestLigneDeCommande::statuts()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, statut);
    QFETCH(QString, message);
    QFETCH(QString, journal);
    if (QByteArray(QTest::currentDataTag()).endsWith("sans permission") && ::geteuid() == 0)
        QSKIP("root writes in any folder");
    const int avant = m_kiosque.journal().size();
    const QStringList fichiers = empreinte();
    const Execution e = corvane(QStringList{"--dossier", dossier()} + arguments);
    QVERIFY2(e.statut == statut, qPrintable(QString::number(e.statut) + QLatin1Char(' ') + e.erreurs));
    QVERIFY2(e.erreurs.contains(message), qPrintable(e.erreurs));
    if (statut != 4)
        QVERIFY(e.sortie.isEmpty());
    if (journal.isEmpty())
        QCOMPARE(empreinte(), fichiers);
    QVERIFY2(!e.erreurs.contains(QLatin1String("QPainter")), qPrintable(e.erreurs));
    const QStringList apres = m_kiosque.journal();
    if (journal.isEmpty()) {
        QCOMPARE(apres.size(), avant);
    } else {
        QCOMPARE(apres.size(), avant + 1);
        QVERIFY2(apres.last().startsWith(journal), qPrintable(apres.last()));
    }
}

void TestLigneDeCommande::sansImprimante()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: --imprimer would print for real");
    const Execution e = corvane({"--dossier", dossier(), "--rapport", "total", "--du", "01/12/2026", "--au",
                                 "05/12/2026", "--imprimer"});
    QCOMPARE(e.statut, 4);
    QVERIFY2(e.erreurs.contains(QStringLiteral("N°: 482 Erreur d'imprimante")), qPrintable(e.erreurs));
    QVERIFY(m_kiosque.journal().last().startsWith(QStringLiteral("|N°: 482 ")));
    QVERIFY(!e.sortie.isEmpty());   // the lines were written before the printing failed
}

void TestLigneDeCommande::baseAbsente_data()
{
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QString>("message");
    QTest::newRow("absente") << QByteArray() << "N°: 3024 ";
    // A Jet 4 header, as the kiosk's own database has before the window's first start converts it.
    QByteArray jet = QByteArray("\0\1\0\0Standard Jet DB\0\1\0\0\0", 24);
    jet.resize(4096);
    QTest::newRow("au format Jet") << jet
                                   << "La base de données « dacorvane.mdb » est encore au format Jet (Access) : "
                                      "démarrez une fois la fenêtre de Corvane sur ce dossier, qui la convertit, "
                                      "ou convertissez-la avec « corvane --convertir ».";
}

void TestLigneDeCommande::baseAbsente()
{
    QFETCH(QByteArray, base);
    QFETCH(QString, message);
    QTemporaryDir vide;
    if (!base.isEmpty()) {
        QFile f(vide.filePath(QStringLiteral("dacorvane.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(base) == base.size());
    }
    const Execution e = corvane({"--dossier", vide.path(), "--rapport", "total", "--du", "01/12/2026", "--au",
                                 "05/12/2026"});
    QCOMPARE(e.statut, 1);
    QVERIFY2(e.erreurs.contains(message), qPrintable(e.erreurs));
    QVERIFY(e.sortie.isEmpty());
}

void TestLigneDeCommande::aide_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("seule") << QStringList{"--help"};
    QTest::newRow("courte") << QStringList{"-h"};
    QTest::newRow("avec un rapport") << QStringList{"--rapport", "total", "--help"};
}

// Help needs no display, whatever mode it is asked in.
void TestLigneDeCommande::aide()
{
    QFETCH(QStringList, arguments);
    const Execution e = corvane(arguments);
    QCOMPARE(e.statut, 0);
    const QString aide = QString::fromUtf8(e.sortie);
    for (const char *mot : {"--rapport", "--du", "--au", "--imprimer", "--pdf", "Code de sortie avec --rapport"})
        QVERIFY2(aide.contains(QLatin1String(mot)), mot);
}

void TestLigneDeCommande::optionInconnueSansEcran()
{
    const Execution e = corvane({"--inconnue"});
    QCOMPARE(e.statut, 2);
    QVERIFY2(e.erreurs.contains(QStringLiteral("Essayez « corvane --help »")), qPrintable(e.erreurs));
}

CORVANE_TEST(TestLigneDeCommande)
#include "tst_ligne_de_commande.moc"
