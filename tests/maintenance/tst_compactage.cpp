#include "BasesTest.h"
#include "OperationsDefaillantes.h"
#include "TestSupport.h"

#include "maintenance/CompactageSqlite.h"
#include "maintenance/ReparerDatabase.h"
#include "journal/JournalErreurs.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace BasesTest;
using Op = OperationsDefaillantes::Op;
using Maintenance::ReparerDatabase;

class TestCompactage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dossier;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString chemin(const QString &nom) const { return m_dossier->filePath(nom); }
    QString base() const { return chemin(QStringLiteral("dacorvane.mdb")); }
    QString copie() const { return chemin(QStringLiteral("NEWK7.MDB")); }
    QString sauvegarde() const { return chemin(QStringLiteral("OLDK7.BAK")); }
    QString temporaire() const { return chemin(QStringLiteral("OLDK7.TMP")); }
    QString journalCopie() const { return chemin(QStringLiteral("NEWK7.MDB-journal")); }

    // The log's records, "Contexte|Erreur".
    QStringList erreursJournal() const
    {
        QStringList r;
        const int n = TestSupport::valeurSql(chemin(QStringLiteral("MAINTEN.MDB")),
                                             QStringLiteral("SELECT count(*) FROM Erreurs")).toInt();
        for (int i = 0; i < n; ++i)
            r << TestSupport::valeurSql(chemin(QStringLiteral("MAINTEN.MDB")),
                                        QStringLiteral("SELECT Contexte || '|' || Erreur FROM Erreurs "
                                                       "ORDER BY NoErreur LIMIT 1 OFFSET %1").arg(i));
        return r;
    }

    void verifierUneErreur(int numero)
    {
        const QStringList erreurs = erreursJournal();
        QCOMPARE(erreurs.size(), 1);
        QVERIFY2(erreurs.at(0).startsWith(QStringLiteral("ReparerDatabase|N°: %1 ").arg(numero)),
                 qPrintable(erreurs.at(0)));
        QCOMPARE(m_boite->textes.size(), 1);
        QCOMPARE(QStringLiteral("ReparerDatabase|") + m_boite->textes.at(0), erreurs.at(0));
        QCOMPARE(m_boite->titres.at(0), QStringLiteral("Corvane"));
    }

    void verifierAucuneErreur()
    {
        QCOMPARE(m_boite->textes, QStringList());
        QCOMPARE(erreursJournal(), QStringList());
    }

    QStringList fichiers() const
    {
        QStringList noms = QDir(m_dossier->path()).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
        noms.sort();
        return noms;
    }

