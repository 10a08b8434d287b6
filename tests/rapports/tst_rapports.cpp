#include "BaseRapports.h"

#include "rapports/FormatRapport.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"

#include <QtTest>

namespace {

enum Rapport { Total, Journalier, Mensuel };

using Procedure = ResultatRapport (*)(Connection &, const std::optional<DateTime> &, const QString &, ListeRapport &);
const Procedure procedures[] = {&TotalVentes, &TotalVentesparJours, &TotalVentesparmois};

// The totals report: the card sales' count and HT, then every sale's count, HT and TTC.
QStringList totaux(const QString &nb, const QString &ht, const QString &nbTotal, const QString &totalHt,
                   const QString &ttc)
{
    return {"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: " + nb,
            "Montant HT: " + ht + " EUR", QString(20, '_'), "Nb Total vente: " + nbTotal,
            "TOTAL HT: \t" + totalHt + " EUR", "TOTAL TTC: \t" + ttc + " EUR"};
}

// What a list holds before a report runs, to see whether it was touched.
const QStringList Avant{QStringLiteral("rapport précédent"), QStringLiteral("ligne 2")};

// A report run from `du` to `au` under `locale` on `ventes`, after `sql`: the list then holds
// `attendu` (Avant: untouched), the logged error starts with `journal` ("" none).
struct Cas { QLocale locale; int rapport; QStringList ventes, attendu; QString sql, au, journal; QDate du; };

} // namespace
Q_DECLARE_METATYPE(Cas)

