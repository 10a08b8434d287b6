#include "BaseRapports.h"
#include "ServeurPostgres.h"

#include "database/Connection.h"
#include "flotte/BaseFlotte.h"
#include "flotte/ImportFlotte.h"
#include "flotte/RapportsFlotte.h"
#include "rapports/ListeRapport.h"
#include "database/Dates.h"
#include "shared/RuntimeError.h"

#include <QProcess>
#include <QtTest>

namespace {

// The program with `environnement` ("NAME=value") added to the test's own.
TestSupport::Execution corvane(const QStringList &arguments, const QStringList &environnement = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &v : environnement)
        env.insert(v.section('=', 0, 0), v.section('=', 1));
    return TestSupport::executer(QStringLiteral("corvane"), arguments, env);
}

using Procedure = ResultatRapport (*)(Connection &, const std::optional<DateTime> &, const QString &, ListeRapport &);
const Procedure procedures[] = {&TotalVentes, &TotalVentesparJours, &TotalVentesparmois};

// The kiosk's own report, as its window builds it: the lines, or "vide", or the error's number.
QStringList rapportBorne(const QString &base, int rapport, const QDate &du, const QDate &au)
{
    Connection c;
    c.openPath(base);
    ListeLignes l;
    const ResultatRapport r = procedures[rapport](c, DateTime::fromDate(du), TexteDate(DateTime::fromDate(au),
                                                                                      Plateforme::localeSysteme()), l);
    if (r == ResultatRapport::Rempli)
        return l.lignes;
    return {r == ResultatRapport::AucuneVente ? QStringLiteral("vide") : QStringLiteral("erreur")};
}

} // namespace

class TestFlotte : public QObject
{
    Q_OBJECT

    ServeurPostgres *serveur = nullptr;
    QTemporaryDir bornes;
    QTemporaryDir m_fichiers;   // a PostgreSQL service file for the role motdepasse

    QString borne(int n) const { return bornes.filePath(QStringLiteral("k%1").arg(n)); }

    QStringList rapportFlotte(int rapport, const QDate &du, const QDate &au, const QString &nom)
    {
        BaseFlotte base(serveur->connexion());
        ListeLignes l;
        try {
            if (ExecuterRapportFlotte(base, RapportFlotte(rapport), du, au, nom, l) == ResultatRapport::AucuneVente)
                return {QStringLiteral("vide")};
        } catch (const RuntimeError &e) {
            return {e.number() == Erreurs::UtilisationNull ? QStringLiteral("erreur") : e.description()};
        }
        return l.lignes;
    }

    ResultatImport importer(const QString &dossier, const QString &nom)
    {
        BaseFlotte base(serveur->connexion());
        return ImporterBorne(base, dossier, nom);
    }

    QString lignesFlotte()
    {
        return serveur->psql(QStringLiteral(
            "SELECT (SELECT count(*) || ' ' || md5(string_agg(v::text, '|' ORDER BY borne, novente))"
            " FROM corvane.ventes v) || ' ' || (SELECT count(*) || ' ' "
            " || md5(string_agg(t::text, '|' ORDER BY borne, ladate, empreinte)) FROM corvane.telecollectes t)"));
    }

private slots:
    void initTestCase();
    void cleanupTestCase() { delete serveur; }
    void importDeuxFois();
    void rapports_data();
    void rapports();
    void conflits();
    void pannes_data();
    void pannes();
    void connexionPerdue();
    void roleDeLaDocumentation();
};

