#include "TestSupport.h"
#include "BaseRapports.h"

#include "database/Connection.h"
#include "rapports/FormatRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "journal/JournalErreurs.h"

#include <QtTest>

namespace {

enum Rapport { Total, Journalier, Mensuel };

using Procedure = ResultatRapport (*)(Connection &, const std::optional<DateTime> &, const QString &, ListeRapport &);
Procedure procedure(int r)
{
    return r == Total ? &TotalVentes : r == Journalier ? &TotalVentesparJours : &TotalVentesparmois;
}

std::optional<DateTime> debut(const QDate &d)
{
    return d.isValid() ? std::optional<DateTime>(DateTime::fromDate(d)) : std::nullopt;
}

const QString Tirets(95, QLatin1Char('-'));
const QString EnTete = QStringLiteral("Date:        \t\t Nb ventes:\tMontant HT:");

QStringList enTete(const QString &titre, const QString &duAu)
{
    return {titre, QString(), duAu, QString(), EnTete, Tirets};
}

// What a list holds before a report runs, to see whether it was touched.
const QStringList Avant{QStringLiteral("rapport précédent"), QStringLiteral("ligne 2")};

} // namespace

Q_DECLARE_METATYPE(std::optional<DateTime>)

class TestRapports : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        TestSupport::epinglerFrancais();
        Plateforme::definirCheminApplication(QString());
    }

    void exemples_data();
    void exemples();
    void sansVente_data();
    void sansVente();
    void erreurs_data();
    void erreurs();
    void deuxFois_data();
    void deuxFois();
    void montant_data();
    void montant();
    void dates_data();
    void dates();

private:
    // Runs one report on a fresh kiosk folder; the list starts as Avant.
    ResultatRapport executer(int rapport, const QStringList &ventes, const QDate &du, const QString &au,
                             QStringList &lignes, QStringList *journal = nullptr,
                             QStringList *messages = nullptr, const QString &sql = {});
};

ResultatRapport TestRapports::executer(int rapport, const QStringList &ventes, const QDate &du,
                                       const QString &au, QStringList &lignes, QStringList *journal,
                                       QStringList *messages, const QString &sql)
{
    DossierKiosque k;
    k.creer(ventes);
    if (!sql.isEmpty())
        TestSupport::executerSql(k.base(), sql);
    TestSupport::BoiteMessageTest boite;
    Connection c;
    c.open(k.chaineConnexion());
    ListeLignes liste;
    liste.lignes = Avant;
    const ResultatRapport r = procedure(rapport)(c, debut(du), au, liste);
    lignes = liste.lignes;
    if (journal)
        *journal = k.journal();
    if (messages)
        *messages = boite.textes;
    else if (!boite.textes.isEmpty())
        qWarning() << "message:" << boite.textes;
    return r;
}

