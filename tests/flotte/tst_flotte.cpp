#include "BaseRapports.h"

#include "database/Connection.h"
#include "database/Dates.h"
#include "flotte/BaseFlotte.h"
#include "flotte/ImportFlotte.h"
#include "flotte/RapportsFlotte.h"
#include "rapports/ListeRapport.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString Binaires = QStringLiteral("/usr/lib/postgresql/15/bin/");

// Runs a program to its end: whether it succeeded; its output trimmed, or its errors, in `sortie`.
bool lancer(const QString &programme, const QStringList &arguments, QString *sortie = nullptr)
{
    QProcess p;
    // initdb refuses root: the package's system user runs the server.
    if (geteuid() == 0)
        p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", programme} + arguments);
    else
        p.start(programme, arguments);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (sortie)
        *sortie = QString::fromUtf8(ok ? p.readAllStandardOutput().trimmed() : p.readAllStandardError());
    return ok;
}

using Procedure = ResultatRapport (*)(Connection &, const std::optional<DateTime> &, const QString &, ListeRapport &);
const Procedure procedures[] = {&TotalVentes, &TotalVentesparJours, &TotalVentesparmois};

// The kiosk's own report, as its window builds it: the lines, or "vide", or "erreur".
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

// A report over the sales of a kiosk of its own ("LaDate|Total|TauxTVA|TypePaiement"), or, without sales and
// name, of the whole fleet (the kiosk holding both); a line it must hold ("vide": no sale; "erreur": 94).
struct CasRapport
{
    QStringList ventes;
    int rapport;
    QDate du, au;
    QString nom;
    QString ligne;
};

} // namespace

Q_DECLARE_METATYPE(CasRapport)

// A throw-away PostgreSQL cluster of the installed server on a Unix socket in a temporary folder (the role
// "motdepasse" is checked with scram-sha-256), with two demo kiosks imported into it.
class TestFlotte : public QObject
{
    Q_OBJECT

    QTemporaryDir serveur;
    bool enMarche = false;
    QTemporaryDir bornes;

    QString borne(int n) const { return bornes.filePath(QStringLiteral("k%1").arg(n)); }

    QString connexion(const QString &role = QStringLiteral("postgres"),
                      const QString &base = QStringLiteral("flotte"))
    {
        return QStringLiteral("host=%1 port=5432 user=%2 dbname=%3").arg(serveur.path(), role, base);
    }

    // Runs SQL as the superuser (psql): its standard output, trimmed; a null string on failure.
    QString psql(const QString &sql, const QString &base = QStringLiteral("flotte"))
    {
        QString sortie;
        if (!lancer("psql", {"-XAtq", "-v", "ON_ERROR_STOP=1", connexion("postgres", base), "-c", sql}, &sortie))
            return QString();
        return sortie.isNull() ? QStringLiteral("") : sortie;
    }

    QStringList rapportFlotte(int rapport, const QDate &du, const QDate &au, const QString &nom)
    {
        BaseFlotte base(connexion());
        ListeLignes l;
        try {
            if (ExecuterRapportFlotte(base, RapportFlotte(rapport), du, au, nom, l) == ResultatRapport::AucuneVente)
                return {QStringLiteral("vide")};
        } catch (const RuntimeError &e) {
            return {e.number() == Erreurs::UtilisationNull ? QStringLiteral("erreur") : e.description()};
        }
        return l.lignes;
    }

