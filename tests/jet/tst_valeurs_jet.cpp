// Field bytes of a Jet row decoded into what the native database stores.
#include "TestSupport.h"
#include "jet/EnteteJet.h"
#include "jet/ValeursJet.h"

#include <QtTest>

namespace {
std::vector<std::uint8_t> octets(const QByteArray &hex)
{
    const QByteArray b = QByteArray::fromHex(hex);
    return {b.begin(), b.end()};
}
QString texte(const std::string &s) { return QString::fromStdString(s); }
// `hex`: the sign byte, then four words, most significant first; `exact`: a double holds it.
struct Texte { bool jet4; QByteArray hex; QString attendu; };
struct Decimal { QByteArray hex; int echelle; QString texte; bool exact; };
} // namespace
Q_DECLARE_METATYPE(Texte)
Q_DECLARE_METATYPE(Decimal)

class TestValeursJet : public QObject
{
    Q_OBJECT
private slots:

    void textes_data()
    {
        QTest::addColumn<Texte>("cas");
        QTest::newRow("compressé puis deux octets") << Texte{true, "fffe4100ac2042", "A€"};
        QTest::newRow("paire de substitution") << Texte{true, "3dd800de", "😀"};
        QTest::newRow("substitution orpheline") << Texte{true, "3dd84100", "\uFFFDA"};
        QTest::newRow("Windows-1252") << Texte{false, "e9809c", "é€œ"};
    }
    void textes()
    {
        QFETCH(Texte, cas);
        const auto o = octets(cas.hex);
        const std::string t = cas.jet4 ? Jet::texteJet4(o.data(), o.size()) : Jet::texteJet3(o.data(), o.size());
        QCOMPARE(texte(t), cas.attendu);
    }

    void dates_data()
    {
        QTest::addColumn<double>("jours");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("avant le jour zéro") << -1.25 << "1899-12-29 06:00:00";
        QTest::newRow("arrondi au lendemain") << 2.9999999999 << "1900-01-02 00:00:00";
        QTest::newRow("an 9999") << 2958465.99998 << "9999-12-31 23:59:58";
        QTest::newRow("avant l'an 100") << -657435.0 << "";
        QTest::newRow("pas un nombre") << std::nan("") << "";
    }
    void dates()
    {
        QFETCH(double, jours);
        QFETCH(QString, attendu);
        QCOMPARE(texte(Jet::dateIso(jours).value_or(std::string())), attendu);
    }

    void decimaux_data()
    {
        QTest::addColumn<Decimal>("cas");
        QTest::newRow("échelle") << Decimal{"00" "00000000" "00000000" "00000000" "39300000", 3, "12.345", true};
        QTest::newRow("sous l'unité") << Decimal{"80" "00000000" "00000000" "00000000" "05000000", 4, "-0.0005", true};
        QTest::newRow("mots de poids fort")
            << Decimal{"00" "00000000" "00000000" "01000000" "00000000", 0, "4294967296", true};
        QTest::newRow("zéro négatif") << Decimal{"80" "00000000" "00000000" "00000000" "00000000", 2, "0.00", true};
        QTest::newRow("28 chiffres")
            << Decimal{"00" "00000000" "ffffffff" "ffffffff" "ffffffff", 4, "7922816251426433759354395.0335", false};
    }
    void decimaux()
    {
        QFETCH(Decimal, cas);
        const auto o = octets(cas.hex);
        QCOMPARE(QString::fromStdString(Jet::texteDecimal(o.data(), cas.echelle)), cas.texte);
        const auto v = Jet::decimal(o.data(), cas.echelle);
        QCOMPARE(v.has_value(), cas.exact);
        if (v && std::holds_alternative<double>(*v))
            QCOMPARE(QString::number(std::get<double>(*v), 'g', 15), cas.texte);
    }

    void entetes_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("version");
        const QByteArray debut("000100005374616e64617264204a6574204442");
        QTest::newRow("Jet 3") << debut + "0000000000" << int(Jet::VersionJet::Jet3);
        QTest::newRow("Jet 4") << debut + "0001000000" << int(Jet::VersionJet::Jet4);
        QTest::newRow("Access 2007") << debut + "0002000000" << int(Jet::VersionJet::Aucune);
        QTest::newRow("trop court") << debut << int(Jet::VersionJet::Aucune);
    }
    void entetes()
    {
        QFETCH(QByteArray, hex);
        QFETCH(int, version);
        const auto o = octets(hex);
        QCOMPARE(int(Jet::versionJet(o.data(), o.size())), version);
    }
};

CORVANE_TEST(TestValeursJet)
#include "tst_valeurs_jet.moc"
