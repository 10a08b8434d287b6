// Saved queries rebuilt from their catalogue rows, run by SQLite over a small
// data set: each must return what the Jet query returns.
#include "LignesSql.h"
#include "TestSupport.h"
#include "jet/RequeteJet.h"

#include <QtTest>

namespace {

// Catalogue rows written one a line: "attribute|Name1|Name2|Expression|Flag".
std::vector<Jet::LigneCatalogue> catalogue(const QString &texte)
{
    std::vector<Jet::LigneCatalogue> r;
    for (const QString &l : texte.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList c = l.split(QLatin1Char('|'));
        Jet::LigneCatalogue x;
        x.attribut = c.value(0).toInt();
        x.nom1 = c.value(1).toStdString();
        x.nom2 = c.value(2).toStdString();
        x.expression = c.value(3).toStdString();
        if (!c.value(4).isEmpty())
            x.drapeau = c.value(4).toInt();
        r.push_back(x);
    }
    return r;
}

struct Base
{
    sqlite3 *db = nullptr;
    Base()
    {
        sqlite3_open(":memory:", &db);
        exec("CREATE TABLE Clients (id INTEGER, nom TEXT, ville TEXT);"
             "INSERT INTO Clients VALUES (1, 'Ana', 'Lyon'), (2, 'Bob', 'Paris'), (3, 'Cid', NULL);"
             "CREATE TABLE Ventes (no INTEGER, client INTEGER, montant REAL, jour DATETIME);"
             "INSERT INTO Ventes VALUES (10, 1, 5.0, '2024-01-01 10:00:00'), (11, 1, 7.5, '2024-01-02 11:00:00'),"
             " (12, 2, 3.0, '2024-01-02 12:00:00'), (13, 4, 1.0, '2024-01-03 00:00:00');"
             "CREATE TABLE Villes (nom TEXT, region TEXT);"
             "INSERT INTO Villes VALUES ('Lyon', 'ARA'), ('Paris', 'IDF'), ('Nice', 'PACA');");
    }
    ~Base() { sqlite3_close(db); }
    void exec(const char *sql) { QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK); }
    Jet::ColonnesDe colonnes()
    {
        return [this](const std::string &t) -> std::optional<std::vector<std::string>> {
            std::vector<std::string> r;
            for (const QString &n : lignesSql(db, "SELECT name FROM pragma_table_info('" + t + "')"))
                r.push_back(n.toStdString());
            return r.empty() ? std::nullopt : std::optional(r);
        };
    }
};

} // namespace

class TestRequetesJet : public QObject
{
    Q_OBJECT
private slots:

    void resultats_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<QStringList>("attendu");
        QTest::newRow("alias, filtre, tri") << "1||||1\n5|Ventes\n6|||Ventes.no|0\n6|Double||[montant]*2|0\n"
                                               "8|||Ventes.montant > 4\n11|||no"
                                            << QStringList{"10|10.0", "11|15.0"};
        QTest::newRow("jointure droite") << "5|Clients\n5|Ventes\n6|||Clients.nom\n6|||Ventes.no\n"
                                            "7|Clients|Ventes|Clients.id = Ventes.client|3\n11|||Ventes.no"
                                         << QStringList{"Ana|10", "Ana|11", "Bob|12", "NULL|13"};
        QTest::newRow("jointure gauche vers un groupe")
            << "5|Clients\n5|Ventes\n5|Villes\n6|||Villes.nom\n6|||Ventes.no\n"
               "7|Clients|Ventes|Clients.id = Ventes.client|1\n7|Villes|Clients|Villes.nom = Clients.ville|2\n"
               "11|||Villes.nom\n11|||Ventes.no"
            << QStringList{"Lyon|10", "Lyon|11", "Nice|NULL", "Paris|12"};
        QTest::newRow("deux conditions sur une paire")
            << "5|Clients\n5|Ventes\n6|||Ventes.no\n7|Clients|Ventes|Clients.id = Ventes.client|1\n"
               "7|Clients|Ventes|Ventes.montant > 4|1\n11|||no"
            << QStringList{"10", "11"};
        QTest::newRow("regroupement") << "5|Ventes\n6|||Ventes.client\n6|Total||Sum(Ventes.montant)\n"
                                         "6|N||Count(*)\n9|||Ventes.client\n10|||Sum(Ventes.montant) > 2\n"
                                         "11|||Ventes.client"
                                      << QStringList{"1|12.5|2", "2|3.0|1"};
        QTest::newRow("distinct") << "3||||2\n5|Ventes\n6|||Ventes.client\n11|||client"
                                  << QStringList{"1", "2", "4"};
        QTest::newRow("top et tri descendant") << "3|2|||16\n5|Ventes\n6|||no\n11|D||montant"
                                               << QStringList{"11", "10"};
        QTest::newRow("étoile") << "3||||1\n5|Villes\n11|D||nom" << QStringList{"Paris|IDF", "Nice|PACA", "Lyon|ARA"};
    }
    void resultats()
    {
        QFETCH(QString, requete);
        QFETCH(QStringList, attendu);
        Base b;
        QCOMPARE(lignesSql(b.db, Jet::traduireRequete(catalogue(requete), b.colonnes())), attendu);
    }

    // Result columns are named as Jet names them.
    void nomsDeColonnes()
    {
        Base b;
        QStringList noms;
        lignesSql(b.db, Jet::traduireRequete(catalogue("5|Clients\n5|Villes\n6|||Clients.*\n6|||Villes.*\n6|||id + 1\n"
                                              "7|Clients|Villes|Clients.ville = Villes.nom|1"),
                                    b.colonnes()),
               &noms);
        QCOMPARE(noms, (QStringList{"id", "Clients.nom", "ville", "Villes.nom", "region", "Expr1000"}));
    }

    void refus_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<QString>("raison");
        QTest::newRow("mise à jour") << "1||||4\n5|Ventes\n6||no|1" << "Mise à jour";
        QTest::newRow("analyse croisée") << "1||||6\n5|Ventes\n6|||no" << "Analyse croisée";
        QTest::newRow("paramètre") << "1||||1\n2|Début|||7\n5|Ventes\n6|||no" << "paramètre « Début »";
        QTest::newRow("pourcentage") << "3|10|||48\n5|Ventes\n6|||no" << "PERCENT";
        QTest::newRow("base externe") << "5|Ventes||C:\\autre.mdb\n6|||no" << "externe";
        QTest::newRow("jointure inconnue") << "5|Ventes\n6|||no\n7|Ventes|Autre|a = b|1" << "Autre";
        QTest::newRow("sans table") << "6|||1" << "sans table";
        QTest::newRow("boucle externe")
            << "5|Clients\n5|Ventes\n6|||no\n7|Clients|Ventes|Clients.id = Ventes.client|1\n"
               "7|Ventes|Clients|Ventes.client = Clients.id|2"
            << "boucle";
    }
    void refus()
    {
        QFETCH(QString, requete);
        QFETCH(QString, raison);
        try {
            Jet::traduireRequete(catalogue(requete));
            QFAIL("traduite");
        } catch (const Jet::ErreurTraduction &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(raison), e.what());
        }
    }
};

CORVANE_TEST(TestRequetesJet)
#include "tst_requetes_jet.moc"
