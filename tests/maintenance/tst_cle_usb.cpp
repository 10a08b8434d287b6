#include "BasesTest.h"
#include "OperationsDefaillantes.h"
#include "TestSupport.h"

#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/Lecteurs.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <memory>
#include <sqlite3.h>

using namespace BasesTest;
using Maintenance::ChercherSurCleUSB;
using Maintenance::Lecteur;
using Op = OperationsDefaillantes::Op;

// Drives "name:kind:file,file" (kind a removable, f fixed, d floppy), the search's result, the application
// folder's files, then dacorvane.mdb's marker, what OLDCLE.BAK holds, the start of the logged error ("" none).
struct Recherche { QStringList cles; bool resultat; QStringList apres;
                   QString base = "locale", garde = "absent", erreur = {}; };
Q_DECLARE_METATYPE(Recherche)
// The failing call; whether the local database is then in OLDCLE.BAK, whether the key's file took its place.
struct Coupure { Op op; int rang; bool sauvee, remplacee; };
Q_DECLARE_METATYPE(Coupure)

class TestCleUsb : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;
    LecteursFictifs m_lecteurs;

    QString app(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("app/") + nom); }
    QString lecteur(const QString &nom) const { return m_tmp->filePath(nom); }

    // A drive "name:kind:file,file" (kind a removable, f fixed, d floppy; a drive named
    // "absente" has no folder); its files are databases marked with their path, "*.txt" text.
    void ajouterLecteur(const QString &description)
    {
        const QStringList p = description.split(QLatin1Char(':'));
        m_lecteurs.liste.push_back({lecteur(p[0]), p[1] == QLatin1String("a"), p[1] == QLatin1String("d")});
        if (p[0] != QLatin1String("absente"))
            QDir().mkpath(lecteur(p[0]));
        for (const QString &f : p[2].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            QDir().mkpath(QFileInfo(lecteur(p[0] + QLatin1Char('/') + f)).path());
            if (f.endsWith(QLatin1String(".txt")))
                ecrire(lecteur(p[0] + QLatin1Char('/') + f), "texte");
            else
                creer(lecteur(p[0] + QLatin1Char('/') + f), p[0] + QLatin1Char('/') + f, 40);
        }
    }

    QStringList erreursJournal() const { return erreurs(app(QStringLiteral("MAINTEN.MDB"))); }
    // The application folder's files, the fingerprints of the key's copies aside.
    QStringList fichiersApp() const
    {
        QStringList noms = fichiers(app());
        noms.removeOne(QStringLiteral("CLEUSB.EMP"));
        return noms;
    }

    // The marker of the database kept in OLDCLE.BAK, "journal" for an error log, or "absent".
    QString sauvegarde() const
    {
        const QString chemin = app(QStringLiteral("OLDCLE.BAK"));
        if (!existe(chemin))
            return QStringLiteral("absent");
        return TestSupport::valeurSql(chemin, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'Erreurs'"))
                   == QLatin1String("1") ? QStringLiteral("journal") : marqueur(chemin);
    }

private slots:

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QDir().mkpath(app());
        preparerApplication(m_tmp->filePath(QStringLiteral("app")));
        creer(app(QStringLiteral("dacorvane.mdb")), QStringLiteral("locale"), 40);
        m_lecteurs = {};
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }

    void cleanup()
    {
        m_boite.reset();
        m_tmp.reset();
    }

    void lecteurs_data()
    {
        QTest::addColumn<Recherche>("cas");
        const QStringList locaux = {"MAINTEN.MDB", "dacorvane.mdb"};
        const QStringList sauves = {"MAINTEN.MDB", "OLDCLE.BAK", "dacorvane.mdb"};
        auto ligne = [](const char *nom, const Recherche &cas) { QTest::newRow(nom) << cas; };
        ligne("disquette jamais lue, disque fixe", {{"disquette:d:x.mdb", "absente:d:", "fixe:f:dacorvane.mdb"}, false,
                                                    locaux});
        ligne("même nom que la base", {{"cle:a:DACORVANE.MDB"}, true, sauves, "cle/DACORVANE.MDB", "locale"});
        ligne("deux fichiers, le premier par nom", {{"cle:a:b.mdb,A.MDB"}, true, {"A.MDB", "MAINTEN.MDB", "dacorvane.mdb"}});
        ligne("MAINTEN.MDB", {{"cle:a:MAINTEN.MDB"}, true, sauves, "locale", "journal"});
        ligne("sous-dossier seulement", {{"CLE KIOSQUE:a:archives/dacorvane.mdb"}, false, locaux, "locale", "absent",
              "|N°: 53 Aucune base de données (fichier *.mdb) à la racine du lecteur amovible « @/CLE KIOSQUE »"});
        ligne("lecteur illisible, les suivants sautés", {{"absente:a:", "cle:a:dacorvane.mdb"}, false, locaux,
              "locale", "absent", "|N°: 53 Fichier introuvable (lecture du lecteur amovible « "});
        ligne("le journal puis la base, la base gardée", {{"cle1:a:MAINTEN.MDB", "cle2:a:dacorvane.mdb"}, true,
              sauves, "cle2/dacorvane.mdb", "locale"});
        ligne("fichier caché", {{"cle:a:.dacorvane.mdb,z.mdb"}, true, {"MAINTEN.MDB", "dacorvane.mdb", "z.mdb"}});
        ligne("dossier nommé .mdb", {{"cle:a:a.mdb/b.txt,c.mdb"}, true, {"MAINTEN.MDB", "c.mdb", "dacorvane.mdb"}});
    }

    void lecteurs()
    {
        QFETCH(Recherche, cas);
        for (const QString &c : cas.cles)
            ajouterLecteur(c);
        // The copy keeps the key's file date (shown in the window's caption).
        const QDateTime date(QDate(2026, 5, 12), QTime(11, 38, 56));
        for (const Lecteur &l : m_lecteurs.liste)
            for (const QString &f : fichiers(l.racine)) {
                QFile fichier(l.racine + QLatin1Char('/') + f);
                QVERIFY(fichier.open(QIODevice::ReadWrite) && fichier.setFileTime(date, QFileDevice::FileModificationTime));
            }
        QCOMPARE(ChercherSurCleUSB(m_lecteurs), cas.resultat);
        QCOMPARE(QFileInfo(app(QStringLiteral("dacorvane.mdb"))).lastModified() == date, cas.base != QLatin1String("locale"));
        QCOMPARE(fichiersApp(), cas.apres);
        QCOMPARE(marqueur(app(QStringLiteral("dacorvane.mdb"))), cas.base);
        const QString erreur = cas.erreur.replace(QLatin1Char('@'), m_tmp->path());
        // A key's MAINTEN.MDB replaced the log.
        QStringList erreurs = cas.cles.join(QLatin1Char(',')).contains(QLatin1String("MAINTEN"))
                                  ? QStringList() : erreursJournal();
        QCOMPARE(erreurs.size(), erreur.isEmpty() ? 0 : 1);
        QVERIFY(erreurs.value(0).startsWith(erreur));
        QCOMPARE(erreurs.replaceInStrings(QRegularExpression(QStringLiteral("^\\|")), QString()), m_boite->textes);
        if (QTest::currentDataTag() == QLatin1String("MAINTEN.MDB"))
            QCOMPARE(marqueur(app(QStringLiteral("MAINTEN.MDB"))), QStringLiteral("cle/MAINTEN.MDB"));
        QCOMPARE(sauvegarde(), cas.garde);
    }

    // A link on the key is never followed: it could name any file of this machine.
    void lienSymbolique()
    {
        ajouterLecteur(QStringLiteral("cle:a:z.mdb"));
        creer(lecteur(QStringLiteral("ailleurs.mdb")), QStringLiteral("ailleurs"), 40);
        QVERIFY(QFile::link(lecteur(QStringLiteral("ailleurs.mdb")), lecteur(QStringLiteral("cle/a.mdb"))));
        QVERIFY(ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(fichiersApp(), QStringList({"MAINTEN.MDB", "dacorvane.mdb", "z.mdb"}));
    }

    // A key's file under the database's name replaces nothing before it is
    // checked: it must hold what the start-up opens. A key's file holding the
    // same bytes as the file in place copies nothing.
    void verificationDeLaCle_data()
    {
        QTest::addColumn<QString>("defaut");   // journal, tronquer or identique
        QTest::addColumn<QString>("erreur");   // part of the one message; "" none
        QTest::newRow("journal d'erreurs sous le nom de la base")
            << "journal" << "n'est pas une base de ventes (la table « Parametres » manque)";
        QTest::newRow("tronquée, en-tête intact") << "tronquer" << " de la clé est endommagé (";
        QTest::newRow("identique à la base en place") << "identique" << "";
    }

    void verificationDeLaCle()
    {
        QFETCH(QString, defaut);
        QFETCH(QString, erreur);
        ajouterLecteur(QStringLiteral("cle:a:"));
        const QString fichier = lecteur(QStringLiteral("cle/DACORVANE.MDB"));
        if (defaut == QLatin1String("journal")) {
            creerMaintenance(fichier);
        } else if (defaut == QLatin1String("identique")) {
            QVERIFY(QFile::copy(app(QStringLiteral("dacorvane.mdb")), fichier));
        } else {
            creer(fichier, QStringLiteral("clé"), 2000);
            QVERIFY(QFile::resize(fichier, QFileInfo(fichier).size() / 2));
        }
        const quint64 avant = inode(app(QStringLiteral("dacorvane.mdb")));

        QVERIFY(!ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(inode(app(QStringLiteral("dacorvane.mdb"))), avant);
        QCOMPARE(fichiersApp(), QStringList({"MAINTEN.MDB", "dacorvane.mdb"}));
        QCOMPARE(m_boite->textes.size(), erreur.isEmpty() ? 0 : 1);
        QVERIFY(erreur.isEmpty() || m_boite->textes.at(0).startsWith(QStringLiteral("N°: 3049 Le fichier « ") + fichier));
        QVERIFY(m_boite->textes.value(0).contains(erreur));
    }

    // A key left plugged in: its database, compacted since the copy, is not
    // replaced again, and the database from before the key stays kept.
    void cleLaisseeBranchee()
    {
        ajouterLecteur(QStringLiteral("cle:a:dacorvane.mdb"));
        QVERIFY(ChercherSurCleUSB(m_lecteurs));
        Maintenance::ReparerDatabase(app(QStringLiteral("dacorvane.mdb")));
        const quint64 compactee = inode(app(QStringLiteral("dacorvane.mdb")));
        QVERIFY(!ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(inode(app(QStringLiteral("dacorvane.mdb"))), compactee);
        QCOMPARE(sauvegarde(), QStringLiteral("locale"));
        QCOMPARE(m_boite->textes, QStringList());
        // Another file on the key is copied.
        QFile::remove(lecteur(QStringLiteral("cle/dacorvane.mdb")));
        creer(lecteur(QStringLiteral("cle/dacorvane.mdb")), QStringLiteral("cle2"), 40);
        QVERIFY(ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(marqueur(app(QStringLiteral("dacorvane.mdb"))), QStringLiteral("cle2"));
    }

    // The copy never leaves a half database at its destination.
    void copieInterrompue_data()
    {
        QTest::addColumn<Coupure>("cas");
        QTest::newRow("clé retirée pendant la copie") << Coupure{Op::Copier, 1, false, false};
        QTest::newRow("fsync de la copie") << Coupure{Op::SynchroniserFichier, 1, false, false};
        QTest::newRow("second nom de la base") << Coupure{Op::SynchroniserDossier, 1, false, false};
        QTest::newRow("sauvegarde") << Coupure{Op::Renommer, 1, false, false};
        QTest::newRow("remplacement") << Coupure{Op::Renommer, 2, true, false};
        QTest::newRow("fsync du remplacement") << Coupure{Op::SynchroniserDossier, 3, true, true};
    }

    void copieInterrompue()
    {
        QFETCH(Coupure, cas);
        ajouterLecteur(QStringLiteral("cle:a:dacorvane.mdb"));
        const quint64 avant = inode(app(QStringLiteral("dacorvane.mdb")));
        OperationsDefaillantes ops;
        ops.panne = {cas.op, cas.rang};
        QCOMPARE(ChercherSurCleUSB(m_lecteurs, &ops), false);
        QCOMPARE(marqueur(app(QStringLiteral("dacorvane.mdb"))),
                 cas.remplacee ? QStringLiteral("cle/dacorvane.mdb") : QStringLiteral("locale"));
        QCOMPARE(inode(app(QStringLiteral("dacorvane.mdb"))) == avant, !cas.remplacee);
        QCOMPARE(sauvegarde(), cas.sauvee ? QStringLiteral("locale") : QStringLiteral("absent"));
        QCOMPARE(fichiersApp().size(), cas.sauvee ? 3 : 2);
        QCOMPARE(erreursJournal().size(), 1);
        QVERIFY(erreursJournal().at(0).startsWith(QStringLiteral("|N°: 57 ")));
        QCOMPARE(ops.fichiersOuverts, QStringList());
    }

    void copieLaisseeParUnDemarrageInterrompu()
    {
        ecrire(app(QStringLiteral("CLEUSB.TMP")), QByteArray(3000, 'x'));
        QVERIFY(!ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(fichiersApp(), QStringList({"MAINTEN.MDB", "dacorvane.mdb"}));
    }

    // A journal left beside the replaced database (a crash while it was
    // written) must not be played back into the key's database.
    void journalDeLaBaseRemplacee()
    {
        const QString locale = app(QStringLiteral("dacorvane.mdb"));
        QFile::remove(locale);
        creer(locale, QStringLiteral("locale"), 2000);
        // A hot journal: copied while a transaction of the local base has spilled to disk.
        {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(locale).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "PRAGMA cache_size=1; BEGIN; UPDATE Ventes SET Ticket = hex(randomblob(200));",
                                  nullptr, nullptr, nullptr), SQLITE_OK);
            QVERIFY(QFile::copy(locale + QStringLiteral("-journal"), m_tmp->filePath(QStringLiteral("journal"))));
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        QVERIFY(QFile::copy(m_tmp->filePath(QStringLiteral("journal")), locale + QStringLiteral("-journal")));
        ajouterLecteur(QStringLiteral("cle:a:"));
        creer(lecteur(QStringLiteral("cle/dacorvane.mdb")), QStringLiteral("cle"), 2000);
        TestSupport::executerSql(lecteur(QStringLiteral("cle/dacorvane.mdb")),
                                 QStringLiteral("UPDATE Ventes SET Ticket = 'clé ' || NoVente"));
        const QString tickets = QStringLiteral("SELECT group_concat(Ticket) FROM Ventes");
        const QString attendus = TestSupport::valeurSql(lecteur(QStringLiteral("cle/dacorvane.mdb")), tickets);

        QVERIFY(ChercherSurCleUSB(m_lecteurs));
        QCOMPARE(TestSupport::valeurSql(locale, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QCOMPARE(TestSupport::valeurSql(locale, tickets), attendus);
        // The journal went with the replaced database, which it keeps whole.
        QCOMPARE(fichiersApp(), QStringList({"MAINTEN.MDB", "OLDCLE.BAK", "OLDCLE.BAK-journal", "dacorvane.mdb"}));
        QCOMPARE(TestSupport::valeurSql(app(QStringLiteral("OLDCLE.BAK")), QStringLiteral("PRAGMA integrity_check")),
                 QStringLiteral("ok"));
        QCOMPARE(sauvegarde(), QStringLiteral("locale"));
    }

    // The machine's reader, on a /proc and /sys tree built in a temporary folder:
    // every kind of drive, a blank in a name, a key's sub-folder mounted, a key
    // hidden by a later mount.
    void lecteursDuSysteme()
    {
        const QByteArray montages = "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                                    "21 26 0:20 / /proc rw - proc proc rw\n"
                                    "40 26 8:17 / /media/cle\\040usb rw - vfat /dev/sdb1 rw\n"
                                    "41 26 8:32 / /media/disque rw - ext4 /dev/sdc rw\n"
                                    "42 26 2:0 / /media/disquette rw - vfat /dev/fd0 rw\n"
                                    "43 26 7:0 / /media/image rw - iso9660 /dev/loop0 rw\n"
                                    "44 26 11:0 / /media/cdrom rw - iso9660 /dev/sr0 rw\n"
                                    "45 26 8:17 /sous /media/lien rw - vfat /dev/sdb1 rw\n"
                                    "46 26 8:49 / /media/a-cle rw - vfat /dev/sdd1 rw\n"
                                    "47 26 8:17 / /media/cle rw - vfat /dev/sdb1 rw\n"
                                    "50 47 0:40 / /media/cle rw - tmpfs tmpfs rw\n";
        const QString proc = m_tmp->filePath(QStringLiteral("proc")), sys = m_tmp->filePath(QStringLiteral("sys"));
        ecrire(proc + QStringLiteral("/self/mountinfo"), montages);
        // "disk major:minor removable [partition major:minor]"
        QDir().mkpath(sys + QStringLiteral("/dev/block"));
        for (const char *d : {"vda 254:0 0", "sdb 8:16 1 sdb1 8:17", "sdc 8:32 0", "fd0 2:0 1", "loop0 7:0 0",
                              "sr0 11:0 1", "sdd 8:48 1 sdd1 8:49"}) {
            const QStringList p = QString::fromLatin1(d).split(QLatin1Char(' '));
            ecrire(sys + QStringLiteral("/block/") + p[0] + QStringLiteral("/removable"), p[2].toLatin1() + '\n');
            for (qsizetype i = 0; i < p.size(); i += 3) {
                const QString disque = i == 0 ? p[0] : p[0] + QLatin1Char('/') + p[i];
                if (i > 0)
                    ecrire(sys + QStringLiteral("/block/") + disque + QStringLiteral("/partition"), "1\n");
                QVERIFY(QFile::link(QStringLiteral("../../block/") + disque, sys + QStringLiteral("/dev/block/") + p[i + 1]));
            }
        }
        Maintenance::LecteursSysteme reel(proc, sys);
        QStringList obtenus;
        for (const Lecteur &l : reel.lecteurs())
            obtenus << l.racine + (l.disquette ? QStringLiteral(":d") : l.amovible ? QStringLiteral(":a") : QStringLiteral(":f"));
        QCOMPARE(obtenus, QStringList({"/:f", "/media/a-cle:a", "/media/cdrom:f", "/media/cle usb:a", "/media/disque:f",
                                       "/media/disquette:d", "/media/image:f"}));
    }

    void listeDeMontagesAbsente()
    {
        Maintenance::LecteursSysteme reel(m_tmp->filePath(QStringLiteral("rien")), m_tmp->filePath(QStringLiteral("rien")));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, reel.lecteurs());
        QVERIFY(!ChercherSurCleUSB(reel));
        QCOMPARE(erreursJournal().size(), 1);
        QVERIFY(erreursJournal().at(0).startsWith(QStringLiteral("|N°: 75 Liste des lecteurs illisible")));
    }
};

CORVANE_TEST(TestCleUsb)
#include "tst_cle_usb.moc"