class TestRapports : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        TestSupport::epinglerFrancais();
        Plateforme::definirCheminApplication(QString());
    }

    void rapports_data()
    {
        QTest::addColumn<Cas>("cas");

        const QLocale point(QLocale::English, QLocale::UnitedKingdom);   // "." and dd/MM/yyyy
        const QLocale fr(QLocale::French, QLocale::France);
        const QDate d1(2026, 12, 1);
        const auto ligne = [&](const QByteArray &nom, int rapport, const QStringList &ventes,
                               const QStringList &attendu, const QString &journal = {}, const QString &sql = {}) {
            QTest::newRow(nom.constData()) << Cas{fr, rapport, ventes, attendu, sql, "05/12/2026", journal, d1};
        };
        // A filled report on its own period and locale.
        const auto periode = [](const char *nom, const QLocale &locale, int rapport, const QStringList &ventes,
                                const QDate &du, const QString &au, const QStringList &attendu) {
            QTest::newRow(nom) << Cas{locale, rapport, ventes, attendu, {}, au, {}, du};
        };

        periode("totaux, exemple", point, Total,
                {"2026-12-02 10:00:00|12|1.2|2", "2026-12-03 11:00:00|6|1.2|1", "2026-12-04 12:00:00|3|1.2|3"}, d1,
                "05/12/2026", totaux("1", "10.00", "2", "15.00", "21.00"));
        ligne("totaux, TotalHT Null, TypePaiement Null en TTC seulement", Total,
              {"2026-12-02 10:00:00|12|1.2|2", "2026-12-02 10:01:00|12|NULL|2", "2026-12-02 10:02:00|6|1.2|1",
               "2026-12-02 10:03:00|7|1.2|NULL"},
              totaux("2", "", "3", "", "37,00"));
        ligne("totaux, bornes strictes", Total,
              {"2026-12-01 00:00:00|100|1|2", "2026-12-01 00:00:01|1|1|2", "2026-12-05 23:59:58|2|1|2",
               "2026-12-05 23:59:59|100|1|2", "2026-12-06 00:00:00|100|1|2"},
              totaux("2", "3,00", "2", "3,00", "3,00"));

        periode("journalier, exemple", point, Journalier,
                {"2026-12-01 09:00:00|12|1.2|2", "2026-12-01 10:00:00|4|1.2|1", "2026-12-03 09:00:00|24|1.2|2",
                 "2026-12-03 18:00:00|6|1.2|2"},
                d1, "05/12/2026",
                enTete("VENTES JOURNALIÉRE") + groupe("01/12/26", "1", "10.00") + groupe("03/12/26", "2", "25.00"));
        ligne("journalier, minuit sépare les jours", Journalier,
              {"2026-12-01 00:00:01|1|1|2", "2026-12-01 23:59:58|2|1|2", "2026-12-01 23:59:59|4|1|2",
               "2026-12-02 00:00:00|8|1|2"},
              enTete("VENTES JOURNALIÉRE") + groupe("01/12/26", "3", "7,00") + groupe("02/12/26", "1", "8,00"));
        ligne("journalier, jour sans carte, TotalHT Null", Journalier,
              {"2026-12-01 10:00:00|5|1|1", "2026-12-02 10:00:00|5|1|2", "2026-12-02 11:00:00|5|NULL|2",
               "2026-12-02 12:00:00|5|1|2", "2026-12-03 10:00:00|2|1|2"},
              enTete("VENTES JOURNALIÉRE") + groupe("01/12/26", "0", "0,00") + groupe("02/12/26", "3", "")
                  + groupe("03/12/26", "1", "2,00"));
        periode("mensuel, exemple", point, Mensuel,
                {"2026-11-03 10:00:00|10|1|2", "2026-11-20 10:00:00|6|1.2|2", "2026-12-02 10:00:00|7|1|3"},
                QDate(2026, 11, 1), "31/12/2026",
                enTete("VENTES MENSUEL", "Du 01/11/26 au 31/12/26") + groupe("11/26", "2", "15.00")
                    + groupe("12/26", "0", "0.00"));
        periode("mensuel, d'une année à l'autre", fr, Mensuel,
                {"2025-12-31 23:59:59|1|1|2", "2026-01-01 00:00:00|2|1|2", "2027-01-31 10:00:00|3|1|2"},
                QDate(2025, 12, 1), "28/02/2027",
                enTete("VENTES MENSUEL", "Du 01/12/25 au 28/02/27") + groupe("12/25", "1", "1,00")
                    + groupe("01/26", "1", "2,00") + groupe("01/27", "1", "3,00"));
        // No sale in the period: the list keeps what it showed, nothing is said.
        const QStringList bornes{"2026-12-01 00:00:00|1|1|2", "2026-12-05 23:59:59|1|1|2", "2026-12-10 10:00:00|1|1|2"};
        for (int r : {int(Total), int(Journalier), int(Mensuel)})
            ligne("seulement sur les bornes " + QByteArray::number(r), r, bornes, Avant);

        const QStringList ventes{"2026-12-01 10:00:00|1|1|2", "2026-12-02 10:00:00|2|1|2",
                                 "2026-12-03 10:00:00|NULL|1|1"};
        ligne("totaux, Total Null: liste inchangée", Total, ventes, Avant, "TotalVentes|N°: 94 ");
        ligne("mensuel, Parametres absente", Mensuel, ventes, Avant, "TotalVentesparmois|", "DROP TABLE Parametres;");
        // A date that is no date, met while the walk is at its third day: the
        // heading and the days closed before it stay.
        const QStringList dateIllisible{"2026-12-01 10:00:00|1|1|2", "2026-12-02 10:00:00|2|1|2",
                                        "2026-12-02 12:00:00|2|1|2", "2026-12-03 pas une heure|4|1|2"};
        ligne("journalier, date illisible", Journalier, dateIllisible,
              enTete("VENTES JOURNALIÉRE") + groupe("01/12/26", "1", "1,00"), "TotalVentesparJours|N°: 13 ");
        ligne("totaux, TypePaiement illisible", Total, {"2026-12-01 10:00:00|1|1|2"}, Avant, "TotalVentes|N°: 13 ",
              QStringLiteral("UPDATE Ventes SET TypePaiement = 'carte';"));
    }

    // Runs the report on a fresh kiosk folder, the list holding Avant.
    void rapports()
    {
        QFETCH(Cas, cas);
        Plateforme::definirLocaleSysteme(cas.locale);
        DossierKiosque k;
        k.creer(cas.ventes);
        if (!cas.sql.isEmpty())
            TestSupport::executerSql(k.base(), cas.sql);
        TestSupport::BoiteMessageTest boite;
        Connection c;
        c.open(k.chaineConnexion());
        ListeLignes liste;
        liste.lignes = Avant;
        const ResultatRapport attendu = !cas.journal.isEmpty() ? ResultatRapport::Erreur
            : cas.attendu == Avant                             ? ResultatRapport::AucuneVente
                                                               : ResultatRapport::Rempli;
        QCOMPARE(procedures[cas.rapport](c, DateTime::fromDate(cas.du), cas.au, liste), attendu);
        QCOMPARE(liste.lignes, cas.attendu);
        // The one message shown is the one logged, under the procedure's name.
        QCOMPARE(boite.textes.size(), cas.journal.isEmpty() ? 0 : 1);
        const QString contexte = cas.journal.section('|', 0, 0);
        QCOMPARE(k.journal(), boite.textes.isEmpty() ? QStringList() : QStringList{contexte + '|' + boite.textes[0]});
        QVERIFY2(k.journal().value(0).startsWith(cas.journal), qPrintable(k.journal().value(0)));
    }

    void montant_data()
    {
        QTest::addColumn<qint64>("dixMilliemes");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("moitié vers le haut") << qint64(1250) << "0,13";
        QTest::newRow("juste sous la moitié") << qint64(1249) << "0,12";
        QTest::newRow("moitié négative") << qint64(-1250) << "-0,13";
        QTest::newRow("extrêmes") << std::numeric_limits<qint64>::min() << "-922337203685477,58";
    }

    void montant()
    {
        QFETCH(qint64, dixMilliemes);
        QFETCH(QString, attendu);
        QCOMPARE(FormatRapport::montant(Currency{dixMilliemes}), attendu);
    }
};

CORVANE_TEST(TestRapports)
#include "tst_rapports.moc"
