// A Jet file where the program meets one: the database at start-up (the
// compaction converts it), the error log (converted before its first record)
// and "corvane --convertir" for an administrator.
#include "BasesTest.h"
#include "TestSupport.h"
#include "jet/ConvertisseurJet.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"
#include "journal/JournalErreurs.h"

#include <QtTest>
#include <memory>

namespace {

QString donnees() { return qEnvironmentVariable("CORVANE_DONNEES_JET"); }

// The kiosk's database cut after `taille` bytes (0: whole); `message` the one message shown, "" when converted.
struct Compactage { QString fichier; int taille; QString nom, message; };
// The key's file under `nom`, cut after `taille` bytes (0: whole); `erreur` part of the one message, "" copied.
struct Cle { QString nom; int taille; QString erreur; };

} // namespace
Q_DECLARE_METATYPE(Compactage)
Q_DECLARE_METATYPE(Cle)

class TestIntegrationJet : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dossier;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString chemin(const QString &nom) const { return m_dossier->filePath(nom); }
    QByteArray jet(const QString &nom) const { return BasesTest::lire(donnees() + QLatin1Char('/') + nom); }
    QStringList fichiers() const { return BasesTest::fichiers(m_dossier->path()); }
    QStringList journal() const { return BasesTest::erreurs(chemin("MAINTEN.MDB")); }