void TestRapports::exemples_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("rapport");
    QTest::addColumn<QStringList>("ventes");
    QTest::addColumn<QDate>("du");
    QTest::addColumn<QString>("au");
    QTest::addColumn<QStringList>("attendu");

    const QLocale point(QLocale::English, QLocale::UnitedKingdom);   // "." and dd/MM/yyyy
    const QLocale fr(QLocale::French, QLocale::France);
    const QDate d1(2026, 12, 1);

    const QStringList ventesTotal{"2026-12-02 10:00:00|12|1.2|2", "2026-12-03 11:00:00|6|1.2|1",
                                  "2026-12-04 12:00:00|3|1.2|3"};
    const QStringList total{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:",
                            "Nb de vente: 1", "Montant HT: 10.00 EUR", QString(20, '_'),
                            "Nb Total vente: 2", "TOTAL HT: \t15.00 EUR", "TOTAL TTC: \t21.00 EUR"};
    QTest::newRow("totaux, exemple") << point << int(Total) << ventesTotal << d1 << "05/12/2026" << total;
    QStringList totalFr = total;
    totalFr.replaceInStrings(".00 EUR", ",00 EUR");
    QTest::newRow("totaux, virgule décimale") << fr << int(Total) << ventesTotal << d1 << "05/12/2026" << totalFr;

    QTest::newRow("totaux, type 1 seulement")
        << fr << int(Total) << QStringList{"2026-12-02 10:00:00|6|1.2|1", "2026-12-02 10:05:00|1.2|1.2|1"} << d1
        << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 0",
                       "Montant HT: 0,00 EUR", QString(20, '_'), "Nb Total vente: 2", "TOTAL HT: \t6,00 EUR",
                       "TOTAL TTC: \t7,20 EUR"};
    QTest::newRow("totaux, autres types en TTC seulement")
        << fr << int(Total)
        << QStringList{"2026-12-02 10:00:00|12|1.2|2", "2026-12-02 10:01:00|5|1.2|0",
                       "2026-12-02 10:02:00|7|1.2|NULL", "2026-12-02 10:03:00|9|1.2|4"}
        << d1 << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 1",
                       "Montant HT: 10,00 EUR", QString(20, '_'), "Nb Total vente: 1", "TOTAL HT: \t10,00 EUR",
                       "TOTAL TTC: \t33,00 EUR"};
    QTest::newRow("totaux, TotalHT Null")
        << fr << int(Total)
        << QStringList{"2026-12-02 10:00:00|12|1.2|2", "2026-12-02 10:01:00|12|NULL|2", "2026-12-02 10:02:00|6|1.2|1"}
        << d1 << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 2",
                       "Montant HT:  EUR", QString(20, '_'), "Nb Total vente: 3", "TOTAL HT: \t EUR",
                       "TOTAL TTC: \t30,00 EUR"};
    QTest::newRow("totaux, bornes strictes")
        << fr << int(Total)
        << QStringList{"2026-12-01 00:00:00|100|1|2", "2026-12-01 00:00:01|1|1|2", "2026-12-05 23:59:58|2|1|2",
                       "2026-12-05 23:59:59|100|1|2", "2026-12-06 00:00:00|100|1|2"}
        << d1 << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 2",
                       "Montant HT: 3,00 EUR", QString(20, '_'), "Nb Total vente: 2", "TOTAL HT: \t3,00 EUR",
                       "TOTAL TTC: \t3,00 EUR"};
    QTest::newRow("totaux, montants négatifs et arrondis")
        << fr << int(Total)
        << QStringList{"2026-12-02 10:00:00|0.125|1|2", "2026-12-02 10:01:00|-3.5|1|1", "2026-12-02 10:02:00|0.0049|1|1"}
        << d1 << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 1",
                       "Montant HT: 0,13 EUR", QString(20, '_'), "Nb Total vente: 3", "TOTAL HT: \t-3,37 EUR",
                       "TOTAL TTC: \t-3,37 EUR"};

    const QStringList journalier = enTete("VENTES JOURNALIÉRE", "Du 01/12/26 au 05/12/26")
        + QStringList{"01/12/26\tCB:     \t| 1\t\t| 10.00 EUR", Tirets, "03/12/26\tCB:     \t| 2\t\t| 25.00 EUR", Tirets};
    QTest::newRow("journalier, exemple")
        << point << int(Journalier)
        << QStringList{"2026-12-01 09:00:00|12|1.2|2", "2026-12-01 10:00:00|4|1.2|1", "2026-12-03 09:00:00|24|1.2|2",
                       "2026-12-03 18:00:00|6|1.2|2"}
        << d1 << "05/12/2026" << journalier;
    QTest::newRow("journalier, minuit sépare les jours")
        << fr << int(Journalier)
        << QStringList{"2026-12-01 00:00:01|1|1|2", "2026-12-01 23:59:58|2|1|2", "2026-12-01 23:59:59|4|1|2",
                       "2026-12-02 00:00:00|8|1|2"}
        << d1 << "05/12/2026"
        << enTete("VENTES JOURNALIÉRE", "Du 01/12/26 au 05/12/26")
               + QStringList{"01/12/26\tCB:     \t| 3\t\t| 7,00 EUR", Tirets, "02/12/26\tCB:     \t| 1\t\t| 8,00 EUR", Tirets};
    QTest::newRow("journalier, jour sans carte, TotalHT Null")
        << fr << int(Journalier)
        << QStringList{"2026-12-01 10:00:00|5|1|1", "2026-12-02 10:00:00|5|1|2", "2026-12-02 11:00:00|5|NULL|2",
                       "2026-12-02 12:00:00|5|1|2", "2026-12-03 10:00:00|2|1|2"}
        << d1 << "05/12/2026"
        << enTete("VENTES JOURNALIÉRE", "Du 01/12/26 au 05/12/26")
               + QStringList{"01/12/26\tCB:     \t| 0\t\t| 0,00 EUR", Tirets, "02/12/26\tCB:     \t| 3\t\t|  EUR", Tirets,
                             "03/12/26\tCB:     \t| 1\t\t| 2,00 EUR", Tirets};
    QTest::newRow("journalier, un seul jour")
        << fr << int(Journalier) << QStringList{"2026-12-04 10:00:00|5|1|2", "2026-12-04 11:00:00|5|1|2"} << d1
        << "05/12/2026"
        << enTete("VENTES JOURNALIÉRE", "Du 01/12/26 au 05/12/26")
               + QStringList{"04/12/26\tCB:     \t| 2\t\t| 10,00 EUR", Tirets};

    QTest::newRow("mensuel, exemple")
        << point << int(Mensuel)
        << QStringList{"2026-11-03 10:00:00|10|1|2", "2026-11-20 10:00:00|6|1.2|2", "2026-12-02 10:00:00|7|1|3"}
        << QDate(2026, 11, 1) << "31/12/2026"
        << enTete("VENTES MENSUEL", "Du 01/11/26 au 31/12/26")
               + QStringList{"11/26\tCB:     \t\t| 2\t\t| 15.00 EUR", Tirets, "12/26\tCB:     \t\t| 0\t\t| 0.00 EUR", Tirets};
    QTest::newRow("mensuel, d'une année à l'autre")
        << fr << int(Mensuel)
        << QStringList{"2025-12-31 23:59:59|1|1|2", "2026-01-01 00:00:00|2|1|2", "2026-01-31 10:00:00|3|1|2",
                       "2026-02-01 10:00:00|4|1|2", "2027-02-01 10:00:00|5|1|2"}
        << QDate(2025, 12, 1) << "28/02/2027"
        << enTete("VENTES MENSUEL", "Du 01/12/25 au 28/02/27")
               + QStringList{"12/25\tCB:     \t\t| 1\t\t| 1,00 EUR", Tirets, "01/26\tCB:     \t\t| 2\t\t| 5,00 EUR", Tirets,
                             "02/26\tCB:     \t\t| 1\t\t| 4,00 EUR", Tirets, "02/27\tCB:     \t\t| 1\t\t| 5,00 EUR", Tirets};
    QTest::newRow("mensuel, TotalHT Null le temps d'un mois")
        << fr << int(Mensuel)
        << QStringList{"2026-03-01 10:00:00|1|NULL|2", "2026-03-31 10:00:00|1|1|2", "2026-04-01 10:00:00|3|1|2"}
        << QDate(2026, 3, 1) << "30/04/2026"
        << enTete("VENTES MENSUEL", "Du 01/03/26 au 30/04/26")
               + QStringList{"03/26\tCB:     \t\t| 2\t\t|  EUR", Tirets, "04/26\tCB:     \t\t| 1\t\t| 3,00 EUR", Tirets};
}