void TestFlotte::initTestCase()
{
    serveur = new ServeurPostgres;
    QVERIFY2(serveur->erreur().isEmpty(), qPrintable(serveur->erreur()));
    // Two demo kiosks, and one holding both kiosks' sales (the fleet's whole, as one kiosk would report it).
    for (int n : {1, 2})
        QCOMPARE(TestSupport::executer("corvane-demo", {borne(n), "--ventes", "3000", "--graine", QString::number(n)})
                     .statut,
                 0);
    QDir().mkpath(borne(3));
    TestSupport::creerBase(borne(3) + QStringLiteral("/dacorvane.mdb"), TestSupport::schemaVentes(),
                           QStringLiteral("ATTACH '%1/dacorvane.mdb' AS a; ATTACH '%2/dacorvane.mdb' AS b;"
                                          "INSERT INTO Parametres (NoParametre) VALUES (1);"
                                          "INSERT INTO Ventes SELECT * FROM a.Ventes;"
                                          "INSERT INTO Ventes SELECT NoVente + 1000000, LaDate, Total, TauxTVA, "
                                          "TypePaiement, NbJeton, Client, Paye, Rendu, Ticket FROM b.Ventes;")
                               .arg(borne(1), borne(2)));
    QFile service(m_fichiers.filePath(QStringLiteral("service")));
    QVERIFY(service.open(QIODevice::WriteOnly));
    service.write(QStringLiteral("[flotte]\nhost=%1\nport=%2\nuser=motdepasse\ndbname=flotte\n")
                      .arg(serveur->dossier()).arg(serveur->port()).toUtf8());
}

void TestFlotte::importDeuxFois()
{
    const QStringList avant = empreinte(borne(1)) + empreinte(borne(2));
    QString une;
    for (int passage : {1, 2}) {
        for (int n : {1, 2}) {
            const ResultatImport r = importer(borne(n), QStringLiteral("K%1").arg(n));
            QCOMPARE(r.ventesLues, 3000);
            QCOMPARE(r.ventesAjoutees, passage == 1 ? 3000 : 0);
            QVERIFY(r.telecollectesLues > 0);
            QCOMPARE(r.telecollectesAjoutees, passage == 1 ? r.telecollectesLues : 0);
            QVERIFY(r.conflits.isEmpty());
        }
        if (passage == 1)
            une = lignesFlotte();
    }
    QCOMPARE(lignesFlotte(), une);
    QVERIFY(une.startsWith(QLatin1String("6000 ")));
    // Read only: not a byte, not a date of the kiosks' folders changed, no file added.
    QCOMPARE(empreinte(borne(1)) + empreinte(borne(2)), avant);
}

// The fleet's report of a kiosk, or of the whole fleet, is the kiosk's own report.
void TestFlotte::rapports_data()
{
    QTest::addColumn<QStringList>("ventes");   // "LaDate|Total|TauxTVA|TypePaiement"; none: the whole fleet
    QTest::addColumn<int>("rapport");
    QTest::addColumn<QDate>("du");
    QTest::addColumn<QDate>("au");
    QTest::addColumn<QString>("nom");      // "" the whole fleet (the kiosk holding both)
    QTest::addColumn<QString>("ligne");    // a line the report must hold ("vide": no sale; "erreur": 94)
    for (int r : {0, 1, 2})
        QTest::addRow("%d flotte", r) << QStringList() << r << QDate(2025, 1, 1) << QDate(2026, 12, 31) << QString()
                                      << QString();

    // A sale of December 2026.
    const auto v = [](int jour, const char *heure, const char *total = "12", const char *taux = "1.2") {
        return QStringLiteral("2026-12-0%1 %2|%3|%4|2").arg(jour).arg(heure, total, taux);
    };
    // A kiosk of its own, named as the row.
    const auto ligne = [](const char *nom, const QStringList &ventes, int rapport, const QString &ligne) {
        const QDate du = ligne == QLatin1String("vide") ? QDate(2026, 12, 1) : QDate(2025, 12, 1);
        QTest::newRow(nom) << ventes << rapport << du << QDate(2026, 12, 5) << QString::fromUtf8(nom) << ligne;
    };
    ligne("bornes incluses", {v(1, "00:00:01"), v(5, "23:59:58")}, 0, "Nb de vente: 2");
    ligne("bornes exclues", {v(1, "00:00:00"), v(5, "23:59:59"), v(6, "00:00:00")}, 1, "vide");
    // 20 amounts of 2.5 ten-thousandths: halves to even give 0.0040, away from zero 0.0060.
    ligne("HT arrondi au pair", QStringList(20, v(2, "10:00:00", "0.0005", "2")), 0, "Montant HT: 0,00 EUR");
    ligne("montant négatif", {v(2, "10:00:00", "-12")}, 2, "12/26\tCB:     \t\t| 1\t\t| -10,00 EUR");
    ligne("total Null, mensuel", {v(2, "10:00:00", "NULL")}, 2, "12/26\tCB:     \t\t| 1\t\t|  EUR");
    ligne("total Null, totaux", {v(2, "10:00:00", "NULL")}, 0, "erreur");
}