private slots:
    void initTestCase() { TestSupport::epinglerFrancais(); }

    void init()
    {
        m_dossier = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dossier->isValid());
        Plateforme::definirCheminApplication(m_dossier->path());
        reinitialiserRepMaintenance();
        creerMaintenance(chemin(QStringLiteral("MAINTEN.MDB")));
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }

    void cleanup()
    {
        m_boite.reset();
        m_dossier.reset();
    }

    // Files after a run in which one file operation fails, then after the next start.
    void fichiersApresDefaillance_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("rang");
        QTest::addColumn<int>("numeroErrno");
        QTest::addColumn<bool>("sansLiens");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("copie");
        QTest::addColumn<QString>("sauvegarde");
        QTest::addColumn<int>("numero");

        const QString compactee = QStringLiteral("compactée"), originale = QStringLiteral("originale"),
                      absent = QStringLiteral("absent"), reste = QStringLiteral("reste"),
                      precedente = QStringLiteral("précédente");
        auto ligne = [&](const char *nom, Op op, int rang, const QString &b, const QString &c,
                         const QString &s, int numero, bool sansLiens = false, int e = EIO) {
            QTest::newRow(nom) << int(op) << rang << e << sansLiens << b << c << s << numero;
        };
        ligne("aucune", Op::Supprimer, 0, compactee, absent, originale, 0);
        ligne("suppression du reste", Op::Supprimer, 1, originale, reste, precedente, 57);
        ligne("suppression du journal du reste", Op::Supprimer, 2, originale, absent, precedente, 57);
        ligne("compactage", Op::Compacter, 1, originale, absent, precedente, 57);
        ligne("compactage, disque plein", Op::Compacter, 1, originale, absent, precedente, 61, false, ENOSPC);
        ligne("fsync de la copie", Op::SynchroniserFichier, 1, originale, absent, precedente, 57);
        ligne("lien", Op::Lier, 1, originale, compactee, precedente, 57);
        ligne("fsync du lien", Op::SynchroniserDossier, 1, originale, compactee, precedente, 57);
        ligne("renommage en sauvegarde", Op::Renommer, 1, originale, compactee, precedente, 70, false, EACCES);
        ligne("fsync de la sauvegarde", Op::SynchroniserDossier, 2, originale, compactee, originale, 57);
        ligne("renommage de la copie", Op::Renommer, 2, originale, compactee, originale, 57);
        ligne("fsync du remplacement", Op::SynchroniserDossier, 3, compactee, absent, originale, 57);
        ligne("sans liens: aucune", Op::Supprimer, 0, compactee, absent, originale, 0, true);
        ligne("sans liens: copie", Op::Copier, 1, originale, compactee, precedente, 57, true);
        ligne("sans liens: fsync de la copie", Op::SynchroniserFichier, 2, originale, compactee, precedente, 57, true);
    }

    void fichiersApresDefaillance()
    {
        QFETCH(int, op);
        QFETCH(int, rang);
        QFETCH(int, numeroErrno);
        QFETCH(bool, sansLiens);
        creer(base(), QStringLiteral("courante"));
        creer(sauvegarde(), QStringLiteral("précédente"), 100);
        creer(copie(), QStringLiteral("reste"), 100);   // left by an interrupted start
        QFile journal(journalCopie());
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(QByteArray(512, 'j'));
        journal.close();
        const int ventes = nombreVentes(base());

        OperationsDefaillantes ops;
        ops.sansLiens = sansLiens;
        ops.echouer(Op(op), rang, numeroErrno);
        Maintenance::OptionsReparation options;
        options.operations = &ops;
        ReparerDatabase(base(), options);

        QTEST(etat(base()), "base");
        QTEST(etat(copie()), "copie");
        QTEST(etat(sauvegarde()), "sauvegarde");
        QFETCH(int, numero);
        if (numero)
            verifierUneErreur(numero);
        else
            verifierAucuneErreur();
        QCOMPARE(existe(temporaire()), false);
        QCOMPARE(existe(journalCopie()), QTest::currentDataTag() == QLatin1String("suppression du journal du reste"));
        QCOMPARE(nombreVentes(base()), ventes);
        QCOMPARE(ops.fichiersOuverts, QStringList());

        // Durability: the copy reaches the disk before any rename, and every
        // name change is followed by a sync of the folder.
        const QStringList &j = ops.journal;
        const qsizetype premierRenommage = j.indexOf(QRegularExpression(QStringLiteral("^renommer")));
        if (premierRenommage >= 0)
            QVERIFY(j.indexOf(QStringLiteral("synchroniserFichier NEWK7.MDB")) >= 0
                    && j.indexOf(QStringLiteral("synchroniserFichier NEWK7.MDB")) < premierRenommage);
        for (qsizetype i = 0; i + 1 < j.size(); ++i) {
            if ((j.at(i).startsWith(QLatin1String("renommer")) || j.at(i).startsWith(QLatin1String("lier")))
                && !j.at(i).endsWith(QLatin1String(" !")))
                QVERIFY2(j.at(i + 1).startsWith(QLatin1String("synchroniserDossier"))
                             || j.at(i + 1).startsWith(QLatin1String("copier")),
                         qPrintable(j.join(QLatin1String(", "))));
        }

        // The next start puts everything right.
        m_boite->textes.clear();
        ReparerDatabase(base());
        QCOMPARE(etat(base()), QStringLiteral("compactée"));
        QCOMPARE(nombreVentes(base()), ventes);
        QCOMPARE(marqueur(sauvegarde()), QStringLiteral("courante"));
        QCOMPARE(m_boite->textes, QStringList());
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("OLDK7.BAK"),
                                          QStringLiteral("dacorvane.mdb")}));
    }

    void cheminsDuCompactage()
    {
        creer(base(), QStringLiteral("courante"));
        OperationsDefaillantes ops;
        Maintenance::OptionsReparation options;
        options.operations = &ops;
        ReparerDatabase(base(), options);
        const QString dossier = m_dossier->path() + QLatin1Char('/');
        QCOMPARE(ops.chemins, QStringList({base(), dossier + QStringLiteral("NEWK7.MDB")}));
    }

    void deuxDemarrages()
    {
        creer(base(), QStringLiteral("premier"));
        ReparerDatabase(base());
        marquer(base(), QStringLiteral("second"));
        ReparerDatabase(base());
        verifierAucuneErreur();
        QCOMPARE(marqueur(base()), QStringLiteral("second"));
        QCOMPARE(marqueur(sauvegarde()), QStringLiteral("second"));
        QCOMPARE(pagesLibres(base()), 0);
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("OLDK7.BAK"),
                                          QStringLiteral("dacorvane.mdb")}));
        // The replaced backup is released soon, not held for the program's life.
        const auto retenues = [] {
            int n = 0;
            std::error_code ec;
            for (const auto &e : std::filesystem::directory_iterator("/proc/self/fd", ec))
                n += std::filesystem::read_symlink(e.path(), ec).string().ends_with("OLDK7.BAK (deleted)");
            return n;
        };
        QTRY_COMPARE(retenues(), 0);
    }

    // Names on disk keep their case; the configured name may differ in case.
    void nomsSansCasse()
    {
        creer(chemin(QStringLiteral("dacorvane.mdb")), QStringLiteral("courante"));
        creer(chemin(QStringLiteral("oldk7.bak")), QStringLiteral("précédente"), 100);
        creer(chemin(QStringLiteral("newk7.mdb")), QStringLiteral("reste"), 100);
        ReparerDatabase(chemin(QStringLiteral("DACORVANE.mdb")));
        verifierAucuneErreur();
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("dacorvane.mdb"),
                                          QStringLiteral("oldk7.bak")}));
        QCOMPARE(etat(chemin(QStringLiteral("dacorvane.mdb"))), QStringLiteral("compactée"));
        QCOMPARE(etat(chemin(QStringLiteral("oldk7.bak"))), QStringLiteral("originale"));
    }

    void baseAbsente()
    {
        creer(sauvegarde(), QStringLiteral("précédente"), 100);
        creer(copie(), QStringLiteral("reste"), 100);
        ReparerDatabase(base());
        verifierUneErreur(Erreurs::FichierBaseIntrouvable);
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("OLDK7.BAK")}));
        QCOMPARE(etat(sauvegarde()), QStringLiteral("précédente"));
    }

    void fichierQuiNestPasUneBase_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::newRow("texte") << QByteArray("Ceci n'est pas une base de données.\n").repeated(200);
        QTest::newRow("vide") << QByteArray();
        QTest::newRow("en-tête abîmé") << QByteArray("SQLite format 3\0", 16) + QByteArray(8176, '\xff');
    }

    void fichierQuiNestPasUneBase()
    {
        QFETCH(QByteArray, contenu);
        QFile f(base());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contenu);
        f.close();
        const quint64 avant = inode(base());
        creer(sauvegarde(), QStringLiteral("précédente"), 100);
        ReparerDatabase(base());
        verifierUneErreur(Erreurs::FormatNonReconnu);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), contenu);
        QCOMPARE(inode(base()), avant);
        QCOMPARE(etat(sauvegarde()), QStringLiteral("précédente"));
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("OLDK7.BAK"),
                                          QStringLiteral("dacorvane.mdb")}));
    }

    // A configuration naming a maintenance file must not have the database deleted as a leftover.
    void nomReserve_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::newRow("NEWK7") << QStringLiteral("NEWK7.mdb");
        QTest::newRow("OLDK7.BAK") << QStringLiteral("OLDK7.BAK");
        QTest::newRow("OLDK7.TMP") << QStringLiteral("oldk7.tmp");
        QTest::newRow("MAINTEN, le journal des erreurs") << QStringLiteral("MAINTEN.MDB");
    }

    void nomReserve()
    {
        QFETCH(QString, nom);
        const bool journal = nom == QLatin1String("MAINTEN.MDB");
        if (!journal)
            creer(chemin(nom), QStringLiteral("courante"));
        ReparerDatabase(chemin(nom.toLower()));
        verifierUneErreur(Erreurs::ArgumentsIncorrects);
        if (!journal)
            QCOMPARE(etat(chemin(nom)), QStringLiteral("originale"));
        QCOMPARE(fichiers().size(), journal ? 1 : 2);
    }

    // The compacted database keeps the old file's permission bits, and its
    // owner where the process may set them (the superuser).
    void attributsGardes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("proprietaire");   // -1: the process's own
        QTest::newRow("0600") << 0600 << -1;
        QTest::newRow("0440") << 0440 << -1;
        QTest::newRow("0640, à un autre utilisateur") << 0640 << 65534;
    }

    void attributsGardes()
    {
        QFETCH(int, mode);
        QFETCH(int, proprietaire);
        if (proprietaire >= 0 && ::geteuid() != 0)
            QSKIP("only the superuser gives a file to another user");
        creer(base(), QStringLiteral("courante"));
        if (proprietaire >= 0)
            QCOMPARE(::chown(QFile::encodeName(base()).constData(), uid_t(proprietaire), gid_t(proprietaire)), 0);
        QCOMPARE(::chmod(QFile::encodeName(base()).constData(), mode_t(mode)), 0);
        ReparerDatabase(base());
        verifierAucuneErreur();
        QCOMPARE(etat(base()), QStringLiteral("compactée"));
        QCOMPARE(BasesTest::mode(base()), mode);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(base()).constData(), &st), 0);
        QCOMPARE(int(st.st_uid), proprietaire >= 0 ? proprietaire : int(::geteuid()));
    }

    // A database out of the application folder: reached by a symbolic link
    // (kept, the file it names compacted where it lies), or named with a path,
    // on another file system (/dev/shm) too. The copy is written beside it,
    // the backup is in the application folder, nothing is left behind.
    void baseAilleurs_data()
    {
        QTest::addColumn<QString>("racine");   // where the database lies; "" a temporary folder
        QTest::addColumn<bool>("lien");
        QTest::newRow("lien symbolique") << QString() << true;
        QTest::newRow("lien vers un autre système de fichiers") << QStringLiteral("/dev/shm") << true;
        QTest::newRow("nom avec un chemin, autre système de fichiers") << QStringLiteral("/dev/shm") << false;
    }

    void baseAilleurs()
    {
        QFETCH(QString, racine);
        QFETCH(bool, lien);
        if (!racine.isEmpty() && !QFileInfo(racine).isWritable())
            QSKIP("no other file system to write to");
        QTemporaryDir ailleurs(racine.isEmpty() ? QDir::tempPath() + QStringLiteral("/ailleurs")
                                                : racine + QStringLiteral("/corvane"));
        const QString vraie = ailleurs.filePath(QStringLiteral("kiosque.mdb"));
        creer(vraie, QStringLiteral("courante"));
        if (lien)
            QVERIFY(QFile::link(vraie, base()));
        ReparerDatabase(lien ? base() : vraie);
        verifierAucuneErreur();
        QCOMPARE(QFileInfo(base()).isSymLink(), lien);
        QCOMPARE(etat(vraie), QStringLiteral("compactée"));
        QCOMPARE(mode(vraie), 0600);
        QCOMPARE(etat(sauvegarde()), QStringLiteral("originale"));
        QCOMPARE(QDir(ailleurs.path()).entryList(QDir::Files), QStringList{QStringLiteral("kiosque.mdb")});
        QVERIFY(!existe(copie()));
    }

    // A full disk under the copy says so, and only so.
    void disquePlein()
    {
        creer(base(), QStringLiteral("courante"));
        try {
            compacterSqlite(base(), QStringLiteral("/dev/full"), {});
            QFAIL("compacted onto a full device");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), int(Erreurs::DisqueSature));
            QCOMPARE(e.description(), QStringLiteral("Disque plein (écriture de la copie compactée « /dev/full »)"));
        }
    }

    // A crash after the backup took the database's second name, before the
    // last rename: the backup and the database are one file.
    void sauvegardeDejaLaBase()
    {
        creer(base(), QStringLiteral("courante"));
        QCOMPARE(::link(QFile::encodeName(base()).constData(), QFile::encodeName(sauvegarde()).constData()), 0);
        QCOMPARE(inode(sauvegarde()), inode(base()));
        creer(copie(), QStringLiteral("courante"));
        ReparerDatabase(base());
        verifierAucuneErreur();
        QCOMPARE(etat(base()), QStringLiteral("compactée"));
        QCOMPARE(etat(sauvegarde()), QStringLiteral("originale"));
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("OLDK7.BAK"),
                                          QStringLiteral("dacorvane.mdb")}));
    }

    // A crash after the database took its second name: that name is removed.
    void nomTemporaireLaisse()
    {
        creer(base(), QStringLiteral("courante"));
        creer(sauvegarde(), QStringLiteral("précédente"), 100);
        QCOMPARE(::link(QFile::encodeName(base()).constData(), QFile::encodeName(temporaire()).constData()), 0);
        ReparerDatabase(base());
        verifierAucuneErreur();
        QCOMPARE(etat(base()), QStringLiteral("compactée"));
        QCOMPARE(etat(sauvegarde()), QStringLiteral("originale"));
        QCOMPARE(existe(temporaire()), false);
    }

    void progression()
    {
        creer(base(), QStringLiteral("courante"), 20000);
        QList<double> fractions;
        Maintenance::OptionsReparation options;
        options.progression = [&](double f) { fractions << f; };
        ReparerDatabase(base(), options);
        verifierAucuneErreur();
        QVERIFY(fractions.size() >= 4);
        QCOMPARE(fractions.first(), 0.0);
        QCOMPARE(fractions.last(), 1.0);
        QVERIFY(std::is_sorted(fractions.cbegin(), fractions.cend()));
        QVERIFY(fractions.at(fractions.size() - 2) > 0.5);   // the size estimate follows the copy
    }

    // An error raised by the progress display stops the compaction cleanly.
    void progressionEnErreur()
    {
        creer(base(), QStringLiteral("courante"), 20000);
        Maintenance::OptionsReparation options;
        options.progression = [](double f) {
            if (f > 0.2)
                throw RuntimeError(Erreurs::EntreeSortie, QStringLiteral("affichage impossible"));
        };
        ReparerDatabase(base(), options);
        verifierUneErreur(Erreurs::EntreeSortie);
        QCOMPARE(etat(base()), QStringLiteral("originale"));
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("dacorvane.mdb")}));
    }
};

QTEST_GUILESS_MAIN(TestCompactage)
#include "tst_compactage.moc"