    QString lignesFlotte()
    {
        return psql(QStringLiteral(
            "SELECT (SELECT count(*) || ' ' || md5(string_agg(v::text, '|' ORDER BY borne, novente))"
            " FROM corvane.ventes v) || ' ' || (SELECT count(*) || ' ' "
            " || md5(string_agg(t::text, '|' ORDER BY borne, ladate, empreinte)) FROM corvane.telecollectes t)"));
    }

private slots:
    void initTestCase()
    {
        const passwd *pw = geteuid() == 0 ? getpwnam("postgres") : nullptr;
        if (geteuid() == 0)
            QVERIFY2(pw && chown(QFile::encodeName(serveur.path()).constData(), pw->pw_uid, pw->pw_gid) == 0,
                     "utilisateur système postgres absent (apt-get install postgresql)");
        const QString donnees = serveur.filePath(QStringLiteral("donnees"));
        const QString hba = QStringLiteral("local all motdepasse scram-sha-256\nlocal all all trust\n");
        const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p 5432 -c fsync=off -c lc_messages=C "
                                               "-c password_encryption=scram-sha-256")
                                    .arg(serveur.path());
        QString erreur;
        enMarche =
            lancer(Binaires + "initdb", {"-D", donnees, "-A", "trust", "-U", "postgres", "--no-sync"}, &erreur)
            && lancer("sh", {"-c", "printf '%s' \"$0\" > \"$1\"", hba, donnees + "/pg_hba.conf"}, &erreur)
            && lancer(Binaires + "pg_ctl", {"-D", donnees, "-o", options, "-l", serveur.filePath("journal"), "-w",
                                            "start"},
                      &erreur);
        QVERIFY2(enMarche, qPrintable("PostgreSQL 15 ne démarre pas (apt-get install postgresql) : " + erreur));
        QVERIFY(!psql(QStringLiteral("CREATE DATABASE flotte"), QStringLiteral("postgres")).isNull());
        QVERIFY(!psql(QStringLiteral("CREATE ROLE motdepasse LOGIN PASSWORD 'juste'")).isNull());
        // A service name, as every PostgreSQL tool reads it.
        QFile service(serveur.filePath(QStringLiteral("service")));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write(QStringLiteral("[flotte]\nhost=%1\nport=5432\nuser=motdepasse\npassword=juste\n"
                                     "dbname=flotte\n")
                          .arg(serveur.path())
                          .toUtf8());
        qputenv("PGSERVICEFILE", QFile::encodeName(service.fileName()));

