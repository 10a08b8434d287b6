// The demo-folder tool, run as the README and the fixtures run it.

#include "TestSupport.h"
#include "shared/Chemins.h"

#include <QtTest>

namespace {

using TestSupport::valeurSql;

QStringList entrees(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    // A new folder, where a killed run left its file beside the database.
    void dossierComplet()
    {
        QTemporaryDir tmp;
        const QString dossier = tmp.filePath(QStringLiteral("borne/neuve"));
        QVERIFY(QDir().mkpath(dossier));
        QVERIFY(QFile::copy(TestSupport::schemaVentes(), dossier + QStringLiteral("/dacorvane.mdb.partiel")));

        const TestSupport::Execution r = TestSupport::executer("corvane-demo", {dossier, "--ventes", "400"});
        QCOMPARE(r.statut, 0);
        QVERIFY2(r.erreurs.isEmpty(), qPrintable(r.erreurs));
        QCOMPARE(entrees(dossier), QStringList({"MAINTEN.MDB", "dacorvane.mdb", "velmara.ini"}));
        QCOMPARE(valeurSql(dossier + QStringLiteral("/dacorvane.mdb"),
                           "SELECT (SELECT count(*) FROM Ventes) || ' ' || count(*) FROM ReqVentes"),
                 QStringLiteral("400 400"));
        QCOMPARE(valeurSql(dossier + QStringLiteral("/MAINTEN.MDB"), "SELECT count(*) FROM Erreurs"),
                 QStringLiteral("0"));
    }

    // An existing file of the folder, in any case, is replaced only when asked.
    void remplacementDemande()
    {
        QTemporaryDir tmp;
        const QString dossier = tmp.path();
        const QString existant = QStringLiteral("DACORVANE.MDB");
        TestSupport::creerBase(tmp.filePath(existant), TestSupport::schemaVentes(),
                               "INSERT INTO Ventes (NoVente) VALUES (424242)");

        const TestSupport::Execution refus = TestSupport::executer("corvane-demo", {dossier, "--ventes", "5"});
        QCOMPARE(refus.statut, 1);
        QVERIFY2(refus.erreurs.contains(QStringLiteral("--remplacer")) && refus.erreurs.contains(existant),
                 qPrintable(refus.erreurs));
        QCOMPARE(entrees(dossier), QStringList({existant}));
        QCOMPARE(valeurSql(tmp.filePath(existant), "SELECT max(NoVente) FROM Ventes"), "424242");

        QCOMPARE(TestSupport::executer("corvane-demo", {dossier, "--ventes", "50", "--remplacer"}).statut, 0);
        QCOMPARE(entrees(dossier), QStringList({existant, "MAINTEN.MDB", "velmara.ini"}));
        QCOMPARE(valeurSql(resoudreChemin(dossier + "/dacorvane.mdb"), "SELECT count(*) FROM Ventes"), "50");
    }
};

CORVANE_TEST(TestDemo)
#include "tst_demo.moc"
