// The client-side record set over real files: sort, find, bookmarks, Null,
// end of file, write-back of Update and AddNew.

#include "TestSupport.h"
#include "database/Command.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

#include <QtTest>

namespace {

const QString prefixe = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
const QString journal = QStringLiteral("select * from ReqVentes order by Date Desc");
const QString parNumero = QStringLiteral("select * from ReqVentes order by NoVente");

// NoVente, LaDate, Total, TypePaiement, NbJeton, Client, Paye, Rendu. Sales 1 and 7
// share a date, as do 4 and 5; Client is Null for 2 and 5.
const char *ventes = R"(
INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, Rendu, Ticket) VALUES
 (1, '2025-01-10 10:00:00', 12.5,   1.2, 2, 5,  '4970123412341234', 12.5,   0,   'Ticket 1'),
 (2, '2025-02-01 00:00:00', 3,      1.2, 1, 1,  NULL,               5,      2,   'Ticket 2'),
 (3, '2025-02-01 09:30:00', 7.25,   1.2, 2, 3,  '5132000011112222', 7.25,   0,   'Ticket 3'),
 (4, '2025-03-15 18:45:00', 1234.5, 1.2, 3, 10, '4970999988887777', 1234.5, 0,   'Ticket 4'),
 (5, '2025-03-15 18:45:00', 0.5,    1.2, 1, 1,  NULL,               1,      0.5, 'Ticket 5'),
 (6, '2024-12-31 23:59:59', 20,     1.2, 2, 8,  'abc123',           20,     0,   'Ticket 6'),
 (7, '2025-01-10 10:00:00', 12.5,   1.2, 2, 5,  '4970000000000001', 20,     7.5, 'Ticket 7');
INSERT INTO Parametres (Tarif1, Jeton1, Hopper1, Hopper2, Caisse) VALUES (2.5, 1, 100, 50, 123.45);
CREATE TABLE Noms (Nom VARCHAR(20));
INSERT INTO Noms VALUES ('ezz'), ('été'), ('etre'), ('Éa'), ('Ete'), ('Œuvre'), ('oeuvre'), ('zèbre'), (NULL);
CREATE TABLE Melange (No INTEGER PRIMARY KEY, Vide, Valeur);
INSERT INTO Melange (No, Valeur) VALUES (1, 'abc'), (2, X'00'), (3, 12345), (4, 9007199254740993),
 (5, 9007199254740992.0), (6, 1.5), (7, '1x'), (8, NULL), (9, 'été');
CREATE TABLE Cartes (No INTEGER PRIMARY KEY, Carte VARCHAR(20));
INSERT INTO Cartes (Carte) VALUES ('4970'), (NULL), ('5'), ('4970123412341234'), (''), ('09'), ('49'), ('0'),
 ('9999999999999999'), ('4970');
CREATE TABLE Extremes (No INTEGER PRIMARY KEY, Grand INTEGER, Quand DATETIME, Somme CURRENCY);
INSERT INTO Extremes (Grand, Quand, Somme) VALUES (5, '2025-01-01 00:00:00', 1),
 (9223372036854775807, '0100-01-01 00:00:00', 922337203685477.5807), (NULL, NULL, NULL),
 (-9223372036854775808, '9999-12-31 23:59:59', -922337203685477.5808), (-1, '2025-01-01 00:00:01', 0);
CREATE TABLE Modifications (Quand DATETIME);
CREATE TRIGGER Parametres_modifies AFTER UPDATE ON Parametres BEGIN
  INSERT INTO Modifications VALUES (datetime('now'));
END;
)";

