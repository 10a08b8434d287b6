// The currency display format, field display, and the command line.

#include "TestSupport.h"
#include "FrmGestion/FormatAffichage.h"
#include "shared/LigneDeCommande.h"

#include <QtTest>
#include <limits>

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void texteAffiche_data();
    void texteAffiche();
    void ligneDeCommande_data();
    void ligneDeCommande();
};

Q_DECLARE_METATYPE(Value)

void TestFormats::texteAffiche_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<Value>("valeur");
    QTest::addColumn<QString>("texte");
    const int tel = int(FormatChamp::TelQuel), mon = int(FormatChamp::Monetaire), ent = int(FormatChamp::Entier);
    // The currency format, on currency values (French grouping by a no-break space).
    const auto monnaie = [mon](const char *nom, qint64 dixMilliemes, const char *texte) {
        QTest::newRow(nom) << mon << Value(Currency{dixMilliemes}) << QString::fromUtf8(texte);
    };
    monnaie("sans groupe", 9999900, "999,99 €");
    monnaie("un groupe", 12345000, "1\u00a0234,50 €");
    monnaie("négatif", -12345000, "-1\u00a0234,50 €");
    monnaie("demi-centime vers le haut", 50, "0,01 €");
    monnaie("sous le demi-centime", 49, "0,00 €");
    monnaie("négatif arrondi à zéro", -49, "0,00 €");
    monnaie("le plus petit", std::numeric_limits<qint64>::min(), "-922\u00a0337\u00a0203\u00a0685\u00a0477,58 €");
    QTest::newRow("Null monétaire") << mon << Value() << "";
    QTest::newRow("réel monétaire") << mon << Value(2.5) << "2,50 €";
    QTest::newRow("texte dans une colonne monétaire") << mon << Value("abc") << "abc";
    QTest::newRow("entier arrondi") << ent << Value(2.5) << "3";
    QTest::newRow("entier négatif arrondi") << ent << Value(-2.5) << "-3";
    QTest::newRow("tel quel") << tel << Value(42) << "42";
}

void TestFormats::texteAffiche()
{
    QFETCH(int, format);
    QFETCH(Value, valeur);
    QFETCH(QString, texte);
    QCOMPARE(TexteAffiche(valeur, FormatChamp(format)), texte);
}

void TestFormats::ligneDeCommande_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("dossierDonne");
    QTest::addColumn<bool>("aide");
    QTest::addColumn<QString>("erreur");   // a part of the message; "" when none
    QTest::newRow("rien") << QStringList{} << false << false << "";
    QTest::newRow("--dossier") << QStringList{"--dossier", "<tmp>"} << true << false << "";
    QTest::newRow("--help") << QStringList{"--help"} << false << true << "";
    QTest::newRow("dossier sans valeur") << QStringList{"--dossier"} << false << false << "--dossier";
    QTest::newRow("dossier introuvable") << QStringList{"--dossier", "/nulle/part/ici"} << true << false
                                         << "/nulle/part/ici";
    QTest::newRow("option inconnue") << QStringList{"--rien"} << false << false << "Option inconnue : --rien";
    QTest::newRow("option courte inconnue") << QStringList{"-x"} << false << false << "Option inconnue : -x";
    QTest::newRow("argument en trop") << QStringList{"fichier.mdb"} << false << false << "fichier.mdb";
    QTest::newRow("conversion d'un nom vide") << QStringList{"--convertir", "", "b.db"} << false << false
                                              << "--convertir demande une base Jet et une destination";
    QTest::newRow("conversion vers un nom vide") << QStringList{"--convertir", "a.mdb", ""} << false << false
                                                 << "--convertir demande une base Jet et une destination";
}

void TestFormats::ligneDeCommande()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, dossierDonne);
    QFETCH(bool, aide);
    QFETCH(QString, erreur);
    QTemporaryDir tmp;
    arguments.replaceInStrings(QStringLiteral("<tmp>"), tmp.path());
    arguments.prepend(QStringLiteral("corvane"));
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments);
    QCOMPARE(!options.dossier.isEmpty(), dossierDonne);
    QCOMPARE(options.aide, aide);
    QCOMPARE(options.erreur.isEmpty(), erreur.isEmpty());
    QVERIFY(options.erreur.contains(erreur));
    if (dossierDonne && erreur.isEmpty())
        QCOMPARE(options.dossier, tmp.path());
}

CORVANE_TEST(TestFormats)
#include "tst_formats.moc"
