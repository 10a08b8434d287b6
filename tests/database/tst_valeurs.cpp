// Dates read and written as the system does, and field values converted as
// the original platform's conversions do (French locale pinned).
#include "TestSupport.h"
#include "database/Value.h"
#include "database/Dates.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <functional>

Q_DECLARE_METATYPE(Value)

namespace {
const QLocale fr(QLocale::French, QLocale::France);

DateTime dateIso(const char *t)
{
    const auto d = DateTime::fromIso(t, std::strlen(t));
    if (!d)
        qFatal("bad ISO date in test: %s", t);
    return *d;
}

using TestSupport::numeroErreur;
} // namespace


class TestValeurs : public QObject
{
    Q_OBJECT

private slots:
    void analyserDate_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu"); // ISO, or "" for no date

        QTest::newRow("tirets") << "01-02-2020" << "2020-02-01 00:00:00";
        QTest::newRow("fenêtre 2029") << "31/12/29" << "2029-12-31 00:00:00";
        QTest::newRow("fenêtre 1930") << "01/01/30" << "1930-01-01 00:00:00";
        QTest::newRow("année à 3 chiffres") << "01/02/205" << "0205-02-01 00:00:00";
        QTest::newRow("deux blancs avant l'heure") << "05/12/2026  23:59:59" << "2026-12-05 23:59:59";
        QTest::newRow("heure sans secondes") << "01/02/2020 10:30" << "2020-02-01 10:30:00";
        QTest::newRow("heure seule: jour zéro") << "23:59:59" << "1899-12-30 23:59:59";
        QTest::newRow("année d'abord") << "2026-12-05" << "2026-12-05 00:00:00";
        QTest::newRow("29 février bissextile") << "29/02/2020" << "2020-02-29 00:00:00";
        QTest::newRow("jour et mois: cette année") << "01/02"
                                                   << QString::number(QDate::currentDate().year()) + "-02-01 00:00:00";
        QTest::newRow("us: mois d'abord") << "us:12/05/2026 08:00" << "2026-12-05 08:00:00";