void TestFlotte::rapports()
{
    QFETCH(QStringList, ventes);
    QFETCH(int, rapport);
    QFETCH(QDate, du);
    QFETCH(QDate, au);
    QFETCH(QString, nom);
    QFETCH(QString, ligne);
    DossierKiosque k;
    QString base = borne(3) + QStringLiteral("/dacorvane.mdb");
    if (!ventes.isEmpty()) {
        k.creer(ventes);
        importer(k.dossier.path(), nom);
        base = k.base();
    }
    const QStringList attendu = rapportBorne(base, rapport, du, au);
    QVERIFY(ligne.isEmpty() ? attendu.size() >= 8 : attendu.contains(ligne));
    QCOMPARE(rapportFlotte(rapport, du, au, nom), attendu);
}

// A kiosk re-imported after two of its sales changed and one was added.
void TestFlotte::conflits()
{
    QTemporaryDir d;
    const QString base = d.filePath(QStringLiteral("dacorvane.mdb"));
    QVERIFY(QFile::copy(borne(1) + QStringLiteral("/dacorvane.mdb"), base));
    TestSupport::executerSql(base, QStringLiteral("UPDATE Ventes SET Total = Total + 1 WHERE NoVente = 3;"
                                                  "UPDATE Ventes SET Client = 'autre', LaDate = '2020-01-01' "
                                                  "WHERE NoVente = 7;"
                                                  "INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement) "
                                                  "VALUES (99999, '2026-11-29 10:00:00', 5, 1.2, 2);"));
    const QString total3 = QStringLiteral("SELECT total FROM corvane.ventes WHERE novente = 3 AND borne = "
                                          "(SELECT id FROM corvane.bornes WHERE nom = 'K1')");
    const QString avant = serveur->psql(total3);
    const auto s = corvane({"--flotte", serveur->connexion(), "--importer", d.path(), "--borne", "K1"});
    QCOMPARE(s.statut, 4);
    QVERIFY2(s.erreurs.contains(QStringLiteral("borne K1, vente n° 3 : Total")), qPrintable(s.erreurs));
    QVERIFY(s.erreurs.contains(QStringLiteral("vente n° 7 : LaDate")));
    QCOMPARE(s.erreurs.count(QLatin1String("conflit")), 2);
    QCOMPARE(serveur->psql(total3), avant);
    QCOMPARE(serveur->psql(QStringLiteral("SELECT count(*) FROM corvane.ventes WHERE novente = 99999")), "1");
}

void TestFlotte::pannes_data()
{
    QTest::addColumn<QString>("preparation");   // SQL run first as the superuser
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environnement");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const QString role = QStringLiteral("DO $$ BEGIN CREATE ROLE motdepasse LOGIN PASSWORD 'juste'; "
                                        "EXCEPTION WHEN duplicate_object THEN NULL; END $$;");
    const QStringList import{"--importer", borne(2), "--borne", "P"};
    const QString motDePasse = serveur->connexion(QStringLiteral("motdepasse"));
    // No server listens in a folder that does not exist.
    QTest::newRow("serveur arrêté") << QString()
                                    << QStringList{"--flotte", serveur->connexion().replace("host=", "host=/nulle")}
                                           + import
                                    << QStringList() << 1 << "injoignable";
    QTest::newRow("mauvais mot de passe") << role << QStringList{"--flotte", motDePasse + " password=faux"} + import
                                          << QStringList() << 1 << "mot de passe";
    QTest::newRow("droit manquant") << role << QStringList{"--flotte", motDePasse} + import
                                    << QStringList{"PGPASSWORD=juste"} << 3 << "Droit refusé";
    // A service name, as every PostgreSQL tool reads it.
    QTest::newRow("service")
        << role + "GRANT USAGE ON SCHEMA corvane TO motdepasse;"
                  "GRANT SELECT ON ALL TABLES IN SCHEMA corvane TO motdepasse;"
        << QStringList{"--flotte", "flotte", "--rapport", "journalier", "--du", "01/01/2025", "--au", "31/12/2026"}
        << QStringList{"PGSERVICEFILE=" + m_fichiers.filePath("service"), "PGPASSWORD=juste"}
        << 0 << QString();
    QTest::newRow("schéma d'une autre version") << QStringLiteral("UPDATE corvane.version SET version = 9")
                                                << QStringList{"--flotte", serveur->connexion()} + import
                                                << QStringList() << 3 << "version 9";
}

