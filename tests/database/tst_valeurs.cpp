// Dates read and written as the system does, and field values converted as
// the original platform's conversions do (French locale pinned).
#include "TestSupport.h"
#include "database/Value.h"
#include "database/Dates.h"
#include "shared/RuntimeError.h"

#include <QtTest>

Q_DECLARE_METATYPE(Value)

namespace {
const QLocale fr(QLocale::French, QLocale::France);

DateTime dateIso(const QString &t) { return DateTime::fromIso(t).value(); }

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

        QTest::newRow("fenêtre 2029") << "31/12/29" << "2029-12-31 00:00:00";
        QTest::newRow("fenêtre 1930") << "01/01/30" << "1930-01-01 00:00:00";
        QTest::newRow("année à 3 chiffres") << "01/02/205" << "0205-02-01 00:00:00";
        QTest::newRow("deux blancs avant l'heure") << "05/12/2026  23:59:59" << "2026-12-05 23:59:59";
        QTest::newRow("heure seule: jour zéro") << "23:59:59" << "1899-12-30 23:59:59";
        QTest::newRow("année d'abord") << "2026-12-05" << "2026-12-05 00:00:00";
        QTest::newRow("29 février bissextile") << "29/02/2020" << "2020-02-29 00:00:00";
        QTest::newRow("jour et mois: cette année") << "01/02"
                                                   << QString::number(QDate::currentDate().year()) + "-02-01 00:00:00";
        QTest::newRow("us: mois d'abord") << "us:12/05/2026 08:00" << "2026-12-05 08:00:00";

        QTest::newRow("29 février non bissextile") << "29/02/2019" << "";
        QTest::newRow("31 avril, avec l'heure") << "31/04/2020 10:00" << "";
        QTest::newRow("vide") << "" << "";
        QTest::newRow("lettres") << "abc" << "";
        QTest::newRow("nombre seul") << "12" << "";
        QTest::newRow("quatre parties") << "01/02/2020/3" << "";
        QTest::newRow("heure incomplète") << "01/02/2020 1" << "";
        QTest::newRow("60 minutes") << "01/02/2020 10:60" << "";
        QTest::newRow("reste après l'heure") << "01/02/2020 10:00 x" << "";
        QTest::newRow("année 0020") << "01/02/0020" << "";
        QTest::newRow("jour à 3 chiffres") << "001/02/2020" << "";

        QTest::newRow("ISO date seule") << "iso:2026-12-05" << "2026-12-05 00:00:00";
        QTest::newRow("ISO T et fraction") << "iso:2026-12-05T08:15:30.250" << "2026-12-05 08:15:30";
        QTest::newRow("ISO 30 février") << "iso:2026-02-30 00:00:00" << "";
        QTest::newRow("ISO 24 heures") << "iso:2026-12-05 24:00:00" << "";
        QTest::newRow("ISO reste") << "iso:2026-12-05 08:15:30x" << "";
    }

    void analyserDate()
    {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        // "us:" reads the text with the United States' settings, "iso:" as the database stores it.
        std::optional<DateTime> d;
        if (texte.startsWith(QLatin1String("iso:")))
            d = DateTime::fromIso(texte.mid(4));
        else if (texte.startsWith(QLatin1String("us:")))
            d = AnalyserDate(texte.mid(3), QLocale(QLocale::English, QLocale::UnitedStates));
        else
            d = AnalyserDate(texte, fr);
        QCOMPARE(d ? d->toIso() : QString(), attendu);
        // What the system writes, it reads back.
        if (d)
            QCOMPARE(AnalyserDate(TexteDate(*d, fr), fr), d);
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
        QTest::addColumn<QString>("vers");     // entier, double, monnaie, date, texte
        QTest::addColumn<QString>("attendu");  // the result written plainly, or "#n" for error n

        QTest::newRow("Null en entier") << Value() << "entier" << "#94";
        QTest::newRow("Null en date") << Value() << "date" << "#94";
        QTest::newRow("2,5 en entier: pair") << Value(2.5) << "entier" << "2";
        QTest::newRow("3,5 en entier: pair") << Value(3.5) << "entier" << "4";
        QTest::newRow("monnaie 2,5 en entier") << Value(Currency{25000}) << "entier" << "2";
        QTest::newRow("monnaie 3,5 en entier") << Value(Currency{35000}) << "entier" << "4";
        QTest::newRow("1e30 en entier") << Value(1e30) << "entier" << "#6";
        QTest::newRow("texte groupé espace fine") << Value(QStringLiteral("1\u202F234")) << "entier" << "1234";
        QTest::newRow("texte groupé insécable") << Value(QStringLiteral("1\u00A0234,5")) << "double" << "1234.5";
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
        QTest::newRow("Null en texte") << Value() << "texte" << "";
        QTest::newRow("0.1+0.2 en texte: 15 chiffres") << Value(0.1 + 0.2) << "texte" << "0,3";
        QTest::newRow("15 chiffres entiers en texte") << Value(123456789012345.0) << "texte" << "123456789012345";
        QTest::newRow("1E+15 en texte") << Value(1e15) << "texte" << "1E+15";
        QTest::newRow("0,0001 en texte") << Value(0.0001) << "texte" << "0,0001";
        QTest::newRow("1E-05 en texte") << Value(0.00001) << "texte" << "1E-05";
        QTest::newRow("moins zéro en texte") << Value(-0.0) << "texte" << "0";
        QTest::newRow("monnaie en texte") << Value(Currency{125000}) << "texte" << "12,5";
        QTest::newRow("monnaie minimale en texte")
            << Value(Currency{std::numeric_limits<std::int64_t>::min()}) << "texte" << "-922337203685477,5808";
        QTest::newRow("date et heure en texte")
            << Value(dateIso("2020-02-01 10:30:00")) << "texte" << "01/02/2020 10:30:00";
        QTest::newRow("minuit en texte: date seule")
            << Value(dateIso("2020-02-01 00:00:00")) << "texte" << "01/02/2020";
        QTest::newRow("jour zéro à minuit en texte: heure seule")
            << Value(dateIso("1899-12-30 00:00:00")) << "texte" << "00:00:00";
        QTest::newRow("veille du jour zéro en texte")
            << Value(dateIso("1899-12-29 06:00:00")) << "texte" << "29/12/1899 06:00:00";
        QTest::newRow("texte en texte") << Value("abc") << "texte" << "abc";
    }

    void conversions()
    {
        QFETCH(Value, valeur);
        QFETCH(QString, vers);
        QFETCH(QString, attendu);
        QString obtenu;
        const int numero = numeroErreur([&] {
            if (vers == QLatin1String("entier"))
                obtenu = QString::number(valeur.toInteger());
            else if (vers == QLatin1String("double"))
                obtenu = QString::number(valeur.toDouble(), 'g', 17);
            else if (vers == QLatin1String("monnaie"))
                obtenu = QString::number(valeur.toCurrency().dixMilliemes);
            else if (vers == QLatin1String("date"))
                obtenu = valeur.toDateTime().toIso();
            else
                obtenu = valeur.toString();
        });
        QCOMPARE(numero ? QLatin1Char('#') + QString::number(numero) : obtenu, attendu);
    }
};

CORVANE_TEST(TestValeurs)
#include "tst_valeurs.moc"