void TestRapports::exemples()
{
    QFETCH(QLocale, locale);
    QFETCH(int, rapport);
    QFETCH(QStringList, ventes);
    QFETCH(QDate, du);
    QFETCH(QString, au);
    QFETCH(QStringList, attendu);

    Plateforme::definirLocaleSysteme(locale);
    QStringList lignes, journal;
    QCOMPARE(executer(rapport, ventes, du, au, lignes, &journal), ResultatRapport::Rempli);
    QCOMPARE(lignes, attendu);
    QVERIFY(journal.isEmpty());
}

void TestRapports::sansVente_data()
{
    QTest::addColumn<int>("rapport");
    QTest::addColumn<QStringList>("ventes");
    QTest::addColumn<QDate>("du");
    QTest::addColumn<QString>("au");

    const QStringList ventes{"2026-12-01 00:00:00|1|1|2", "2026-12-05 23:59:59|1|1|2", "2026-12-10 10:00:00|1|1|2"};
    for (int r : {int(Total), int(Journalier), int(Mensuel)}) {
        const QByteArray n = QByteArray::number(r);
        QTest::newRow("aucune vente " + n) << r << QStringList{} << QDate(2026, 12, 1) << "05/12/2026";
        QTest::newRow("seulement sur les bornes " + n) << r << ventes << QDate(2026, 12, 1) << "05/12/2026";
        QTest::newRow("aucune période choisie " + n) << r << ventes << QDate() << "";
        QTest::newRow("début après la fin " + n) << r << ventes << QDate(2026, 12, 11) << "09/12/2026";
    }
}