        // Two demo kiosks, and one holding both kiosks' sales (the fleet's whole, as one kiosk would report it).
        for (int n : {1, 2}) {
            const QStringList arguments{borne(n), "--ventes", "3000", "--graine", QString::number(n)};
            QCOMPARE(TestSupport::executer("corvane-demo", arguments).statut, 0);
        }
        QDir().mkpath(borne(3));
        TestSupport::creerBase(borne(3) + QStringLiteral("/dacorvane.mdb"), TestSupport::schemaVentes(),
                               QStringLiteral("ATTACH '%1/dacorvane.mdb' AS a; ATTACH '%2/dacorvane.mdb' AS b;"
                                              "INSERT INTO Parametres (NoParametre) VALUES (1);"
                                              "INSERT INTO Ventes SELECT * FROM a.Ventes;"
                                              "INSERT INTO Ventes SELECT NoVente + 1000000, LaDate, Total, TauxTVA, "
                                              "TypePaiement, NbJeton, Client, Paye, Rendu, Ticket FROM b.Ventes;")
                                   .arg(borne(1), borne(2)));
    }

    void cleanupTestCase()
    {
        if (enMarche)
            lancer(Binaires + "pg_ctl", {"-D", serveur.filePath("donnees"), "-m", "immediate", "-w", "stop"});
    }

    void importDeuxFois()
    {
        const QStringList avant = empreinte(borne(1)) + empreinte(borne(2));
        QStringList lignes;
        for (int passage : {1, 2}) {
            for (int n : {1, 2}) {
                BaseFlotte base(connexion());
                const ResultatImport r = ImporterBorne(base, borne(n), QStringLiteral("K%1").arg(n));
                QCOMPARE(r.ventesLues, 3000);
                QCOMPARE(r.ventesAjoutees, passage == 1 ? 3000 : 0);
                QVERIFY(r.telecollectesLues > 0);
                QCOMPARE(r.telecollectesAjoutees, passage == 1 ? r.telecollectesLues : 0);
                QVERIFY(r.conflits.isEmpty());
            }
            lignes << lignesFlotte();
        }
        QCOMPARE(lignes[1], lignes[0]);
        QVERIFY(lignes[0].startsWith(QLatin1String("6000 ")));
        // Read only: not a byte, not a date of the kiosks' folders changed, no file added.
        QCOMPARE(empreinte(borne(1)) + empreinte(borne(2)), avant);
    }

    // The fleet's report of a kiosk, or of the whole fleet, is the kiosk's own report.
    void rapports_data()
    {
        QTest::addColumn<CasRapport>("cas");
        for (int r : {0, 1, 2})
            QTest::addRow("%d flotte", r) << CasRapport{{}, r, QDate(2025, 1, 1), QDate(2026, 12, 31), {}, {}};

        // A sale of December 2026.
        const auto v = [](int jour, const char *heure, const char *total = "12", const char *taux = "1.2") {
            return QStringLiteral("2026-12-0%1 %2|%3|%4|2").arg(jour).arg(heure, total, taux);
        };
        const auto ligne = [](const char *nom, const QStringList &ventes, int rapport, const QString &ligne) {
            const QDate du = ligne == QLatin1String("vide") ? QDate(2026, 12, 1) : QDate(2025, 12, 1);
            const QDate au(2026, 12, 5);
            QTest::newRow(nom) << CasRapport{ventes, rapport, du, au, QString::fromUtf8(nom), ligne};
        };
        ligne("bornes incluses", {v(1, "00:00:01"), v(5, "23:59:58")}, 0, "Nb de vente: 2");
        ligne("bornes exclues", {v(1, "00:00:00"), v(5, "23:59:59"), v(6, "00:00:00")}, 1, "vide");
        // 20 amounts of 2.5 ten-thousandths: halves to even give 0.0040, away from zero 0.0060.
        ligne("HT arrondi au pair", QStringList(20, v(2, "10:00:00", "0.0005", "2")), 0, "Montant HT: 0,00 EUR");
        ligne("montant négatif", {v(2, "10:00:00", "-12")}, 2, "12/26\tCB:     \t\t| 1\t\t| -10,00 EUR");
        ligne("total Null, mensuel", {v(2, "10:00:00", "NULL")}, 2, "12/26\tCB:     \t\t| 1\t\t|  EUR");
        ligne("total Null, totaux", {v(2, "10:00:00", "NULL")}, 0, "erreur");
    }

    void rapports()
    {
        QFETCH(CasRapport, cas);
        DossierKiosque k;
        QString base = borne(3) + QStringLiteral("/dacorvane.mdb");
        if (!cas.ventes.isEmpty()) {
            k.creer(cas.ventes);
            BaseFlotte flotte(connexion());
            ImporterBorne(flotte, k.dossier.path(), cas.nom);
            base = k.base();
        }
        const QStringList attendu = rapportBorne(base, cas.rapport, cas.du, cas.au);
        QVERIFY(cas.ligne.isEmpty() ? attendu.size() >= 8 : attendu.contains(cas.ligne));
        QCOMPARE(rapportFlotte(cas.rapport, cas.du, cas.au, cas.nom), attendu);
    }

    // A kiosk re-imported after two of its sales changed and one was added.
    void conflits()
    {
        QTemporaryDir d;
        const QString base = d.filePath(QStringLiteral("dacorvane.mdb"));
        QVERIFY(QFile::copy(borne(1) + QStringLiteral("/dacorvane.mdb"), base));
        TestSupport::executerSql(base, QStringLiteral("UPDATE Ventes SET Total = Total + 1 WHERE NoVente = 3;"
                                                      "UPDATE Ventes SET Client = 'autre', LaDate = '2020-01-01' "
                                                      "WHERE NoVente = 7; INSERT INTO Ventes (NoVente, LaDate, "
                                                      "Total, TauxTVA, TypePaiement) "
                                                      "VALUES (99999, '2026-11-29 10:00:00', 5, 1.2, 2);"));
        const QString total3 = QStringLiteral("SELECT total FROM corvane.ventes WHERE novente = 3 AND borne = "
                                              "(SELECT id FROM corvane.bornes WHERE nom = 'K1')");
        const QString avant = psql(total3);
        const auto s =
            TestSupport::executer("corvane", {"--flotte", connexion(), "--importer", d.path(), "--borne", "K1"});
        QCOMPARE(s.statut, 4);
        QVERIFY2(s.erreurs.contains(QStringLiteral("borne K1, vente n° 3 : Total")), qPrintable(s.erreurs));
        QVERIFY(s.erreurs.contains(QStringLiteral("vente n° 7 : LaDate")));
        QCOMPARE(s.erreurs.count(QLatin1String("conflit")), 2);
        QCOMPARE(psql(total3), avant);
        QCOMPARE(psql(QStringLiteral("SELECT count(*) FROM corvane.ventes WHERE novente = 99999")), "1");
    }

    void pannes_data()
    {
        QTest::addColumn<QString>("preparation");   // SQL run first as the superuser
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList import{"--importer", borne(2), "--borne", "P"};
        const QString motDePasse = connexion(QStringLiteral("motdepasse")) + " password=";
        // No server listens in a folder that does not exist.
        const QString arrete = connexion().replace("host=", "host=/nulle");
        QTest::newRow("serveur arrêté") << QString() << QStringList{"--flotte", arrete} + import << 1 << "injoignable";
        QTest::newRow("mauvais mot de passe") << QString() << QStringList{"--flotte", motDePasse + "faux"} + import
                                              << 1 << "mot de passe";
        QTest::newRow("droit manquant") << QString() << QStringList{"--flotte", motDePasse + "juste"} + import << 3
                                        << "Droit refusé";
        QTest::newRow("service") << "GRANT USAGE ON SCHEMA corvane TO motdepasse;"
                                    "GRANT SELECT ON ALL TABLES IN SCHEMA corvane TO motdepasse;"
                                 << QStringList{"--flotte", "flotte", "--rapport", "journalier", "--du",
                                                "01/01/2025", "--au", "31/12/2026"}
                                 << 0 << QString();
        QTest::newRow("schéma d'une autre version") << QStringLiteral("UPDATE corvane.version SET version = 9")
                                                    << QStringList{"--flotte", connexion()} + import << 3
                                                    << "version 9";
    }

    // The fleet's lines are untouched, the kiosk P is not added.
    void pannes()
    {
        QFETCH(QString, preparation);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        QVERIFY(!psql(preparation).isNull());
        const QString lignesAvant = lignesFlotte();
        const auto s = TestSupport::executer("corvane", arguments);
        psql(QStringLiteral("UPDATE corvane.version SET version = 1"));
        QVERIFY2(s.statut == code && s.erreurs.contains(message), qPrintable(QString::number(s.statut) + s.erreurs));
        QCOMPARE(lignesFlotte(), lignesAvant);
        QCOMPARE(psql(QStringLiteral("SELECT count(*) FROM corvane.bornes WHERE nom = 'P'")), "0");
    }

    // A known kiosk's import (its partition exists) with 3000 new sales waits,
    // after its COPY, for a lock the test holds; its server process is then ended.
    void connexionPerdue()
    {
        BaseFlotte verrou(connexion());
        verrou.executerTexte("BEGIN; LOCK TABLE corvane.ventes IN SHARE MODE");
        const QString avant = lignesFlotte();
        QProcess p;
        p.start(qEnvironmentVariable("CORVANE_BIN") + QStringLiteral("/corvane"),
                {"--flotte", connexion(), "--importer", borne(3), "--borne", "K1"});
        QString termine;
        for (int i = 0; i < 600 && termine != QLatin1String("1"); ++i, QThread::msleep(100))
            termine = psql(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
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
    void roleDeLaDocumentation()
    {
        psql(QStringLiteral("CREATE DATABASE doc"), "postgres");
        psql(QStringLiteral("CREATE ROLE proprietaire LOGIN; REVOKE CREATE ON SCHEMA public FROM PUBLIC;"
                            "CREATE SCHEMA corvane AUTHORIZATION proprietaire;"
                            "GRANT CONNECT ON DATABASE doc TO proprietaire;"),
             "doc");
        const QString doc = connexion(QStringLiteral("proprietaire"), QStringLiteral("doc"));
        const QStringList import{"--flotte", doc, "--importer", borne(1), "--borne", "K1"};
        QCOMPARE(TestSupport::executer("corvane", import).statut, 0);
        QCOMPARE(psql(QStringLiteral("SELECT string_agg(DISTINCT tableowner, ',') || ' ' || count(*) "
                                     "FROM pg_tables WHERE schemaname = 'corvane'"),
                      "doc"),
                 "proprietaire 6");
    }
};

CORVANE_TEST(TestFlotte)
#include "tst_flotte.moc"