// The fleet's lines are untouched, the kiosk P is not added.
void TestFlotte::pannes()
{
    QFETCH(QString, preparation);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environnement);
    QFETCH(int, code);
    QFETCH(QString, message);
    if (!preparation.isEmpty())
        QVERIFY(!serveur->psql(preparation).isNull());
    const QString lignesAvant = lignesFlotte();
    const auto s = corvane(arguments, environnement);
    serveur->psql(QStringLiteral("UPDATE corvane.version SET version = 1"));
    QVERIFY2(s.statut == code && s.erreurs.contains(message), qPrintable(QString::number(s.statut) + s.erreurs));
    QCOMPARE(lignesFlotte(), lignesAvant);
    QCOMPARE(serveur->psql(QStringLiteral("SELECT count(*) FROM corvane.bornes WHERE nom = 'P'")), "0");
}

// A known kiosk's import (its partition exists) with 3000 new sales waits,
// after its COPY, for a lock the test holds; its server process is then ended.
void TestFlotte::connexionPerdue()
{
    BaseFlotte verrou(serveur->connexion());
    verrou.executerTexte("BEGIN; LOCK TABLE corvane.ventes IN SHARE MODE");
    const QString avant = lignesFlotte();
    QProcess p;
    p.start(qEnvironmentVariable("CORVANE_BIN") + QStringLiteral("/corvane"),
            {"--flotte", serveur->connexion(), "--importer", borne(3), "--borne", "K1"});
    QString termine;
    for (int i = 0; i < 600 && termine != QLatin1String("1"); ++i, QThread::msleep(100))
        termine = serveur->psql(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                               "WHERE application_name = 'corvane' AND wait_event_type = 'Lock'"));
    QCOMPARE(termine, QStringLiteral("1"));
    QVERIFY(p.waitForFinished(60000));
    verrou.executerTexte("ROLLBACK");
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(QString::fromUtf8(p.readAllStandardError())
                .contains(QStringLiteral("connexion au serveur PostgreSQL de la flotte est perdue")));
    QCOMPARE(lignesFlotte(), avant);
}

// The role of docs/flotte.md: owns the schema corvane, made empty for it, and nothing else.
void TestFlotte::roleDeLaDocumentation()
{
    QVERIFY(!serveur->psql(QStringLiteral("CREATE DATABASE doc"), "postgres").isNull());
    QVERIFY(!serveur->psql(QStringLiteral("CREATE ROLE proprietaire LOGIN; REVOKE CREATE ON SCHEMA public FROM PUBLIC;"
                                          "CREATE SCHEMA corvane AUTHORIZATION proprietaire;"
                                          "GRANT CONNECT ON DATABASE doc TO proprietaire;"),
                           "doc")
                 .isNull());
    const QString connexion = serveur->connexion(QStringLiteral("proprietaire"), QStringLiteral("doc"));
    QCOMPARE(corvane({"--flotte", connexion, "--importer", borne(1), "--borne", "K1"}).statut, 0);
    QCOMPARE(serveur->psql(QStringLiteral("SELECT string_agg(DISTINCT tableowner, ',') || ' ' || count(*) "
                                          "FROM pg_tables WHERE schemaname = 'corvane'"),
                           "doc"),
             "proprietaire 6");
}

CORVANE_TEST(TestFlotte)
#include "tst_flotte.moc"