void TestRapports::sansVente()
{
    QFETCH(int, rapport);
    QFETCH(QStringList, ventes);
    QFETCH(QDate, du);
    QFETCH(QString, au);

    QStringList lignes, journal, messages;
    QCOMPARE(executer(rapport, ventes, du, au, lignes, &journal, &messages), ResultatRapport::AucuneVente);
    QCOMPARE(lignes, Avant);
    QVERIFY(journal.isEmpty());
    QVERIFY(messages.isEmpty());
}

void TestRapports::erreurs_data()
{
    QTest::addColumn<int>("rapport");
    QTest::addColumn<QStringList>("ventes");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("attendu");
    QTest::addColumn<QString>("contexte");
    QTest::addColumn<int>("numero");

    const QStringList ventes{"2026-12-01 10:00:00|1|1|2", "2026-12-02 10:00:00|2|1|2", "2026-12-03 10:00:00|NULL|1|1"};
    QTest::newRow("totaux, Total Null: 94, liste inchangée")
        << int(Total) << ventes << QString() << Avant << "TotalVentes" << 94;
    const QString sansParametres = QStringLiteral("DROP TABLE Parametres;");
    QTest::newRow("totaux, Parametres absente") << int(Total) << ventes << sansParametres << Avant << "TotalVentes" << 0;
    QTest::newRow("journalier, Parametres absente")
        << int(Journalier) << ventes << sansParametres << Avant << "TotalVentesparJours" << 0;
    QTest::newRow("mensuel, Parametres absente")
        << int(Mensuel) << ventes << sansParametres << Avant << "TotalVentesparmois" << 0;

    // A date that is no date, met while the walk is at its third day: the
    // heading and the days closed before it stay.
    const QStringList dateIllisible{"2026-12-01 10:00:00|1|1|2", "2026-12-02 10:00:00|2|1|2",
                                    "2026-12-02 12:00:00|2|1|2", "2026-12-03 pas une heure|4|1|2"};
    QTest::newRow("journalier, date illisible")
        << int(Journalier) << dateIllisible << QString()
        << enTete("VENTES JOURNALIÉRE", "Du 01/12/26 au 05/12/26")
               + QStringList{"01/12/26\tCB:     \t| 1\t\t| 1,00 EUR", Tirets}
        << "TotalVentesparJours" << 13;
    QTest::newRow("mensuel, date illisible")
        << int(Mensuel) << dateIllisible << QString()
        << enTete("VENTES MENSUEL", "Du 01/12/26 au 05/12/26") << "TotalVentesparmois" << 13;
    QTest::newRow("totaux, TypePaiement illisible")
        << int(Total) << QStringList{"2026-12-01 10:00:00|1|1|2"}
        << QStringLiteral("UPDATE Ventes SET TypePaiement = 'carte';") << Avant << "TotalVentes" << 13;
}