struct Base
{
    Connection connexion;
    Command commande;
    Recordset rs;
    explicit Base(const QString &chemin)
    {
        connexion.open(prefixe + chemin + QStringLiteral(";Jet OLEDB:Database Password="));
        commande.setActiveConnection(&connexion);
    }
    Base(const QString &chemin, const QString &texte) : Base(chemin) { ouvrir(texte); }
    void ouvrir(const QString &texte)
    {
        commande.setCommandText(texte);
        rs.setCursorLocation(Recordset::adUseClient);
        rs.setCursorType(Recordset::adOpenDynamic);
        rs.setLockType(Recordset::adLockOptimistic);
        rs.open(commande);
    }
};

// The field `ordinal` of every record in the current order, joined by blanks.
QString colonne(Recordset &rs, int ordinal = 0)
{
    QStringList l;
    for (int p = 0; p < rs.recordCount(); ++p) {
        const Value v = rs.valueAt(p, ordinal);
        l << (v.isNull() ? QStringLiteral("Null") : v.toString());
    }
    return l.join(QLatin1Char(' '));
}

void allerSurVente(Recordset &rs, int noVente)
{
    rs.find(QStringLiteral("NoVente = %1").arg(noVente), 0, Recordset::adSearchForward, Recordset::FromFirst);
    QVERIFY(!rs.isEof());
}

QString courant(Recordset &rs)
{
    if (rs.isEof())
        return QStringLiteral("EOF");
    if (rs.isBof())
        return QStringLiteral("BOF");
    return rs.field(0).toString();
}

using TestSupport::numeroErreur;
using TestSupport::valeurSql;

// source: "" for the sales by number; depart: the NoVente the find starts from, 0 for the first;
// attendu: the first field where it lands, "EOF", or "#n" for run-time error n.
struct Cas { QString source, tri; int depart; QString critere, attendu; };
// avant: run on a fresh copy before opening; report: source, key, checked field; apres: run by another
// connection after opening ("verrou": held locked); ticket: of sale 4, "Null" when none.
struct Differe { QString avant, texte; QStringList report; QString apres; bool differe; QString ticket; };

} // namespace

Q_DECLARE_METATYPE(Cas)
Q_DECLARE_METATYPE(Differe)

class TestRecordset : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;
    QString m_base;

    // A fresh copy of the sales file, for the tests that write.
    QString copie(const QString &nom)
    {
        const QString chemin = m_dossier.filePath(nom);
        QFile::remove(chemin);
        TestSupport::creerBase(chemin, TestSupport::schemaVentes(), QString::fromUtf8(ventes));
        return chemin;
    }

