// The demo-folder tool, run as the README and the fixtures run it.

#include "TestSupport.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using TestSupport::valeurSql;

TestSupport::Execution lancer(const QStringList &arguments)
{
    return TestSupport::executer(QStringLiteral("corvane-demo"), arguments);
}

QStringList entrees(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void ecrire(const QString &chemin, const QByteArray &octets, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(chemin);
    QVERIFY2(f.open(mode), qPrintable(chemin));
    f.write(octets);
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::epinglerFrancais();
        QVERIFY2(!qEnvironmentVariable("CORVANE_BIN").isEmpty(), "CORVANE_BIN is not set");
        QVERIFY(m_dossier.isValid());
        QCOMPARE(lancer({base(), "--ventes", "3000", "--graine", "11"}).statut, 0);
    }

    void dossierComplet_data()
    {
        QTest::addColumn<int>("ventes");
        QTest::addColumn<bool>("reste");   // a killed run's file lies beside the database: cleared
        QTest::newRow("aucune vente") << 0 << false;
        QTest::newRow("une vente, reste d'une course interrompue") << 1 << true;
        QTest::newRow("quelques mois") << 400 << false;
    }
    void dossierComplet()
    {
        QFETCH(int, ventes);
        QFETCH(bool, reste);
        QTemporaryDir tmp;
        const QString dossier = tmp.filePath(QStringLiteral("borne/neuve"));
        if (reste) {
            QVERIFY(QDir().mkpath(dossier));
            ecrire(dossier + QStringLiteral("/dacorvane.mdb.partiel"), "pas une base");
        }
        const TestSupport::Execution r = lancer({dossier, QStringLiteral("--ventes"), QString::number(ventes)});
        QCOMPARE(r.statut, 0);
        QVERIFY2(r.erreurs.isEmpty(), qPrintable(r.erreurs));
        QCOMPARE(entrees(dossier), QStringList({"MAINTEN.MDB", "dacorvane.mdb", "velmara.ini"}));

        const QString db = dossier + QStringLiteral("/dacorvane.mdb");
        const QString n = QString::number(ventes);
        QCOMPARE(valeurSql(db, "SELECT (SELECT count(*) FROM Ventes) || ' ' || count(*) FROM ReqVentes"),
                 n + ' ' + n);
        // One parameters row, every tariff, token, hopper and cash box filled.
        QCOMPARE(valeurSql(db, "SELECT group_concat(Tarif1 IS NOT NULL AND Jeton5 IS NOT NULL"
                               " AND Hopper1 IS NOT NULL AND Hopper2 IS NOT NULL AND Caisse IS NOT NULL)"
                               " FROM Parametres"),
                 QStringLiteral("1"));
        // One upload every evening from the first day of sales to the last day.
        const QString jours = valeurSql(
            db, "SELECT coalesce(CAST(julianday('2026-11-30') - julianday(date(min(LaDate))) + 1 AS INTEGER),"
                " 0) FROM Ventes");
        QCOMPARE(valeurSql(db, "SELECT count(*) || ' ' || count(DISTINCT date(LaDate)) FROM Telecollectes"),
                 jours + QLatin1Char(' ') + jours);
        QCOMPARE(valeurSql(dossier + QStringLiteral("/MAINTEN.MDB"),
                           "SELECT (SELECT count(*) FROM Erreurs) + (SELECT count(*) FROM sqlite_master"
                           " WHERE name = 'Ventes')"),
                 QStringLiteral("0"));
    }

    // Each query counts the records that break one group of a kiosk's rules.
    void ventesVraisemblables_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("dates ISO, croissantes avec le numéro, sur plusieurs mois jusqu'au 30/11/2026")
            << "SELECT count(*) FROM (SELECT LaDate, lag(LaDate) OVER (ORDER BY NoVente) AS avant FROM Ventes)"
               " WHERE datetime(LaDate) IS NOT LaDate OR avant >= LaDate OR LaDate > '2026-11-30 23:59:59'"
               " OR (SELECT julianday(max(LaDate)) - julianday(min(LaDate)) < 60 FROM Ventes)";
        QTest::newRow("montant positif à deux décimales, payé = montant + rendu, jetons délivrés")
            << "SELECT count(*) FROM Ventes WHERE Total <= 0 OR abs(Total * 100 - round(Total * 100)) > 1e-6"
               " OR Rendu < 0 OR abs(Paye - Total - Rendu) > 1e-6 OR NbJeton IS NULL OR NbJeton <= 0";
        QTest::newRow("les trois facteurs de TVA, les quatre types de paiement")
            << "SELECT count(*) FROM Ventes WHERE TauxTVA NOT IN (1.2, 1.1, 1.055)"
               " OR TypePaiement NOT IN (1, 2, 3, 4)"
               " OR (SELECT count(DISTINCT TauxTVA) <> 3 OR count(DISTINCT TypePaiement) <> 4 FROM Ventes)";
        QTest::newRow("carte à 16 chiffres seulement sur les ventes par carte, des clients reviennent")
            << "SELECT count(*) FROM Ventes WHERE (TypePaiement = 2) <> (Client IS NOT NULL)"
               " OR length(Client) <> 16 OR Client GLOB '*[^0-9]*' OR substr(Client, 1, 4) NOT IN"
               " ('4970', '4973', '4974', '4978', '4979', '5131', '5132', '5136')"
               " OR (SELECT count(DISTINCT Client) = count(Client) FROM Ventes)";
        QTest::newRow("ticket de la vente en lignes CR LF")
            << "SELECT count(*) FROM Ventes WHERE instr(Ticket, char(13, 10)) = 0"
               " OR instr(replace(Ticket, char(13, 10), ''), char(10)) > 0"
               " OR instr(replace(Ticket, char(13, 10), ''), char(13)) > 0"
               " OR instr(Ticket, 'Facture n° ' || NoVente || char(13, 10)) = 0"
               " OR instr(Ticket, 'TOTAL TTC') = 0 OR instr(Ticket, 'TOTAL HT') = 0"
               " OR instr(Ticket, replace(printf('%.2f EUR', Total), '.', ',')) = 0"
               " OR Ticket NOT LIKE '%Merci de votre visite'";
        QTest::newRow("télécollecte vers 23 h, après les ventes du jour, totalisant ses cartes")
            << "SELECT count(*) FROM Telecollectes t WHERE time(LaDate) NOT BETWEEN '23:00:00' AND '23:59:59'"
               " OR EXISTS (SELECT 1 FROM Ventes v WHERE date(v.LaDate) = date(t.LaDate)"
               "  AND v.LaDate >= t.LaDate)"
               " OR instr(t.Ticket, replace(printf('%.2f EUR', (SELECT coalesce(sum(Total), 0) FROM Ventes v"
               " WHERE TypePaiement = 2 AND date(v.LaDate) = date(t.LaDate))), '.', ',')) = 0"
               " OR instr(t.Ticket, char(13, 10)) = 0";
    }
    void ventesVraisemblables()
    {
        QFETCH(QString, sql);
        QCOMPARE(valeurSql(base() + QStringLiteral("/dacorvane.mdb"), sql), QStringLiteral("0"));
    }

    // The same seed gives the same file, byte for byte.
    void memeGraineMemeDossier()
    {
        QTemporaryDir tmp;
        auto creer = [&](const QString &nom, const QString &graine) {
            const QString dossier = tmp.filePath(nom);
            lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("700"), QStringLiteral("--graine"),
                    graine});
            QFile f(dossier + QStringLiteral("/dacorvane.mdb"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray a = creer(QStringLiteral("a"), QStringLiteral("5"));
        QVERIFY(!a.isEmpty());
        QVERIFY(creer(QStringLiteral("b"), QStringLiteral("5")) == a);
        const QByteArray c = creer(QStringLiteral("c"), QStringLiteral("6"));
        QVERIFY(!c.isEmpty() && c != a);
    }

    // The configuration names the database as the kiosk's own file does: the
    // section's é is one Windows-1252 byte, lines end in CR LF.
    void configurationRelue()
    {
        QFile f(base() + QStringLiteral("/velmara.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray octets = f.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8.decode(octets));
        QVERIFY2(utf8.hasError(), "the section name must not be UTF-8");
        QVERIFY(octets.contains("\r\n"));
        QCOMPARE(LireIniString(f.fileName(), QStringLiteral("Base de donnée"), QStringLiteral("Nom"),
                               QStringLiteral("autre")),
                 QStringLiteral("DACORVANE"));
    }

    // An existing file of the folder, in any case, is replaced only when asked.
    void remplacementDemande_data()
    {
        QTest::addColumn<QString>("existant");
        QTest::newRow("base en capitales") << "DACORVANE.MDB";
        QTest::newRow("journal des erreurs") << "mainten.mdb";
        QTest::newRow("configuration") << "Velmara.INI";
    }
    void remplacementDemande()
    {
        QFETCH(QString, existant);
        QTemporaryDir tmp;
        const QString dossier = tmp.path();
        TestSupport::creerBase(tmp.filePath(existant), TestSupport::schemaVentes(),
                               "INSERT INTO Ventes (NoVente) VALUES (424242)");

        const TestSupport::Execution refus = lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("5")});
        QCOMPARE(refus.statut, 1);
        QVERIFY2(refus.erreurs.contains(QStringLiteral("--remplacer")) && refus.erreurs.contains(existant),
                 qPrintable(refus.erreurs));
        QCOMPARE(entrees(dossier), QStringList({existant}));
        QCOMPARE(valeurSql(tmp.filePath(existant), "SELECT max(NoVente) FROM Ventes"), "424242");

        QCOMPARE(lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("50"), "--remplacer"}).statut, 0);
        QCOMPARE(entrees(dossier).size(), 3);
        QVERIFY2(entrees(dossier).contains(existant), "the existing entry keeps its name");
        QCOMPARE(valeurSql(resoudreChemin(dossier + "/dacorvane.mdb"), "SELECT count(*) FROM Ventes"), "50");
    }

    void schemaChoisi()
    {
        QTemporaryDir tmp;
        const QString schema = tmp.filePath(QStringLiteral("autre.sql"));
        QVERIFY(QFile::copy(TestSupport::schemaVentes(), schema));
        QVERIFY(QFile::setPermissions(schema, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        ecrire(schema, "\nCREATE TABLE Marque (x);\n", QIODevice::Append);
        const QString dossier = tmp.filePath(QStringLiteral("k"));
        QCOMPARE(lancer({dossier, "--schema", schema, "--ventes", "3"}).statut, 0);
        QCOMPARE(valeurSql(dossier + QStringLiteral("/dacorvane.mdb"),
                           "SELECT count(*) FROM sqlite_master WHERE name = 'Marque'"),
                 QStringLiteral("1"));
    }

    void refusClair_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("sans dossier") << QStringList() << 2 << "Indiquez le dossier";
        const QString nombre = QStringLiteral("Nombre de ventes invalide");
        QTest::newRow("nombre illisible") << QStringList({"@", "--ventes", "12abc"}) << 2 << nombre;
        QTest::newRow("nombre négatif") << QStringList({"@", "--ventes", "-1"}) << 2 << nombre;
        QTest::newRow("valeur manquante") << QStringList({"@", "--ventes"}) << 2 << "attend une valeur";
        QTest::newRow("graine illisible") << QStringList({"@", "--graine", "x"}) << 2 << "Graine invalide";
        QTest::newRow("option inconnue") << QStringList({"@", "--vente", "3"}) << 2 << "Option inconnue";
        QTest::newRow("deux dossiers") << QStringList({"@", "autre"}) << 2 << "Un seul dossier";
        QTest::newRow("schéma absent")
            << QStringList{"@", "--schema", "/nulle/part"} << 1 << "Schéma introuvable";
        QTest::newRow("schéma invalide") << QStringList({"@", "--schema", "%/faux.sql"}) << 1 << "schéma";
        QTest::newRow("dossier qui est un fichier") << QStringList{"%/fichier"} << 1 << "n'est pas un dossier";
    }
    void refusClair()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        for (const char *nom : {"fichier", "faux.sql"})
            ecrire(tmp.filePath(QLatin1String(nom)), "CREATE TABLE ;\n");
        const QString dossier = tmp.filePath(QStringLiteral("k"));
        arguments.replaceInStrings(QStringLiteral("@"), dossier);
        arguments.replaceInStrings(QStringLiteral("%"), tmp.path());
        const TestSupport::Execution r = lancer(arguments);
        QCOMPARE(r.statut, code);
        QVERIFY2(r.erreurs.contains(message), qPrintable(r.erreurs));
        QVERIFY(entrees(dossier).isEmpty());
    }

    void aideEnFrancais()
    {
        const TestSupport::Execution r = lancer({QStringLiteral("--help")});
        QCOMPARE(r.statut, 0);
        QVERIFY(r.sortie.startsWith("Utilisation : corvane-demo <dossier>"));
        for (const char *option : {"--ventes", "--graine", "--remplacer", "--schema"})
            QVERIFY2(r.sortie.contains(option), option);
    }

private:
    QString base() const { return m_dossier.filePath(QStringLiteral("borne")); }
    QTemporaryDir m_dossier;
};

CORVANE_TEST(TestDemo)
#include "tst_demo.moc"