        QTest::newRow("99/99/99") << "99/99/99" << "";
        QTest::newRow("29 février non bissextile") << "29/02/2019" << "";
        QTest::newRow("31 avril, avec l'heure") << "31/04/2020 10:00" << "";
        QTest::newRow("vide") << "" << "";
        QTest::newRow("lettres") << "abc" << "";
        QTest::newRow("nombre seul") << "12" << "";
        QTest::newRow("quatre parties") << "01/02/2020/3" << "";
        QTest::newRow("heure incomplète") << "01/02/2020 1" << "";
        QTest::newRow("25 heures") << "01/02/2020 25:00" << "";
        QTest::newRow("60 minutes") << "01/02/2020 10:60" << "";
        QTest::newRow("reste après l'heure") << "01/02/2020 10:00 x" << "";
        QTest::newRow("année 0020") << "01/02/0020" << "";
        QTest::newRow("jour à 3 chiffres") << "001/02/2020" << "";
    }

    void analyserDate()
    {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        // "us:" reads the text with the United States' settings.
        const bool us = texte.startsWith(QLatin1String("us:"));
        const std::optional<DateTime> d = AnalyserDate(texte.mid(us ? 3 : 0), us ? QLocale(QLocale::English, QLocale::UnitedStates) : fr);
        QCOMPARE(d ? d->toIso() : QString(), attendu);
    }

    void texteDate_data()
    {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("minuit: date seule") << "2020-02-01 00:00:00" << "01/02/2020";
        QTest::newRow("jour zéro: heure seule") << "1899-12-30 23:59:59" << "23:59:59";
        QTest::newRow("jour zéro à minuit") << "1899-12-30 00:00:00" << "00:00:00";
        QTest::newRow("veille du jour zéro") << "1899-12-29 06:00:00" << "29/12/1899 06:00:00";
    }

    void texteDate()
    {
        QFETCH(QString, iso);
        QFETCH(QString, attendu);
        const DateTime d = *DateTime::fromIso(iso);
        QCOMPARE(TexteDate(d, fr), attendu);
        // What the system writes, it reads back.
        QCOMPARE(AnalyserDate(attendu, fr).value(), d);
    }

    void iso_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("complète") << "2026-12-05 23:59:59" << "2026-12-05 23:59:59";
        QTest::newRow("date seule") << "2026-12-05" << "2026-12-05 00:00:00";
        QTest::newRow("sans secondes") << "2026-12-05 08:15" << "2026-12-05 08:15:00";
        QTest::newRow("T et fraction") << "2026-12-05T08:15:30.250" << "2026-12-05 08:15:30";
        QTest::newRow("30 février") << "2026-02-30 00:00:00" << "";
        QTest::newRow("24 heures") << "2026-12-05 24:00:00" << "";
        QTest::newRow("reste") << "2026-12-05 08:15:30x" << "";
    }

    void iso()
    {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        const auto d = DateTime::fromIso(texte);
        QCOMPARE(d ? d->toIso() : QString(), attendu);
    }

    void monnaieDepassement()
    {
        const Currency max{std::numeric_limits<std::int64_t>::max()};
        QCOMPARE(numeroErreur([&] { (void)(max + Currency{1}); }), Erreurs::DepassementCapacite);
        QCOMPARE(numeroErreur([&] { (void)(Currency{std::numeric_limits<std::int64_t>::min()} - Currency{1}); }),
                 Erreurs::DepassementCapacite);
        QCOMPARE(numeroErreur([] { Currency::fromDouble(1e300); }), Erreurs::DepassementCapacite);
        QCOMPARE(numeroErreur([] { Currency::fromDouble(std::nan("")); }), Erreurs::DepassementCapacite);
        QCOMPARE((Currency{5} + Currency{7}).dixMilliemes, 12);
    }

    void conversions_data()
    {
        QTest::addColumn<Value>("valeur");
        QTest::addColumn<QString>("vers");     // entier, double, monnaie, date
        QTest::addColumn<QString>("attendu");  // the result written plainly, or "#n" for error n

        const QString nbsp = QString(QChar(0x00A0)), nnbsp = QString(QChar(0x202F));
        QTest::newRow("Null en entier") << Value() << "entier" << "#94";
        QTest::newRow("Null en date") << Value() << "date" << "#94";
        QTest::newRow("Null en monnaie") << Value() << "monnaie" << "#94";
        QTest::newRow("2,5 en entier: pair") << Value(2.5) << "entier" << "2";
        QTest::newRow("3,5 en entier: pair") << Value(3.5) << "entier" << "4";
        QTest::newRow("monnaie 2,5 en entier") << Value(Currency{25000}) << "entier" << "2";
        QTest::newRow("monnaie 3,5 en entier") << Value(Currency{35000}) << "entier" << "4";
        QTest::newRow("1e30 en entier") << Value(1e30) << "entier" << "#6";
        QTest::newRow("texte en entier") << Value("12") << "entier" << "12";
        QTest::newRow("texte groupé espace fine") << Value(QString("1" + nnbsp + "234")) << "entier" << "1234";
        QTest::newRow("texte groupé insécable") << Value(QString("1" + nbsp + "234,5")) << "double" << "1234.5";
        QTest::newRow("texte décimal français") << Value("2,5") << "double" << "2.5";
        QTest::newRow("texte exposant") << Value("-1,5E3") << "double" << "-1500";
        QTest::newRow("point décimal refusé en français") << Value("2.5") << "double" << "#13";
        QTest::newRow("texte lettres") << Value("abc") << "entier" << "#13";
        QTest::newRow("octets en entier") << Value(QByteArray("1")) << "entier" << "#13";
        QTest::newRow("date en double") << Value(dateIso("1900-01-01 12:00:00")) << "double" << "2.5";
        QTest::newRow("date avant le jour zéro") << Value(dateIso("1899-12-29 06:00:00")) << "double" << "-1.25";
        QTest::newRow("double en date") << Value(2.5) << "date" << "1900-01-01 12:00:00";
        QTest::newRow("texte en date") << Value("01/02/2020 10:30") << "date" << "2020-02-01 10:30:00";
        QTest::newRow("99/99/99 en date") << Value("99/99/99") << "date" << "#13";
        QTest::newRow("texte exact en monnaie") << Value("12,3456") << "monnaie" << "123456";
        QTest::newRow("texte 5 décimales en monnaie") << Value("0,00005") << "monnaie" << "0";
        QTest::newRow("entier en monnaie") << Value(5) << "monnaie" << "50000";
        QTest::newRow("entier énorme en monnaie") << Value(std::int64_t(1) << 62) << "monnaie" << "#6";
        // Halves (exact in binary) go to the even neighbour, as ccur.
        QTest::newRow("double en monnaie: moitié vers pair, bas") << Value(1.03125) << "monnaie" << "10312";
        QTest::newRow("double en monnaie: moitié vers pair, haut") << Value(1.09375) << "monnaie" << "10938";
        QTest::newRow("double en monnaie: moitié négative") << Value(-1.03125) << "monnaie" << "-10312";
        QTest::newRow("double en monnaie: 12/1.2") << Value(12 / 1.2) << "monnaie" << "100000";
    }

    void conversions()
    {
        QFETCH(Value, valeur);
        QFETCH(QString, vers);
        QFETCH(QString, attendu);
        QString obtenu;
        try {
            if (vers == QLatin1String("entier"))
                obtenu = QString::number(valeur.toInteger());
            else if (vers == QLatin1String("double"))
                obtenu = QString::number(valeur.toDouble(), 'g', 17);
            else if (vers == QLatin1String("monnaie"))
                obtenu = QString::number(valeur.toCurrency().dixMilliemes);
            else
                obtenu = valeur.toDateTime().toIso();
        } catch (const RuntimeError &e) {
            obtenu = QLatin1Char('#') + QString::number(e.number());
        }
        QCOMPARE(obtenu, attendu);
    }

    void texte_data()
    {
        QTest::addColumn<Value>("valeur");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("Null") << Value() << "";
        QTest::newRow("0.1+0.2: 15 chiffres") << Value(0.1 + 0.2) << "0,3";
        QTest::newRow("15 chiffres entiers") << Value(123456789012345.0) << "123456789012345";
        QTest::newRow("1E+15") << Value(1e15) << "1E+15";
        QTest::newRow("0,0001") << Value(0.0001) << "0,0001";
        QTest::newRow("1E-05") << Value(0.00001) << "1E-05";
        QTest::newRow("moins zéro") << Value(-0.0) << "0";
        QTest::newRow("monnaie") << Value(Currency{125000}) << "12,5";
        QTest::newRow("monnaie négative") << Value(Currency{-1}) << "-0,0001";
        QTest::newRow("monnaie minimale") << Value(Currency{std::numeric_limits<std::int64_t>::min()})
                                           << "-922337203685477,5808";
        QTest::newRow("date et heure") << Value(dateIso("2020-02-01 10:30:00")) << "01/02/2020 10:30:00";
        QTest::newRow("texte") << Value("abc") << "abc";
    }

    void texte()
    {
        QFETCH(Value, valeur);
        QFETCH(QString, attendu);
        QCOMPARE(valeur.toString(), attendu);
    }
};

CORVANE_TEST(TestValeurs)
#include "tst_valeurs.moc"