private slots:
    void initTestCase()
    {
        TestSupport::epinglerFrancais();
        m_base = copie(QStringLiteral("dacorvane.mdb"));
    }

    void ouvertureJournal()
    {
        Base b(m_base, journal);
        QCOMPARE(b.rs.recordCount(), 7);
        QStringList noms;
        for (int i = 0; i < b.rs.fieldCount(); ++i)
            noms << b.rs.fieldName(i);
        QCOMPARE(noms.join(QLatin1Char('|')),
                 QStringLiteral("NoVente|Date|Montant|Type paiement|Client|Nb Jeton|Payé|Rendu|Ticket"));
        // Newest first; the view's columns keep their declared kinds.
        QCOMPARE(b.rs.field(QStringLiteral("Date")).toString(), QStringLiteral("15/03/2025 18:45:00"));
        allerSurVente(b.rs, 4);
        QCOMPARE(b.rs.field(QStringLiteral("Montant")).type(), Value::Type::Currency);
        QCOMPARE(b.rs.field(3).type(), Value::Type::Integer);
        QCOMPARE(b.rs.field(QStringLiteral("payé")).toString(), QStringLiteral("1234,5"));
        allerSurVente(b.rs, 2);
        QCOMPARE(numeroErreur([&] { b.rs.field(QStringLiteral("Client")).toCurrency(); }), Erreurs::UtilisationNull);
        QCOMPARE(numeroErreur([&] { b.rs.field(QStringLiteral("Inconnu")); }), Erreurs::ElementIntrouvable);
        QCOMPARE(numeroErreur([&] { b.rs.field(9); }), Erreurs::ElementIntrouvable);
    }

    void tri_data()
    {
        QTest::addColumn<QString>("source"); // "": the sales by number
        QTest::addColumn<QString>("tri");
        QTest::addColumn<QString>("attendu"); // the first field in the new order
        QTest::newRow("ordre lu") << "" << "" << "1 2 3 4 5 6 7";
        QTest::newRow("Date, ex aequo dans l'ordre lu") << "" << "Date" << "6 1 7 2 3 4 5";
        QTest::newRow("Client: Null d'abord, sans casse") << "" << "Client" << "2 5 7 1 4 3 6";
        QTest::newRow("Client DESC: Null à la fin") << "" << "Client DESC" << "6 3 4 1 7 2 5";
        QTest::newRow("nom sans casse") << "" << "montant asc" << "5 2 3 1 7 6 4";
        QTest::newRow("deux clés") << "" << "[Type paiement] DESC, Montant" << "4 3 1 7 6 5 2";
        // Case never counts; an accent only breaks a tie between the same letters.
        QTest::newRow("textes") << "Noms" << "Nom" << "Null Éa Ete été etre ezz oeuvre Œuvre zèbre";
        // Card numbers: digits only, the shorter text first when one begins the other.
        QTest::newRow("numéros de carte") << "Cartes" << "Carte" << "2 5 8 6 7 1 10 4 3 9";
        QTest::newRow("entiers de 64 bits") << "Extremes" << "Grand" << "3 4 5 1 2";
        QTest::newRow("dates de l'an 100 à 9999") << "Extremes" << "Quand" << "3 2 1 5 4";
        QTest::newRow("monnaie aux bornes") << "Extremes" << "Somme DESC" << "2 1 5 4 3";
    }

    void tri()
    {
        QFETCH(QString, source);
        QFETCH(QString, tri);
        QFETCH(QString, attendu);
        Base b(m_base, source.isEmpty() ? parNumero : source);
        QSignalSpy ordre(&b.rs, &Recordset::orderChanged);
        b.rs.setSort(tri);
        QCOMPARE(colonne(b.rs), attendu);
        QCOMPARE(b.rs.sort(), tri);
        QCOMPARE(ordre.count(), 1);
        // Sorting the same way twice gives the same order (no toggling).
        b.rs.setSort(tri);
        QCOMPARE(colonne(b.rs), attendu);
    }

    void champDiffere_data()
    {
        QTest::addColumn<Differe>("cas");
        const QStringList vue{"ReqVentes", "NoVente", "Date"};
        QTest::newRow("reçu réécrit depuis")
            << Differe{"", journal, vue, "UPDATE Ventes SET Ticket = 'Bis' WHERE NoVente = 4", true, "Bis"};
        QTest::newRow("date changée depuis")
            << Differe{"", journal, vue, "UPDATE Ventes SET LaDate = '2020-01-01' WHERE NoVente = 4", true, "Null"};
        QTest::newRow("vente supprimée depuis")
            << Differe{"", journal, vue, "DELETE FROM Ventes WHERE NoVente = 4", true, "Null"};
        QTest::newRow("base verrouillée") << Differe{"", journal, vue, "verrou", true, "Null"};
        QTest::newRow("table, par sa clé primaire") << Differe{"", "SELECT * from Ventes order by LaDate Desc",
                                                               {"Ventes", "", "LaDate"}, "", true, "Ticket 4"};
        QTest::newRow("NoVente Null")
            << Differe{"CREATE TABLE V (NoVente INTEGER UNIQUE, LaDate DATETIME, Ticket LONGTEXT);"
                       "INSERT INTO V SELECT NoVente, LaDate, Ticket FROM Ventes;"
                       "INSERT INTO V VALUES (NULL, NULL, 'x')",
                       "select * from V", {"V", "NoVente", "LaDate"}, "", false, "Ticket 4"};
        QTest::newRow("aucun index pour NoVente")
            << Differe{"CREATE TABLE V (NoVente INTEGER, LaDate DATETIME, Ticket LONGTEXT);"
                       "INSERT INTO V SELECT NoVente, LaDate, Ticket FROM Ventes",
                       "select * from V", {"V", "NoVente", "LaDate"}, "", false, "Ticket 4"};
    }

    void champDiffere()
    {
        QFETCH(Differe, cas);
        const QString chemin = copie(QStringLiteral("differe.mdb"));
        if (!cas.avant.isEmpty())
            TestSupport::executerSql(chemin, cas.avant);
        Base b(chemin);
        b.rs.setDeferredField(QStringLiteral("Ticket"), cas.report.at(0), cas.report.at(1), cas.report.at(2));
        b.ouvrir(cas.texte);
        const int o = b.rs.fieldOrdinal(QStringLiteral("Ticket"));
        QCOMPARE(b.rs.isDeferred(o), cas.differe);
        QCOMPARE(b.rs.fieldName(o), QStringLiteral("Ticket"));
        allerSurVente(b.rs, 3);
        QCOMPARE(b.rs.field(o).toString(), QStringLiteral("Ticket 3"));

        Connection autre;
        if (cas.apres == QLatin1String("verrou")) {
            autre.open(prefixe + chemin);
            autre.execute(QStringLiteral("BEGIN EXCLUSIVE"));
        } else if (!cas.apres.isEmpty()) {
            TestSupport::executerSql(chemin, cas.apres);
        }
        allerSurVente(b.rs, 4);
        const Value v = b.rs.field(o);
        QCOMPARE(v.isNull() ? QStringLiteral("Null") : v.toString(), cas.ticket);
        QCOMPARE(b.rs.valueAt(b.rs.absolutePosition(), o).isNull(), v.isNull());
        if (cas.differe) {
            QCOMPARE(numeroErreur([&] { b.rs.setSort(QStringLiteral("Ticket")); }), Erreurs::ArgumentsIncorrects);
            QCOMPARE(numeroErreur([&] { b.rs.find(QStringLiteral("Ticket = 'x'")); }), Erreurs::ArgumentsIncorrects);
            QCOMPARE(courant(b.rs), QStringLiteral("4"));
        }
    }

    void recherche_data()
    {
        QTest::addColumn<Cas>("cas");
        QTest::newRow("carte, tri Client") << Cas{"", "Client", 0, "[Client] like '4970*'", "7"};
        QTest::newRow("carte, tri Client DESC") << Cas{"", "Client DESC", 0, "[Client] like '4970*'", "4"};
        QTest::newRow("carte, ordre lu") << Cas{"", "", 0, "[Client] like '4970*'", "1"};
        QTest::newRow("carte, boîte vidée: Null jamais") << Cas{"", "Client", 0, "[Client] like '*'", "7"};
        QTest::newRow("carte absente") << Cas{"", "Client", 0, "[Client] like '9*'", "EOF"};
        QTest::newRow("carte, du courant") << Cas{"", "Client", 4, "[Client] like '4970*'", "4"};
        QTest::newRow("carte, apostrophe collée") << Cas{"", "Client", 0, "[Client] like 'AB'C*'", "#3001"};
        QTest::newRow("facture") << Cas{"", "NoVente", 0, "NoVente =3", "3"};
        QTest::newRow("facture vide") << Cas{"", "NoVente", 0, "NoVente =", "#3001"};
        QTest::newRow("facture illisible") << Cas{"", "NoVente", 0, "NoVente =3x", "#3001"};
        QTest::newRow("date, du courant") << Cas{"", "Date DESC", 2, "Date >=01/02/2025", "2"};
        QTest::newRow("date et heure") << Cas{"", "Date", 0, "Date >=01/02/2025 09:30:00", "3"};
        QTest::newRow("date entre dièses") << Cas{"", "Date", 0, "Date >= #2025-02-01#", "2"};
        QTest::newRow("date inférieure DESC") << Cas{"", "Date DESC", 0, "Date < 01/01/2025", "6"};
        QTest::newRow("date illisible") << Cas{"", "", 0, "Date >= 99/99/99", "#3001"};
        QTest::newRow("nom avec blanc") << Cas{"", "", 0, "Type paiement = 3", "4"};
        QTest::newRow("nom avec blanc entre crochets") << Cas{"", "", 0, "[Type paiement]=1", "2"};
        QTest::newRow("monnaie supérieure") << Cas{"", "", 0, "Montant > 10", "1"};
        QTest::newRow("monnaie supérieure, triée") << Cas{"", "Montant", 0, "Montant > 10", "1"};
        QTest::newRow("monnaie au plus, DESC") << Cas{"", "Montant DESC", 0, "Montant <= 3", "2"};
        QTest::newRow("monnaie virgule") << Cas{"", "", 0, "Montant = 7,25", "3"};
        QTest::newRow("monnaie point") << Cas{"", "", 0, "Montant = 7.25", "3"};
        QTest::newRow("texte égal") << Cas{"", "", 0, "Client = '4970123412341234'", "1"};
        QTest::newRow("texte différent: Null jamais") << Cas{"", "", 0, "Client <> '4970123412341234'", "3"};
        QTest::newRow("champ inconnu entre crochets") << Cas{"", "", 0, "[Inconnu] = 3", "#3265"};
        QTest::newRow("sans opérateur") << Cas{"", "", 0, "NoVente", "#3001"};
        QTest::newRow("vide") << Cas{"", "", 0, "", "#3001"};
        QTest::newRow("guillemets doubles") << Cas{"", "", 0, "Client = \"x\"", "#3001"};
        // Names are found whatever their case.
        QTest::newRow("texte sans casse, accents") << Cas{"Noms", "Nom", 0, "Nom = 'ÉTÉ'", "été"};
        QTest::newRow("début accentué") << Cas{"Noms", "Nom", 0, "Nom like 'é*'", "Éa"};
        QTest::newRow("début sans accent") << Cas{"Noms", "Nom", 0, "Nom like 'E*'", "Ete"};
        QTest::newRow("milieu") << Cas{"Noms", "Nom", 0, "Nom like '*BR*'", "zèbre"};
    }

    void recherche()
    {
        QFETCH(Cas, cas);
        Base b(m_base, cas.source.isEmpty() ? parNumero : cas.source);
        b.rs.setSort(cas.tri);
        if (cas.depart)
            allerSurVente(b.rs, cas.depart);
        const auto depuis = cas.depart ? Recordset::FromCurrent : Recordset::FromFirst;
        const int numero = numeroErreur([&] { b.rs.find(cas.critere, 0, Recordset::adSearchForward, depuis); });
        QCOMPARE(numero ? QLatin1Char('#') + QString::number(numero) : courant(b.rs), cas.attendu);
    }

    void rechercheCommeLeParcours_data()
    {
        // A find on the field the set is sorted on goes straight to the runs that may match (on a
        // field mixing texts, bytes and numbers beyond a double's precision); it must land where a
        // visit of every record would.
        QTest::addColumn<QString>("tri");
        QTest::addColumn<QString>("critere");
        for (const char *tri : {"Valeur", "Valeur DESC"})
            for (const char *critere : {"Valeur like '*'", "Valeur like '1*'", "Valeur like 'A*'",
                                        "Valeur like 'abcd*'", "Valeur = 9007199254740992",
                                        "Valeur > 9007199254740992", "Valeur >= 2"})
                QTest::addRow("%s / %s", tri, critere) << tri << critere;
    }

    void rechercheCommeLeParcours()
    {
        QFETCH(QString, tri);
        QFETCH(QString, critere);
        Base b(m_base, QStringLiteral("Melange"));
        b.rs.setSort(tri);
        // The reference: the same order, but sorted first on a field that is Null
        // everywhere, so that the find visits every record in turn.
        Base parcours(m_base, QStringLiteral("Melange"));
        parcours.rs.setSort(QStringLiteral("Vide, ") + tri);
        QCOMPARE(colonne(b.rs), colonne(parcours.rs));
        for (const auto sens : {Recordset::adSearchForward, Recordset::adSearchBackward})
            for (int depart = 0; depart <= b.rs.recordCount(); ++depart) {
                b.rs.moveTo(depart);
                b.rs.find(critere, 0, sens);
                parcours.rs.moveTo(depart);
                parcours.rs.find(critere, 0, sens);
                QCOMPARE(b.rs.absolutePosition(), parcours.rs.absolutePosition());
            }
    }

    void signets()
    {
        Base b(m_base, journal);
        allerSurVente(b.rs, 3);
        const Recordset::Bookmark signet = b.rs.bookmark();
        QSignalSpy mouvements(&b.rs, &Recordset::currentChanged);
        // A new sort keeps the current record, wherever it puts it; bookmarks keep naming their records.
        for (const char *tri : {"", "Client", "Montant DESC"}) {
            b.rs.setSort(QString::fromUtf8(tri));
            QCOMPARE(courant(b.rs), QStringLiteral("3"));
            QCOMPARE(b.rs.absolutePosition(), colonne(b.rs).split(QLatin1Char(' ')).indexOf(QStringLiteral("3")));
            QCOMPARE(b.rs.bookmark(), signet);
        }
        QVERIFY(mouvements.count() >= 1);
        // Refused, a sort, a find or a bookmark moves nothing.
        mouvements.clear();
        const QString ordre = colonne(b.rs);
        for (const char *tri : {"Inconnu", "Date DESCX", "Date,", "Montant DESC DESC", "[Date"})
            QCOMPARE(numeroErreur([&] { b.rs.setSort(QString::fromUtf8(tri)); }), Erreurs::ArgumentsIncorrects);
        for (const char *critere : {"NoVente =", "[Client] like 'x'y*'", "Date >=99/99/99", "Inconnu = 1"})
            QVERIFY(numeroErreur([&] { b.rs.find(QString::fromUtf8(critere)); }) != 0);
        QCOMPARE(numeroErreur([&] { b.rs.setBookmark(99); }), Erreurs::ArgumentsIncorrects);
        QCOMPARE(b.rs.sort(), QStringLiteral("Montant DESC"));
        QCOMPARE(colonne(b.rs), ordre);
        QCOMPARE(courant(b.rs), QStringLiteral("3"));
        QCOMPARE(mouvements.count(), 0);
        b.rs.find(QStringLiteral("NoVente = 999"));
        QVERIFY(b.rs.isEof());
        QCOMPARE(numeroErreur([&] { b.rs.bookmark(); }), Erreurs::FinDeFichier);
        // At end of file a new sort leaves the set there.
        b.rs.setSort(QStringLiteral("Montant"));
        QVERIFY(b.rs.isEof());
        b.rs.setBookmark(signet);
        QCOMPARE(courant(b.rs), QStringLiteral("3"));
    }

    void finsDeFichierEtVide()
    {
        Base b(m_base, QStringLiteral("select * from ReqVentes where NoVente > 5 order by NoVente"));
        QSignalSpy mouvements(&b.rs, &Recordset::currentChanged);
        QCOMPARE(courant(b.rs), QStringLiteral("6"));
        b.rs.moveNext();
        b.rs.moveNext();
        QVERIFY(b.rs.isEof());
        QCOMPARE(b.rs.absolutePosition(), 2);
        QCOMPARE(mouvements.count(), 2);
        QCOMPARE(numeroErreur([&] { b.rs.moveNext(); }), Erreurs::FinDeFichier);
        QCOMPARE(numeroErreur([&] { b.rs.field(QStringLiteral("NoVente")); }), Erreurs::FinDeFichier);
        QCOMPARE(numeroErreur([&] { b.rs.moveTo(3); }), Erreurs::ArgumentsIncorrects);
        b.rs.moveFirst();
        QCOMPARE(courant(b.rs), QStringLiteral("6"));

        // Finds that skip records, and backwards to the beginning of the file.
        Base tous(m_base, parNumero);
        allerSurVente(tous.rs, 3);
        tous.rs.find(QStringLiteral("Type paiement = 2"), 1);
        QCOMPARE(courant(tous.rs), QStringLiteral("6"));
        tous.rs.find(QStringLiteral("Type paiement = 2"), 1, Recordset::adSearchBackward);
        QCOMPARE(courant(tous.rs), QStringLiteral("3"));
        tous.rs.find(QStringLiteral("Type paiement = 3"), 0, Recordset::adSearchBackward);
        QCOMPARE(courant(tous.rs), QStringLiteral("BOF"));
        QCOMPARE(numeroErreur([&] { tous.rs.field(0); }), Erreurs::FinDeFichier);
        tous.rs.moveNext();
        QCOMPARE(courant(tous.rs), QStringLiteral("1"));

        Base vide(m_base, QStringLiteral("select * from ReqVentes where NoVente > 99"));
        QCOMPARE(vide.rs.recordCount(), 0);
        QVERIFY(vide.rs.isEof());
        QVERIFY(vide.rs.isBof());
        QCOMPARE(vide.rs.fieldCount(), 9);
        vide.rs.setSort(QStringLiteral("Client"));
        vide.rs.find(QStringLiteral("[Client] like '4*'"), 0, Recordset::adSearchForward, Recordset::FromFirst);
        QVERIFY(vide.rs.isEof());
        QCOMPARE(numeroErreur([&] { vide.rs.bookmark(); }), Erreurs::FinDeFichier);
        vide.rs.close();
        QVERIFY(!vide.rs.isOpen());
        QCOMPARE(numeroErreur([&] { vide.rs.recordCount(); }), Erreurs::OperationObjetFerme);
        vide.rs.close();
    }

    void miseAJour()
    {
        const QString chemin = copie(QStringLiteral("maj.mdb"));
        const QString modifications = QStringLiteral("select count(*) from Modifications");
        Base b(chemin, QStringLiteral("Parametres"));
        QCOMPARE(b.rs.recordCount(), 1);
        QCOMPARE(b.rs.fieldName(0), QStringLiteral("NoParametre")); // the rowid stays hidden

        b.rs.setField(QStringLiteral("Hopper1"), Value(42));
        b.rs.setField(QStringLiteral("Caisse"), Value(QStringLiteral("99,5")));
        QCOMPARE(b.rs.field(QStringLiteral("Hopper1")).toInteger(), 42); // pending value shows
        QCOMPARE(valeurSql(chemin, QStringLiteral("select Hopper1 from Parametres")), QStringLiteral("100"));
        b.rs.update();
        QCOMPARE(valeurSql(chemin, QStringLiteral("select Hopper1 || ' ' || Caisse || ' ' || Tarif1 from Parametres")),
                 QStringLiteral("42 99.5 2.5"));
        QCOMPARE(valeurSql(chemin, modifications), QStringLiteral("1"));
        QCOMPARE(b.rs.field(QStringLiteral("Caisse")).toCurrency().dixMilliemes, 995000);
        b.rs.update();
        QCOMPARE(valeurSql(chemin, modifications), QStringLiteral("1"));
        // A value the field's type refuses is refused at once.
        QCOMPARE(numeroErreur([&] { b.rs.setField(QStringLiteral("Caisse"), Value(QStringLiteral("beaucoup"))); }),
                 Erreurs::TypeIncompatible);
        b.rs.cancelUpdate();
        b.rs.update();
        QCOMPARE(valeurSql(chemin, modifications), QStringLiteral("1"));

        // The parameters row deleted by someone else: nothing is written.
        TestSupport::executerSql(chemin, QStringLiteral("delete from Parametres"));
        b.rs.setField(QStringLiteral("Hopper1"), Value(1));
        QCOMPARE(numeroErreur([&] { b.rs.update(); }), -2147217864);
        QCOMPARE(valeurSql(chemin, QStringLiteral("select count(*) from Parametres")), QStringLiteral("0"));
        Base videe(chemin, QStringLiteral("Parametres"));
        QCOMPARE(numeroErreur([&] { videe.rs.update(); }), Erreurs::FinDeFichier);
        QCOMPARE(numeroErreur([&] { videe.rs.setField(QStringLiteral("Hopper1"), Value(1)); }), Erreurs::FinDeFichier);
        // A query is read-only.
        Base requete(chemin, QStringLiteral("select * from ReqVentes"));
        requete.rs.setField(QStringLiteral("Montant"), Value(1));
        QCOMPARE(numeroErreur([&] { requete.rs.update(); }), 3251);
        QCOMPARE(numeroErreur([&] { requete.rs.addNew(); }), 3251);
    }

    void ajouts()
    {
        const QString chemin = copie(QStringLiteral("ajout.mdb"));
        const QString ajoutee = QStringLiteral("select LaDate || ' ' || Total from Ventes where NoVente = %1");
        // Opened for an append, the set reads none of the rows already there.
        Base ajout(chemin);
        ajout.commande.setCommandText(QStringLiteral("Ventes"));
        ajout.rs.openForAppend(ajout.commande);
        QCOMPARE(ajout.rs.recordCount(), 0);
        QCOMPARE(ajout.rs.fieldCount(), 10);
        QSignalSpy ajouts(&ajout.rs, &Recordset::rowsAppended);
        ajout.rs.addNew();
        ajout.rs.setField(QStringLiteral("LaDate"), Value(*DateTime::fromIso(QStringLiteral("2025-04-02 12:00:00"))));
        ajout.rs.setField(QStringLiteral("Total"), Value(4.5));
        ajout.rs.update();
        QCOMPARE(QList<QVariantList>(ajouts), (QList<QVariantList>{{0, 0}}));
        QCOMPARE(ajout.rs.recordCount(), 1);
        QCOMPARE(ajout.rs.field(QStringLiteral("NoVente")).toInteger(), 8);
        QCOMPARE(ajout.rs.field(QStringLiteral("LaDate")).toString(), QStringLiteral("02/04/2025 12:00:00"));
        QCOMPARE(valeurSql(chemin, ajoutee.arg(8)), QStringLiteral("2025-04-02 12:00:00 4.5"));

        Base b(chemin, QStringLiteral("Ventes"));
        b.rs.setSort(QStringLiteral("LaDate DESC"));
        allerSurVente(b.rs, 3);
        const Recordset::Bookmark signet = b.rs.bookmark();
        b.rs.addNew();
        b.rs.setField(QStringLiteral("LaDate"), Value(QStringLiteral("02/04/2026 12:00")));
        b.rs.setField(QStringLiteral("Total"), Value(4.5));
        b.rs.update();
        // The new row comes last whatever the sort, and is current.
        QCOMPARE(b.rs.absolutePosition(), 8);
        QCOMPARE(colonne(b.rs), QStringLiteral("8 4 5 3 2 1 7 6 9"));
        QCOMPARE(valeurSql(chemin, ajoutee.arg(9)), QStringLiteral("2026-04-02 12:00:00 4.5"));
        // A new sort places it; old bookmarks still name their rows.
        b.rs.setSort(QStringLiteral("LaDate DESC"));
        QCOMPARE(colonne(b.rs), QStringLiteral("9 8 4 5 3 2 1 7 6"));
        b.rs.setBookmark(signet);
        QCOMPARE(courant(b.rs), QStringLiteral("3"));
    }
};

CORVANE_TEST(TestRecordset)
#include "tst_recordset.moc"
