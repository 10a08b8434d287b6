// The installed program: where its folder lies, its first start on an empty
// folder, where it finds its converter, what `cmake --install` lays out, and
// the warnings of a user's build.
#include "TestSupport.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FrmGestion.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "jet/ConvertisseurJet.h"
#include "shared/Installation.h"
#include "shared/Plateforme.h"

#include <QtTest>

namespace {

// The drives the start-up sees.
struct Lecteurs : Maintenance::SourceLecteurs
{
    std::vector<Maintenance::Lecteur> liste;
    std::vector<Maintenance::Lecteur> lecteurs() override { return liste; }
};

void creerFichier(const QString &chemin, bool executable = false)
{
    QVERIFY(QDir().mkpath(QFileInfo(chemin).path()));
    QFile f(chemin);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(chemin));
    f.write("#!/bin/sh\n");
    if (executable)
        QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT

private slots:
    void dossierParDefaut_data()
    {
        QTest::addColumn<bool>("installe");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("arbre de construction") << false << "/home/op/donnees" << "/opt/corvane/build/bin";
        QTest::newRow("installé, XDG_DATA_HOME") << true << "/home/op/données/" << "/home/op/données/Corvane";
        // A relative XDG_DATA_HOME is invalid and ignored.
        QTest::newRow("installé, XDG_DATA_HOME relatif")
            << true << "donnees" << "/home/op/.local/share/Corvane";
    }
    void dossierParDefaut()
    {
        QFETCH(bool, installe);
        QFETCH(QString, xdg);
        QFETCH(QString, attendu);
        QCOMPARE(Plateforme::dossierApplicationParDefaut(installe, "/opt/corvane/build/bin", xdg, "/home/op"),
                 attendu);
    }

    // Only the installed program on its default folder creates it, or says why it cannot.
    void premierDemarrage()
    {
        QTemporaryDir racine;
        creerFichier(racine.filePath("fichier"));   // a file where a folder is wanted
        TestSupport::BoiteMessageTest boite;
        QVERIFY(!Installation::PreparerDossierApplication(true, true, racine.filePath("kiosque")));
        QVERIFY(!QFileInfo::exists(racine.filePath("kiosque")));

        const QString chemin = racine.filePath("fichier/Corvane");
        QCOMPARE(Installation::PreparerDossierApplication(true, false, chemin), std::optional<int>(1));
        QCOMPARE(boite.titres, QStringList{QStringLiteral("Corvane")});
        QVERIFY(boite.textes[0].startsWith("Impossible de créer le dossier de Corvane :\n" + chemin));
    }

    // The installed program's first start, through the window's start-up: the
    // USB keys first, then the message when the folder still has no database.
    void premierDemarrageCles_data()
    {
        QTest::addColumn<QStringList>("fichiers");   // in the folder before the start
        QTest::addColumn<QStringList>("cle");        // on the one removable drive; "-": no drive
        QTest::addColumn<QStringList>("messages");   // a part of each message shown, in order
        const QString vide =
            QStringLiteral("Le dossier de Corvane ne contient ni configuration ni base de données");
        QTest::newRow("clé avec la base") << QStringList{} << QStringList{"DACORVANE.MDB"} << QStringList{};
        QTest::newRow("clé sans base") << QStringList{} << QStringList{"notes.txt"}
                                       << QStringList{QStringLiteral("Aucune base de données"), vide};
        QTest::newRow("journal et sauvegarde seuls")
            << QStringList{"MAINTEN.MDB", "OLDK7.BAK", "sous/velmara.ini"} << QStringList{"-"}
            << QStringList{vide};
    }
    void premierDemarrageCles()
    {
        QFETCH(QStringList, fichiers);
        QFETCH(QStringList, cle);
        QFETCH(QStringList, messages);
        QTemporaryDir racine;
        const QString dossier = racine.filePath("share/Corvane");
        for (const QString &f : fichiers)
            creerFichier(dossier + '/' + f);
        Lecteurs source;
        if (cle != QStringList{"-"})
            source.liste = {{racine.filePath("cle"), true, false}};
        QVERIFY(QDir().mkpath(racine.filePath("cle")));
        for (const QString &f : cle)
            if (f.endsWith(".MDB"))
                TestSupport::creerBase(racine.filePath("cle/" + f), TestSupport::schemaVentes());
            else
                creerFichier(racine.filePath("cle/" + f));
        const auto retablir = qScopeGuard([avant = Maintenance::definirSourceLecteurs(&source)] {
            Maintenance::definirSourceLecteurs(avant);
            Plateforme::definirCheminApplication({});
            Installation::PreparerDossierApplication(false, false, {});
        });
        Plateforme::definirCheminApplication(dossier);
        TestSupport::BoiteMessageTest boite;
        QCOMPARE(Installation::PreparerDossierApplication(true, false, dossier).value_or(-1), -1);

        FrmGestion f;
        f.show();
        QCOMPARE(boite.textes.size(), messages.size());
        for (int i = 0; i < messages.size(); ++i)
            QVERIFY2(boite.textes[i].contains(messages[i]), qPrintable(boite.textes[i]));
        // Loaded on the key's database; or never shown, and the program ends with 1.
        QCOMPARE(f.Adodc2->recordset() != nullptr, messages.isEmpty());
        if (!messages.isEmpty()) {
            QVERIFY(f.testAttribute(Qt::WA_DontShowOnScreen));
            QTimer::singleShot(10000, &f, [] { QCoreApplication::exit(-1); });
            QCOMPARE(QCoreApplication::exec(), 1);
        }
    }