private slots:
    void initTestCase()
    {
        if (donnees().isEmpty() || !QFileInfo::exists(donnees()))
            QSKIP("the Jet test files are missing (CORVANE_DONNEES_JET)");
    }
    void init()
    {
        m_dossier = std::make_unique<QTemporaryDir>();
        Plateforme::definirCheminApplication(m_dossier->path());
        reinitialiserRepMaintenance();
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }
    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        m_boite.reset();
        Jet::definirProgrammeConversion({});
        Plateforme::definirCheminApplication({});
        reinitialiserRepMaintenance();
    }

    // The kiosk's Jet database comes out of the start-up compaction in the
    // program's format, the Jet original as the backup, every query left out
    // named in the error log; a damaged one is shown and logged, nothing moves.
    void compactage_data()
    {
        QTest::addColumn<Compactage>("cas");
        QTest::newRow("convertie") << Compactage{"queryTestV1997.mdb", 0, "DACORVANE.mdb", ""};
        QTest::newRow("endommagée") << Compactage{"testV2000.mdb", 10 * 4096, "dacorvane.mdb",
                                                  "N°: 3049 La base Jet « dacorvane.mdb » n'a pas pu être convertie : "
                                                  "catalogue des objets illisible"};
    }
    void compactage()
    {
        QFETCH(Compactage, cas);
        const QByteArray original = cas.taille ? jet(cas.fichier).left(cas.taille) : jet(cas.fichier);
        BasesTest::ecrire(chemin("dacorvane.mdb"), original);
        BasesTest::creerMaintenance(chemin("MAINTEN.MDB"));
        Maintenance::ReparerDatabase(chemin(cas.nom));
        if (!cas.message.isEmpty()) {
            QCOMPARE(m_boite->textes, QStringList{cas.message});
            QCOMPARE(journal(), QStringList{"ReparerDatabase|" + cas.message});
            QCOMPARE(BasesTest::lire(chemin("dacorvane.mdb")), original);
            QCOMPARE(fichiers(), (QStringList{"MAINTEN.MDB", "dacorvane.mdb"}));
            return;
        }
        QCOMPARE(m_boite->textes, QStringList());
        QCOMPARE(BasesTest::lire(chemin("OLDK7.BAK")), original);
        QCOMPARE(fichiers(), (QStringList{"MAINTEN.MDB", "OLDK7.BAK", "dacorvane.mdb"}));
        const QStringList lignes = journal();
        QCOMPARE(lignes.size(), 8);
        for (const QString &l : lignes)
            QVERIFY2(l.startsWith(QStringLiteral("ReparerDatabase|Requête « ")), qPrintable(l));
        QVERIFY(lignes.contains("ReparerDatabase|Requête « UnionQuery » non convertie : requête Union : "
                                "seules les requêtes Sélection deviennent des vues."));
        QCOMPARE(TestSupport::valeurSql(chemin("dacorvane.mdb"), "SELECT type FROM sqlite_master WHERE name = 'SelectQuery'"),
                 QStringLiteral("view"));
    }

    // A key's Jet file is converted, in the converter's process, before it
    // replaces anything; under the database's name it must be a sales database.
    void cleJet_data()
    {
        QTest::addColumn<Cle>("cas");
        QTest::newRow("sous un autre nom") << Cle{"archives.mdb", 0, ""};
        QTest::newRow("sous le nom de la base") << Cle{"DACORVANE.MDB", 0, "(la table « Parametres » manque)"};
        QTest::newRow("tronquée") << Cle{"archives.mdb", 10 * 4096, "n'a pas pu être lu ("};
    }
    void cleJet()
    {
        QFETCH(Cle, cas);
        QTemporaryDir cle;
        const QByteArray octets = cas.taille ? jet("testV2000.mdb").left(cas.taille) : jet("testV2000.mdb");
        BasesTest::ecrire(cle.filePath(cas.nom), octets);
        BasesTest::creerMaintenance(chemin("MAINTEN.MDB"));
        TestSupport::creerBase(chemin("dacorvane.mdb"), TestSupport::schemaVentes());
        const QByteArray locale = BasesTest::lire(chemin("dacorvane.mdb"));
        BasesTest::LecteursFictifs lecteurs;
        lecteurs.liste.push_back({cle.path(), true, false});
        QCOMPARE(Maintenance::ChercherSurCleUSB(lecteurs), cas.erreur.isEmpty());
        QCOMPARE(BasesTest::lire(chemin("dacorvane.mdb")), locale);
        if (cas.erreur.isEmpty()) {
            QCOMPARE(m_boite->textes, QStringList());
            QCOMPARE(BasesTest::lire(chemin(cas.nom)), octets);
            return;
        }
        QCOMPARE(m_boite->textes.size(), 1);
        QVERIFY2(m_boite->textes.at(0).contains(cas.erreur), qPrintable(m_boite->textes.at(0)));
        QCOMPARE(fichiers(), (QStringList{"MAINTEN.MDB", "dacorvane.mdb"}));
    }

    // A Jet error log becomes the program's own before its first record.
    void journalJetConverti()
    {
        const QByteArray original = jet("testV1997.mdb");
        BasesTest::ecrire(chemin("mainten.mdb"), original);
        EnregistrerErreur(QStringLiteral("TotalVentes"), QStringLiteral("N°: 94 Utilisation incorrecte de Null"));
        QCOMPARE(fichiers(), (QStringList{"MAINTEN.JET", "mainten.mdb"}));
        QCOMPARE(BasesTest::lire(chemin("MAINTEN.JET")), original);
        QCOMPARE(TestSupport::valeurSql(chemin("mainten.mdb"), "SELECT count(*) FROM Table1"), QStringLiteral("2"));
    }

    // A Jet log that cannot be converted: nothing is logged, nothing moves,
    // and the conversion is not tried again at each error of the run.
    void journalJetEndommage()
    {
        const QByteArray endommage = jet("testV1997.mdb").left(3 * 2048);
        BasesTest::ecrire(chemin("MAINTEN.MDB"), endommage);
        const QString compteur = chemin("essais");
        QTemporaryDir outils;
        const QString faux = outils.filePath(QStringLiteral("corvane-jet"));
        BasesTest::ecrire(faux, "#!/bin/sh\necho x >> '" + compteur.toUtf8() + "'\nexit 1\n");
        QFile(faux).setPermissions(QFile::permissions(faux) | QFileDevice::ExeOwner);
        Jet::definirProgrammeConversion(faux);
        for (int i = 0; i < 3; ++i)
            EnregistrerErreur(QString(), QStringLiteral("N°: 482 Erreur d'imprimante"));
        QCOMPARE(BasesTest::lire(compteur), QByteArray("x\n"));
        QCOMPARE(BasesTest::lire(chemin("MAINTEN.MDB")), endommage);
        QCOMPARE(fichiers(), (QStringList{"MAINTEN.MDB", "essais"}));
    }

    void ligneDeCommande_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QString>("sortie");
        QTest::addColumn<QString>("erreurs");
        const QString source = donnees() + QStringLiteral("/TESTV1997.MDB");   // found whatever the case
        QTest::newRow("convertie") << QStringList{"--convertir", source, "ventes.db"} << 0
                                   << "Table « Table1 » : 2 lignes\nTable « Table2 » : 0 ligne\nTable « Table3 » : 0 ligne\n"
                                      "Table « Table4 » : 0 ligne\n"
                                      "Conversion terminée : 4 tables, 2 lignes, 0 requête convertie, 0 requête ignorée.\n"
                                   << "";
        QTest::newRow("vers le journal")
            << QStringList{"--dossier", ".", "--convertir", source, "Mainten.MDB"} << 2 << ""
            << "corvane : « Mainten.MDB » est le fichier MAINTEN.MDB du dossier de l'automate : Corvane n'écrit "
               "jamais dessus. Choisissez un autre fichier.\n";
        // "@": the folder's own name.
        QTest::newRow("vers la base par ..")
            << QStringList{"--dossier", ".", "--convertir", source, "../@/DACORVANE.MDB"} << 2 << ""
            << "corvane : « ../@/DACORVANE.MDB » est le fichier DACORVANE.mdb du dossier de l'automate : Corvane "
               "n'écrit jamais dessus. Choisissez un autre fichier.\n";
        QTest::newRow("pas une base Jet") << QStringList{"--convertir", "ventes.db", "autre.db"} << 1 << ""
                                          << "corvane : La base Jet « ventes.db » n'a pas pu être convertie : "
                                             "ce n'est pas une base Jet 3 ou Jet 4\n";
        QTest::newRow("sans destination") << QStringList{"--convertir", source} << 2 << ""
                                          << "corvane : L'option --convertir demande une base Jet et une destination.\n"
                                             "Essayez « corvane --help » pour plus d'informations.\n";
        QTest::newRow("avec un rapport") << QStringList{"--convertir", source, "b.db", "--rapport", "total"} << 2 << ""
                                         << "corvane : L'option --convertir ne se combine pas avec --rapport.\n"
                                            "Essayez « corvane --help » pour plus d'informations.\n";
    }
    void ligneDeCommande()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, erreurs);
        const QString nomDossier = QFileInfo(m_dossier->path()).fileName();
        arguments.replaceInStrings(QStringLiteral("@"), nomDossier);
        if (QTest::currentDataTag() == QByteArray("pas une base Jet"))
            TestSupport::creerBase(chemin("ventes.db"), TestSupport::schemaVentes());
        QVERIFY(QDir::setCurrent(m_dossier->path()));
        const TestSupport::Execution e = TestSupport::executer(QStringLiteral("corvane"), arguments);
        QCOMPARE(e.erreurs, erreurs.replace(QLatin1Char('@'), nomDossier));
        QTEST(QString::fromUtf8(e.sortie), "sortie");
        QTEST(e.statut, "statut");
        if (e.statut == 0)
            QCOMPARE(TestSupport::valeurSql(chemin("ventes.db"), "SELECT count(*) FROM Table1"), QStringLiteral("2"));
        if (e.statut == 2)
            QCOMPARE(fichiers(), QStringList());
    }
};

CORVANE_TEST(TestIntegrationJet)
#include "tst_integration_jet.moc"
