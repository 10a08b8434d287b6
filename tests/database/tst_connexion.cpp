// Connection: connection strings, the files it refuses, the settings it
// imposes, bounded statements and the Jet SQL functions, on a real file.

#include "TestSupport.h"
#include "database/Connection.h"
#include "database/Statement.h"
#include "database/Surveillance.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <sqlite3.h>
#include <thread>


namespace {

using TestSupport::numeroErreur;
using TestSupport::erreur;
const QString prefixe = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

const char *ventes = R"(
INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client) VALUES
 (2, '2026-12-01 00:00:00', 12, 1.2, 2, 1, '4970111122224444'),
 (3, '2026-12-01 00:00:01', 12, 1.2, 2, 1, '4970111122225555');
)";

QString premiereValeur(Connection &c, const QString &sql)
{
    Statement st(c, sql);
    if (!st.step())
        return QStringLiteral("<aucune ligne>");
    return st.isNull(0) ? QStringLiteral("NULL") : st.text(0);
}

// contenu: of the file, "absent" or "dossier" for none; extrait: part of the description.
struct CasOuverture { QString nom, contenu; int numero; QString extrait; };

} // namespace

Q_DECLARE_METATYPE(CasOuverture)

class TestConnexion : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;
    QString m_base;

private slots:
    void initTestCase()
    {
        TestSupport::epinglerFrancais();
        // Read once by the program: a statement may run 2 s here.
        qputenv("CORVANE_DELAI_REQUETE", "2");
        m_base = m_dossier.filePath(QStringLiteral("dacorvane.mdb"));
        TestSupport::creerBase(m_base, TestSupport::schemaVentes(),
                               QString::fromUtf8(ventes)
                                   + QStringLiteral("CREATE VIEW VueHT AS SELECT ccur(Total/TauxTVA) AS HT, "
                                                    "CDate('01/12/2026') AS Jour FROM Ventes WHERE NoVente = 2;"));
    }

    void sourceDeDonnees_data()
    {
        QTest::addColumn<QString>("chaine");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("casse et blancs") << "provider=x; data source = /k/a b.mdb ;" << "/k/a b.mdb";
        QTest::newRow("cité, guillemet doublé") << "Data Source=\"/k/a\"\"b.mdb\";x=y" << "/k/a\"b.mdb";
        QTest::newRow("apostrophes") << "Data Source = '/k/l''a;b.mdb';x=y" << "/k/l'a;b.mdb";
        QTest::newRow("absente") << "Provider=Microsoft.Jet.OLEDB.4.0" << "";
        // Whatever a path holds, it reads back whole from the texts the program builds.
        for (const QString chemin :
             {"/k/semi;Data Source=/x;y=z/a.mdb", "/k/\"a\" l'b/\"c\"", "'k/a.mdb", " /k/a b.mdb "})
            QTest::addRow("cité: %s", qPrintable(chemin))
                << prefixe + Connection::quoteValue(chemin) + " ;Jet OLEDB:Engine Type=5" << chemin;
    }

    void sourceDeDonnees()
    {
        QFETCH(QString, chaine);
        QFETCH(QString, attendu);
        QCOMPARE(Connection::dataSource(chaine), attendu);
        if (chaine.endsWith(QLatin1String("Type=5")))
            QCOMPARE(Connection::parts(chaine).value(QStringLiteral("jet oledb:engine type")), QStringLiteral("5"));
    }

    void requetes_data()
    {
        QTest::addColumn<QString>("avant"); // run first on the connection
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("attendu"); // first value as text, "NULL", or "#n" for run-time error n
        QTest::newRow("schéma non fiable") << "" << "PRAGMA trusted_schema" << "0";
        QTest::newRow("cellules vérifiées") << "" << "PRAGMA cell_size_check" << "1";
        QTest::newRow("fichier non projeté") << "" << "PRAGMA mmap_size" << "0";
        QTest::newRow("vue aux fonctions Jet") << "" << "SELECT HT || ' ' || Jour FROM VueHT" << "10.0 2026-12-01 00:00:00";
        QTest::newRow("littéral entre guillemets") << "" << "SELECT \"texte\"" << "texte";
        QTest::newRow("défensif: schéma intouchable")
            << "PRAGMA writable_schema=ON" << "DELETE FROM sqlite_master WHERE name = 'VueHT'" << "#-2147467259";
        QTest::newRow("défensif: journal gardé") << "PRAGMA journal_mode=OFF" << "PRAGMA journal_mode" << "delete";
        QTest::newRow("ccur entier") << "" << "select ccur(7)" << "7.0";
        QTest::newRow("ccur Null") << "" << "select ccur(NULL)" << "NULL";
        QTest::newRow("ccur texte SQL") << "" << "select ccur('12.5')" << "12.5";
        QTest::newRow("ccur texte français") << "" << "select ccur('12,5')" << "12.5";
        QTest::newRow("ccur texte illisible") << "" << "select ccur('douze')" << "#13";
        QTest::newRow("ccur dépassement") << "" << "select ccur(1e300)" << "#6";
        QTest::newRow("CDate date et heure") << "" << "select CDate(\"01/12/2026 00:00:00\")" << "2026-12-01 00:00:00";
        QTest::newRow("CDate date de fin vide") << "" << "select CDate(\"  23:59:59\")" << "1899-12-30 23:59:59";
        QTest::newRow("CDate valeur date")
            << "" << "select CDate(LaDate) from Ventes where NoVente = 3" << "2026-12-01 00:00:01";
        QTest::newRow("CDate Null") << "" << "select CDate(NULL)" << "NULL";
        QTest::newRow("CDate 99/99/99") << "" << "select CDate('99/99/99')" << "#13";
        QTest::newRow("CDate nombre") << "" << "select CDate(2.5)" << "1900-01-01 12:00:00";
    }

    void requetes()
    {
        QFETCH(QString, avant);
        QFETCH(QString, sql);
        QFETCH(QString, attendu);
        Connection c;
        c.open(prefixe + m_base);
        if (!avant.isEmpty())
            c.execute(avant);
        QString obtenu;
        const QString e = erreur([&] { obtenu = premiereValeur(c, sql); });
        if (e.startsWith(QString::number(Erreurs::TypeIncompatible) + QLatin1Char(' ')))
            QCOMPARE(e, QStringLiteral("13 Type incompatible"));
        QCOMPARE(e.isEmpty() ? obtenu : QLatin1Char('#') + e.section(QLatin1Char(' '), 0, 0), attendu);
        // A function's error does not stick to the connection.
        QCOMPARE(numeroErreur([&] { Statement st(c, QStringLiteral("select * from TableAbsente")); }),
                 Erreurs::NumeroBaseDeDonnees);
        int defensif = 0;
        QCOMPARE(sqlite3_db_config(c.handle(), SQLITE_DBCONFIG_DEFENSIVE, -1, &defensif), SQLITE_OK);
        QCOMPARE(defensif, 1);
    }

    void instructionBornee_data()
    {
        QTest::addColumn<bool>("signal");    // interrupted from another thread, else past the limit
        QTest::addColumn<QString>("extrait");
        QTest::newRow("délai dépassé") << false << "La requête a dépassé le délai de 2 secondes";
        QTest::newRow("signal") << true << "L'opération sur la base de données a été interrompue.";
    }

    void instructionBornee()
    {
        QFETCH(bool, signal);
        QFETCH(QString, extrait);
        Connection c;
        c.open(prefixe + m_base);
        std::jthread veilleur;
        if (signal)
            veilleur = std::jthread([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                Surveillance::interrompreTout();
            });
        const QString e = erreur([&] {
            premiereValeur(c, QStringLiteral("WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "
                                             "SELECT count(*) FROM r"));
        });
        QVERIFY2(e.startsWith(QString::number(Erreurs::NumeroBaseDeDonnees) + QLatin1Char(' ') + extrait), qPrintable(e));
        // The connection works again (once the interruption is lifted).
        Surveillance::reprendre();
        QCOMPARE(premiereValeur(c, QStringLiteral("SELECT count(*) FROM Ventes")), QStringLiteral("2"));
    }

    void ouvertureRefusee_data()
    {
        QTest::addColumn<CasOuverture>("cas");
        QTest::newRow("fichier absent")
            << CasOuverture{"absente.mdb", "absent", Erreurs::FichierBaseIntrouvable, "absente.mdb' introuvable"};
        QTest::newRow("fichier texte")
            << CasOuverture{"texte.mdb", QString("[Base de donnée]\r\nNom=DACORVANE\r\n").repeated(100),
                            Erreurs::FormatNonReconnu, "n'est pas une base de données reconnue"};
        QTest::newRow("dossier") << CasOuverture{"dossier.mdb", "dossier", Erreurs::FormatNonReconnu, "dossier.mdb"};
    }

    void ouvertureRefusee()
    {
        QFETCH(CasOuverture, cas);
        const QString chemin = m_dossier.filePath(cas.nom);
        QFile f(chemin);
        if (cas.contenu == QLatin1String("dossier"))
            QVERIFY(QDir(m_dossier.path()).mkpath(cas.nom));
        else if (cas.contenu != QLatin1String("absent"))
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(cas.contenu.toUtf8()) == cas.contenu.toUtf8().size());
        f.close();
        Connection c;
        const QString e = erreur([&] { c.open(prefixe + chemin + QStringLiteral(";Jet OLEDB:Database Password=")); });
        QVERIFY(e.startsWith(QString::number(cas.numero) + QLatin1Char(' ')) && e.contains(cas.extrait));
        QVERIFY(!c.isOpen());
        // Nothing created, nothing written.
        QCOMPARE(QFile::exists(chemin), cas.contenu != QLatin1String("absent"));
        if (QFileInfo(chemin).isFile()) {
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), cas.contenu.toUtf8());
        }
    }

    void nomSansCasseTransactionsEtFermeture()
    {
        Connection c;
        c.open(prefixe + m_dossier.filePath(QStringLiteral("DACORVANE.mdb")) + QStringLiteral(" ;Jet OLEDB:Engine Type=5"));
        QCOMPARE(c.path(), m_base);
        QCOMPARE(premiereValeur(c, QStringLiteral("select count(*) from ReqVentes")), QStringLiteral("2"));
        QVERIFY(!QFile::exists(m_dossier.filePath(QStringLiteral("DACORVANE.mdb"))));
        Statement montant(c, QStringLiteral("select ccur(10/1.2)"));
        QVERIFY(montant.step());
        QCOMPARE(montant.real(0), 8.3333);
        const QString e = erreur([&] { Statement st(c, QStringLiteral("select * from TableAbsente")); });
        QVERIFY(e.startsWith(QString::number(Erreurs::NumeroBaseDeDonnees) + QStringLiteral(" Table ou requête introuvable")));
        QVERIFY(e.contains(QLatin1String("TableAbsente")));

        {
            Transaction t(c);
            c.execute(QStringLiteral("insert into Telecollectes (LaDate) values ('2026-01-01 10:00:00')"));
        } // rolled back
        QCOMPARE(premiereValeur(c, QStringLiteral("select count(*) from Telecollectes")), QStringLiteral("0"));
        {
            Transaction t(c);
            c.execute(QStringLiteral("insert into Telecollectes (LaDate) values ('2026-01-01 10:00:00')"));
            {
                Transaction interieure(c);
                c.execute(QStringLiteral("insert into Telecollectes (LaDate) values ('2026-01-02 10:00:00')"));
            } // only the inner one rolled back
            t.commit();
        }
        QCOMPARE(TestSupport::valeurSql(m_base, QStringLiteral("select count(*) from Telecollectes")), QStringLiteral("1"));

        // Another program holds the file locked: the open waits a moment, then
        // fails with a French description.
        c.execute(QStringLiteral("BEGIN EXCLUSIVE"));
        Connection autre;
        const QString verrou = erreur([&] { autre.open(prefixe + m_base); });
        QVERIFY(verrou.startsWith(QString::number(Erreurs::NumeroBaseDeDonnees) + QLatin1Char(' ')));
        QVERIFY(verrou.contains(QStringLiteral("verrouillée")));
        QVERIFY(!autre.isOpen());

        c.close();
        c.close();
        QVERIFY(!c.isOpen());
        QCOMPARE(numeroErreur([&] { c.execute(QStringLiteral("select 1")); }), Erreurs::OperationObjetFerme);
    }
};

CORVANE_TEST(TestConnexion)
#include "tst_connexion.moc"