void TestRapports::erreurs()
{
    QFETCH(int, rapport);
    QFETCH(QStringList, ventes);
    QFETCH(QString, sql);
    QFETCH(QStringList, attendu);
    QFETCH(QString, contexte);
    QFETCH(int, numero);

    QStringList lignes, journal, messages;
    QCOMPARE(executer(rapport, ventes, QDate(2026, 12, 1), QStringLiteral("05/12/2026"), lignes, &journal,
                      &messages, sql),
             ResultatRapport::Erreur);
    QCOMPARE(lignes, attendu);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.at(0), contexte + QLatin1Char('|') + messages.at(0));
    if (numero != 0)
        QVERIFY2(messages.at(0).startsWith(QStringLiteral("N°: %1 ").arg(numero)), qPrintable(messages.at(0)));
}

void TestRapports::deuxFois_data()
{
    QTest::addColumn<int>("rapport");
    QTest::newRow("totaux") << int(Total);
    QTest::newRow("journalier") << int(Journalier);
    QTest::newRow("mensuel") << int(Mensuel);
}

void TestRapports::deuxFois()
{
    QFETCH(int, rapport);
    DossierKiosque k;
    k.creer({"2026-12-01 10:00:00|12|1.2|2", "2026-12-02 10:00:00|6|1.2|1", "2026-12-02 11:00:00|1|1|2"});
    Connection c;
    c.open(k.chaineConnexion());
    ListeLignes liste;
    const auto du = debut(QDate(2026, 12, 1));
    QCOMPARE(procedure(rapport)(c, du, QStringLiteral("05/12/2026"), liste), ResultatRapport::Rempli);
    const QStringList premiere = liste.lignes;
    QCOMPARE(procedure(rapport)(c, du, QStringLiteral("05/12/2026"), liste), ResultatRapport::Rempli);
    QCOMPARE(liste.lignes, premiere);
    QCOMPARE(premiere.size(), rapport == Total ? 10 : rapport == Journalier ? 10 : 8);
}

void TestRapports::montant_data()
{
    QTest::addColumn<qint64>("dixMilliemes");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("zéro") << qint64(0) << "0,00";
    QTest::newRow("moitié vers le haut") << qint64(1250) << "0,13";
    QTest::newRow("juste sous la moitié") << qint64(1249) << "0,12";
    QTest::newRow("moitié négative") << qint64(-1250) << "-0,13";
    QTest::newRow("négatif") << qint64(-35000) << "-3,50";
    QTest::newRow("négatif arrondi à zéro garde son signe") << qint64(-49) << "-0,00";
    QTest::newRow("pas de séparateur de milliers") << qint64(12345678900) << "1234567,89";
    QTest::newRow("retenue") << qint64(99995) << "10,00";
    QTest::newRow("extrêmes") << std::numeric_limits<qint64>::min() << "-922337203685477,58";
}

void TestRapports::montant()
{
    QFETCH(qint64, dixMilliemes);
    QFETCH(QString, attendu);
    QCOMPARE(FormatRapport::montant(Currency{dixMilliemes}), attendu);
}

void TestRapports::dates_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<std::optional<DateTime>>("du");
    QTest::addColumn<QString>("au");
    QTest::addColumn<QString>("attendu");
    const QLocale fr(QLocale::French, QLocale::France);
    QTest::newRow("jour et fin lue") << fr << debut(QDate(2026, 3, 5)) << "7/4/26" << "Du 05/03/26 au 07/04/26";
    QTest::newRow("début non choisi: jour zéro") << fr << std::optional<DateTime>() << "05/12/2026"
                                                 << "Du 30/12/99 au 05/12/26";
    QTest::newRow("fin vide") << fr << debut(QDate(2026, 3, 5)) << "" << "Du 05/03/26 au ";
    QTest::newRow("séparateur du système") << QLocale(QLocale::German, QLocale::Germany) << debut(QDate(2026, 3, 5))
                                           << "07.04.2026" << "Du 05.03.26 au 07.04.26";
}

void TestRapports::dates()
{
    QFETCH(QLocale, locale);
    QFETCH(std::optional<DateTime>, du);
    QFETCH(QString, au);
    QFETCH(QString, attendu);
    Plateforme::definirLocaleSysteme(locale);
    QCOMPARE(FormatRapport::ligneDuAu(du, au), attendu);
}

CORVANE_TEST(TestRapports)
#include "tst_rapports.moc"