    void programmeConversion_data()
    {
        QTest::addColumn<QStringList>("executables");   // under the prefix
        QTest::addColumn<QStringList>("autres");        // not executable
        QTest::addColumn<QString>("relatif");
        QTest::addColumn<QString>("attendu");
        const QString bin = QStringLiteral("bin/corvane-jet");
        const QString libexec = QStringLiteral("libexec/corvane/corvane-jet");
        const QString relatif = QStringLiteral("../libexec/corvane");
        QTest::newRow("voisin non exécutable") << QStringList{libexec} << QStringList{bin} << relatif
                                               << libexec;
        QTest::newRow("installé non exécutable") << QStringList{} << QStringList{libexec} << relatif << bin;
        QTest::newRow("sans emplacement installé") << QStringList{libexec} << QStringList{} << "" << bin;
    }
    void programmeConversion()
    {
        QFETCH(QStringList, executables);
        QFETCH(QStringList, autres);
        QFETCH(QString, relatif);
        QFETCH(QString, attendu);
        QTemporaryDir prefixe;
        for (const QString &f : executables)
            creerFichier(prefixe.filePath(f), true);
        for (const QString &f : autres)
            creerFichier(prefixe.filePath(f));
        QCOMPARE(Jet::TrouverProgrammeConversion(prefixe.filePath("bin"), relatif), prefixe.filePath(attendu));
    }

    // `cmake --install` into a prefix lays out the program and its schemas.
    void installation()
    {
        QTemporaryDir prefixe;
        const TestSupport::Execution e = TestSupport::executer(
            QStringLiteral(CORVANE_CMAKE), {"--install", QStringLiteral(CORVANE_ARBRE), "--prefix", prefixe.path()});
        QVERIFY2(e.statut == 0, qPrintable(e.erreurs));
        for (const char *f : {"bin/corvane", "share/corvane/corvane.sql", "share/corvane/maintenance.sql"})
            QVERIFY2(QFileInfo(prefixe.filePath(f)).isFile(), f);
    }

    // A user's or packager's build only shows warnings.
    void optionsDeConstruction()
    {
        QTemporaryDir arbre;
        const TestSupport::Execution e = TestSupport::executer(
            QStringLiteral(CORVANE_CMAKE),
            {"-S", CORVANE_SOURCES, "-B", arbre.path(), "-DCORVANE_BUILD_TESTS=OFF", "-DCORVANE_BUILD_BENCH=OFF",
             "-DCORVANE_JET=OFF", "-DCMAKE_BUILD_TYPE=Release"});
        QVERIFY2(e.statut == 0, qPrintable(e.erreurs));
        QFile f(arbre.filePath("compile_commands.json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray commandes = f.readAll();
        QVERIFY(commandes.contains("-Wall -Wextra") && !commandes.contains("-Werror"));
    }
};

CORVANE_TEST(TestInstallation)
#include "tst_installation.moc"
