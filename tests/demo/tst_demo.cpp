// The demo-folder tool, run as the README and the fixtures run it.

#include "TestSupport.h"
#include "shared/Configuration.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

using Resultat = TestSupport::Execution;
Resultat lancer(const QStringList &arguments) { return TestSupport::executer(QStringLiteral("corvane-demo"), arguments); }

// Every row of the tables, in key order, with each value's type: what a
// reader of the database sees, whatever the file's page layout.
QByteArray empreinteLignes(const QString &chemin)
{
    sqlite3 *base = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(chemin).constData(), &base, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(chemin));
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const char *sql : {"SELECT * FROM Ventes ORDER BY NoVente", "SELECT * FROM Telecollectes ORDER BY NoTelecollecte",
                            "SELECT * FROM Parametres ORDER BY NoParametre"}) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(base, sql, -1, &st, nullptr) != SQLITE_OK)
            qFatal("%s", sqlite3_errmsg(base));
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                h.addData(QByteArray::number(sqlite3_column_type(st, c)));
                h.addData(QByteArrayView(static_cast<const char *>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c)));
                h.addData("|");
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(base);
    return h.result().toHex();
}

QStringList entrees(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString valeur(const QString &base, const QString &sql)
{
    return TestSupport::valeurSql(base, sql);
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
        const Resultat r = lancer({base(), QStringLiteral("--ventes"), QStringLiteral("3000"),
                                   QStringLiteral("--graine"), QStringLiteral("11")});
        QCOMPARE(r.statut, 0);
    }

    void dossierComplet_data()
    {
        QTest::addColumn<int>("ventes");
        QTest::newRow("aucune vente") << 0;
        QTest::newRow("une vente") << 1;
        QTest::newRow("quelques mois") << 400;
    }
    void dossierComplet()
    {
        QFETCH(int, ventes);
        QTemporaryDir tmp;
        const QString dossier = tmp.filePath(QStringLiteral("borne/neuve"));
        const Resultat r = lancer({dossier, QStringLiteral("--ventes"), QString::number(ventes)});
        QCOMPARE(r.statut, 0);
        QVERIFY2(r.erreurs.isEmpty(), qPrintable(r.erreurs));
        QCOMPARE(entrees(dossier), QStringList({"MAINTEN.MDB", "dacorvane.mdb", "velmara.ini"}));

        const QString db = dossier + QStringLiteral("/dacorvane.mdb");
        QCOMPARE(valeur(db, "SELECT group_concat(type || ':' || name, ' ') FROM "
                            "(SELECT type, name FROM sqlite_master WHERE name IN "
                            "('Ventes', 'ReqVentes', 'Telecollectes', 'Parametres') ORDER BY name)"),
                 QStringLiteral("table:Parametres view:ReqVentes table:Telecollectes table:Ventes"));
        QCOMPARE(valeur(db, "SELECT group_concat(name, '|') FROM pragma_table_info('ReqVentes')"),
                 QStringLiteral("NoVente|Date|Montant|Type paiement|Client|Nb Jeton|Payé|Rendu|Ticket"));
        QCOMPARE(valeur(db, "SELECT count(*) FROM Ventes").toInt(), ventes);
        QCOMPARE(valeur(db, "SELECT count(*) FROM ReqVentes").toInt(), ventes);
        QCOMPARE(valeur(db, "SELECT count(*) FROM Parametres WHERE coalesce(Tarif1, Tarif2, Tarif3, Tarif4, Tarif5,"
                            " Jeton1, Jeton2, Jeton3, Jeton4, Jeton5, Hopper1, Hopper2, Caisse) IS NOT NULL"),
                 QStringLiteral("1"));
        QCOMPARE(valeur(db, "SELECT count(*) FROM Parametres WHERE Tarif1 IS NULL OR Jeton5 IS NULL OR Hopper1 IS NULL"
                            " OR Hopper2 IS NULL OR Caisse IS NULL"),
                 QStringLiteral("0"));
        // One upload every evening from the first day of sales to the last day.
        const QString jours = ventes == 0 ? QStringLiteral("0")
                                          : valeur(db, "SELECT CAST(julianday('2026-11-30') - julianday(date(min(LaDate)))"
                                                       " + 1 AS INTEGER) FROM Ventes");
        QCOMPARE(valeur(db, "SELECT count(DISTINCT date(LaDate)) FROM Telecollectes"), jours);
        QCOMPARE(valeur(db, "SELECT count(*) FROM Telecollectes"), jours);

        const QString maintenance = dossier + QStringLiteral("/MAINTEN.MDB");
        QCOMPARE(valeur(maintenance, "SELECT count(*) FROM Erreurs"), QStringLiteral("0"));
        QCOMPARE(valeur(maintenance, "SELECT count(*) FROM sqlite_master WHERE name = 'Ventes'"), QStringLiteral("0"));
    }

    // Each query counts the rows that break one rule of a kiosk's records.
    void ventesVraisemblables_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("date au format ISO") << "SELECT count(*) FROM Ventes WHERE datetime(LaDate) IS NOT LaDate";
        QTest::newRow("dates croissantes avec le numéro")
            << "SELECT count(*) FROM (SELECT LaDate, lag(LaDate) OVER (ORDER BY NoVente) AS avant FROM Ventes)"
               " WHERE avant >= LaDate";
        QTest::newRow("dernière vente au plus tard le 30/11/2026")
            << "SELECT count(*) FROM Ventes WHERE LaDate > '2026-11-30 23:59:59'";
        QTest::newRow("plusieurs mois de ventes")
            << "SELECT julianday(max(LaDate)) - julianday(min(LaDate)) < 60 FROM Ventes";
        QTest::newRow("montant positif à deux décimales")
            << "SELECT count(*) FROM Ventes WHERE Total <= 0 OR abs(Total * 100 - round(Total * 100)) > 1e-6";
        QTest::newRow("payé = montant + rendu")
            << "SELECT count(*) FROM Ventes WHERE Rendu < 0 OR abs(Paye - Total - Rendu) > 1e-6";
        QTest::newRow("facteurs de TVA") << "SELECT count(*) FROM Ventes WHERE TauxTVA NOT IN (1.2, 1.1, 1.055)";
        QTest::newRow("les trois facteurs servent") << "SELECT 3 - count(DISTINCT TauxTVA) FROM Ventes";
        QTest::newRow("types de paiement") << "SELECT count(*) FROM Ventes WHERE TypePaiement NOT IN (1, 2, 3, 4)";
        QTest::newRow("les quatre types servent") << "SELECT 4 - count(DISTINCT TypePaiement) FROM Ventes";
        QTest::newRow("jetons délivrés") << "SELECT count(*) FROM Ventes WHERE NbJeton IS NULL OR NbJeton <= 0";
        QTest::newRow("carte seulement sur les ventes par carte")
            << "SELECT count(*) FROM Ventes WHERE (TypePaiement = 2) <> (Client IS NOT NULL)";
        QTest::newRow("numéro de carte à 16 chiffres")
            << "SELECT count(*) FROM Ventes WHERE Client IS NOT NULL AND (length(Client) <> 16"
               " OR Client GLOB '*[^0-9]*' OR substr(Client, 1, 4) NOT IN"
               " ('4970', '4973', '4974', '4978', '4979', '5131', '5132', '5136'))";
        QTest::newRow("des clients reviennent")
            << "SELECT count(DISTINCT Client) = count(Client) FROM Ventes";
        QTest::newRow("ticket en lignes CR LF")
            << "SELECT count(*) FROM Ventes WHERE instr(Ticket, char(13, 10)) = 0"
               " OR instr(replace(Ticket, char(13, 10), ''), char(10)) > 0"
               " OR instr(replace(Ticket, char(13, 10), ''), char(13)) > 0";
        QTest::newRow("ticket de la vente")
            << "SELECT count(*) FROM Ventes WHERE instr(Ticket, 'Facture n° ' || NoVente || char(13, 10)) = 0"
               " OR instr(Ticket, 'TOTAL TTC') = 0 OR instr(Ticket, 'TOTAL HT') = 0"
               " OR instr(Ticket, replace(printf('%.2f EUR', Total), '.', ',')) = 0"
               " OR Ticket NOT LIKE '%Merci de votre visite'";
        QTest::newRow("télécollecte vers 23 h")
            << "SELECT count(*) FROM Telecollectes WHERE time(LaDate) NOT BETWEEN '23:00:00' AND '23:59:59'";
        QTest::newRow("télécollecte après les ventes du jour")
            << "SELECT count(*) FROM Ventes v JOIN Telecollectes t ON date(t.LaDate) = date(v.LaDate)"
               " WHERE v.LaDate >= t.LaDate";
        QTest::newRow("télécollecte totalise les cartes du jour")
            << "SELECT count(*) FROM Telecollectes t WHERE instr(t.Ticket, replace(printf('%.2f EUR',"
               " (SELECT coalesce(sum(Total), 0) FROM Ventes v WHERE TypePaiement = 2"
               "  AND date(v.LaDate) = date(t.LaDate))), '.', ',')) = 0"
               " OR instr(t.Ticket, char(13, 10)) = 0";
    }
    void ventesVraisemblables()
    {
        QFETCH(QString, sql);
        QCOMPARE(valeur(base() + QStringLiteral("/dacorvane.mdb"), sql), QStringLiteral("0"));
    }

    void memeGraineMemeDossier()
    {
        QTemporaryDir tmp;
        auto creer = [&](const QString &nom, const QString &graine) {
            const QString dossier = tmp.filePath(nom);
            const Resultat r = lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("700"),
                                       QStringLiteral("--graine"), graine});
            if (r.statut != 0)
                qFatal("corvane-demo failed: %s", qPrintable(r.erreurs));
            return empreinteLignes(dossier + QStringLiteral("/dacorvane.mdb"));
        };
        const QByteArray a = creer(QStringLiteral("a"), QStringLiteral("5"));
        QCOMPARE(creer(QStringLiteral("b"), QStringLiteral("5")), a);
        QVERIFY(creer(QStringLiteral("c"), QStringLiteral("6")) != a);
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
        QCOMPARE(LireIniString(f.fileName(), QStringLiteral("Base de donnée"), QStringLiteral("Nom"), QStringLiteral("autre")),
                 QStringLiteral("DACORVANE"));
    }

    // An existing file of the folder, in any case, is replaced only when asked.
    void remplacementDemande_data()
    {
        QTest::addColumn<QString>("existant");
        QTest::newRow("base") << "dacorvane.mdb";
        QTest::newRow("base en capitales") << "DACORVANE.MDB";
        QTest::newRow("journal des erreurs") << "mainten.mdb";
        QTest::newRow("configuration") << "Velmara.INI";
    }
    void remplacementDemande()
    {
        QFETCH(QString, existant);
        QTemporaryDir tmp;
        const QString dossier = tmp.path();
        TestSupport::creerBase(tmp.filePath(existant), TestSupport::schemaVentes(), "INSERT INTO Ventes (NoVente) VALUES (424242)");

        const Resultat refus = lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("50")});
        QCOMPARE(refus.statut, 1);
        QVERIFY2(refus.erreurs.contains(QStringLiteral("--remplacer")) && refus.erreurs.contains(existant),
                 qPrintable(refus.erreurs));
        QCOMPARE(entrees(dossier), QStringList({existant}));
        QCOMPARE(valeur(tmp.filePath(existant), "SELECT max(NoVente) FROM Ventes"), QStringLiteral("424242"));

        const Resultat r = lancer({dossier, QStringLiteral("--ventes"), QStringLiteral("50"), QStringLiteral("--remplacer")});
        QCOMPARE(r.statut, 0);
        const QStringList apres = entrees(dossier);
        QCOMPARE(apres.size(), 3);
        QVERIFY2(apres.contains(existant), "the existing entry keeps its name");
        const QString db = dossier + QLatin1Char('/') + *std::find_if(apres.begin(), apres.end(), [](const QString &n) {
            return n.compare(QStringLiteral("dacorvane.mdb"), Qt::CaseInsensitive) == 0;
        });
        QCOMPARE(valeur(db, "SELECT count(*) FROM Ventes"), QStringLiteral("50"));
    }

    // A run killed while building leaves a file beside the database; the next run clears it.
    void resteDUneCourseInterrompue()
    {
        QTemporaryDir tmp;
        QFile reste(tmp.filePath(QStringLiteral("dacorvane.mdb.partiel")));
        QVERIFY(reste.open(QIODevice::WriteOnly));
        reste.write("pas une base");
        reste.close();
        QCOMPARE(lancer({tmp.path(), QStringLiteral("--ventes"), QStringLiteral("20")}).statut, 0);
        QCOMPARE(entrees(tmp.path()), QStringList({"MAINTEN.MDB", "dacorvane.mdb", "velmara.ini"}));
    }

    void schemaChoisi()
    {
        QTemporaryDir tmp;
        QFile source(TestSupport::schemaVentes());
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile copie(tmp.filePath(QStringLiteral("autre.sql")));
        QVERIFY(copie.open(QIODevice::WriteOnly));
        copie.write(source.readAll() + "\nCREATE TABLE Marque (x);\n");
        copie.close();
        const QString dossier = tmp.filePath(QStringLiteral("k"));
        QCOMPARE(lancer({dossier, QStringLiteral("--schema"), copie.fileName(), QStringLiteral("--ventes"), QStringLiteral("3")}).statut, 0);
        QCOMPARE(valeur(dossier + QStringLiteral("/dacorvane.mdb"), "SELECT count(*) FROM sqlite_master WHERE name = 'Marque'"),
                 QStringLiteral("1"));
    }

    void refusClair_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("sans dossier") << QStringList() << 2 << "Indiquez le dossier";
        QTest::newRow("nombre illisible") << QStringList({"@", "--ventes", "12abc"}) << 2 << "Nombre de ventes invalide";
        QTest::newRow("nombre négatif") << QStringList({"@", "--ventes", "-1"}) << 2 << "Nombre de ventes invalide";
        QTest::newRow("valeur manquante") << QStringList({"@", "--ventes"}) << 2 << "attend une valeur";
        QTest::newRow("graine illisible") << QStringList({"@", "--graine", "x"}) << 2 << "Graine invalide";
        QTest::newRow("option inconnue") << QStringList({"@", "--vente", "3"}) << 2 << "Option inconnue";
        QTest::newRow("deux dossiers") << QStringList({"@", "autre"}) << 2 << "Un seul dossier";
        QTest::newRow("schéma absent") << QStringList({"@", "--schema", "/nulle/part.sql"}) << 1 << "Schéma introuvable";
        QTest::newRow("schéma invalide") << QStringList({"@", "--schema", "%/faux.sql"}) << 1 << "schéma";
        QTest::newRow("dossier qui est un fichier") << QStringList({"%/fichier"}) << 1 << "n'est pas un dossier";
    }
    void refusClair()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        for (const char *nom : {"fichier", "faux.sql"}) {
            QFile f(tmp.filePath(QLatin1String(nom)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("CREATE TABLE ;\n");
        }
        const QString dossier = tmp.filePath(QStringLiteral("k"));
        arguments.replaceInStrings(QStringLiteral("@"), dossier);
        arguments.replaceInStrings(QStringLiteral("%"), tmp.path());
        const Resultat r = lancer(arguments);
        QCOMPARE(r.statut, code);
        QVERIFY2(r.erreurs.contains(message), qPrintable(r.erreurs));
        QVERIFY(!QFileInfo::exists(dossier + QStringLiteral("/dacorvane.mdb")));
        QVERIFY(entrees(dossier).isEmpty());
    }

    void aideEnFrancais()
    {
        const Resultat r = lancer({QStringLiteral("--help")});
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
