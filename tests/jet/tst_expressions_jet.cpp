// Jet expressions as the query catalogue stores them, translated and then
// evaluated by SQLite: each must give what Jet gives.
#include "TestSupport.h"
#include "jet/ExpressionJet.h"

#include <QtTest>

class TestExpressionsJet : public QObject
{
    Q_OBJECT
private slots:

    void valeurs_data()
    {
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("attendu");
        // Operators, with Jet's precedence and arithmetic.
        QTest::newRow("division réelle") << "5/2" << "2.5";
        QTest::newRow("division entière arrondie") << "7.6 \\ 2" << "4";
        QTest::newRow("Mod") << "7 Mod 3" << "1";
        QTest::newRow("puissance négative") << "2^-1" << "0.5";
        QTest::newRow("Not après =") << "Not 1 = 2" << "1";
        QTest::newRow("And avant Or") << "1=1 Or 1=2 And 1=2" << "1";
        QTest::newRow("Xor") << "(1=1) Xor (2=2)" << "0";
        QTest::newRow("textes ajoutés") << "\"ab\" + \"cd\"" << "abcd";
        // Concatenation: Null is an empty text unless everything is Null.
        QTest::newRow("& avec Null") << "\"a\" & Null & \"b\"" << "ab";
        // Literals.
        QTest::newRow("True") << "True" << "-1";
        QTest::newRow("apostrophes") << "'l''automate'" << "l'automate";
        QTest::newRow("hexadécimal long") << "&HFFFF&" << "65535";
        QTest::newRow("octal") << "&O17" << "15";
        QTest::newRow("date ISO et heure") << "#2024-02-29 23:59:59#" << "2024-02-29 23:59:59";
        QTest::newRow("heure PM") << "#10:30 PM#" << "1899-12-30 22:30:00";
        QTest::newRow("année à deux chiffres") << "#3/4/29#" << "2029-03-04 00:00:00";
        // Functions.
        QTest::newRow("IIf Null") << "IIf(Null, \"oui\", \"non\")" << "non";
        QTest::newRow("Nz sans remplacement") << "Nz(Null)" << "";
        QTest::newRow("IsNull") << "IsNull(Null)" << "-1";
        QTest::newRow("Len accentué") << "Len(\"héllo\")" << "5";
        QTest::newRow("Left") << "Left(\"abcdef\", 3)" << "abc";
        QTest::newRow("Right zéro") << "Right(\"abc\", 0)" << "";
        QTest::newRow("Mid") << "Mid(\"abcdef\", 2, 3)" << "bcd";
        QTest::newRow("UCase") << "UCase(\"abc\")" << "ABC";
        QTest::newRow("LCase") << "LCase(\"ABC\")" << "abc";
        QTest::newRow("Trim") << "Trim(\"  a b  \")" << "a b";
        QTest::newRow("LTrim") << "LTrim(\"  a \")" << "a ";
        QTest::newRow("CStr") << "CStr(12)" << "12";
        QTest::newRow("CInt arrondit") << "CInt(2.6)" << "3";
        QTest::newRow("Int plancher") << "Int(-1.5)" << "-2";
        QTest::newRow("Fix tronque") << "Fix(-1.5)" << "-1";
        QTest::newRow("Year") << "Year(#12/31/2024#)" << "2024";
        QTest::newRow("Month") << "Month(#12/31/2024#)" << "12";
        QTest::newRow("Hour") << "Hour(#1/1/2024 7:05:00 PM#)" << "19";
        QTest::newRow("DateSerial") << "DateSerial(2024, 3, 9)" << "2024-03-09 00:00:00";
        QTest::newRow("Format date") << "Format(#12/31/2024 13:05:09#, \"dd/mm/yy hh:nn:ss\")" << "31/12/24 13:05:09";
        QTest::newRow("Format sans zéros") << "Format(#1/2/2024 3:04:05#, \"d/m/yy h:m:s\")" << "2/1/24 3:4:5";
        QTest::newRow("Format mm minutes") << "Format(#1/2/2024 3:04:05#, \"hh:mm\")" << "03:04";
        QTest::newRow("Format mois-année") << "Format(#7/14/2024#, \"mm/yy\")" << "07/24";
        QTest::newRow("Format Short Date") << "Format(#7/14/2024#, \"Short Date\")" << "14/07/2024";
        QTest::newRow("Format ##0.00") << "Format(1234.5, \"##0.00\")" << "1234.50";
        QTest::newRow("Format zéros") << "Format(42, \"0000\")" << "0042";
        QTest::newRow("Format pourcentage") << "Format(0.256, \"0.0%\")" << "25.6%";
        QTest::newRow("Format seul") << "Format(12)" << "12";
        // Comparisons.
        QTest::newRow("Between") << "5 Between 1 And 9" << "1";
        QTest::newRow("Not Between") << "5 Not Between 1 And 3" << "1";
        QTest::newRow("In") << "2 In (1, 2, 3)" << "1";
        QTest::newRow("Not In") << "4 Not In (1, 2, 3)" << "1";
        QTest::newRow("Is Null") << "Null Is Null" << "1";
        QTest::newRow("Is Not Null") << "1 Is Not Null" << "1";
        QTest::newRow("=<, => et <>") << "(1 =< 2) And (2 => 1) And (1 <> 2)" << "1";
        // Like: * ? # and classes, % and _ as plain characters.
        QTest::newRow("Like ?") << "\"abc\" Like \"a?c\"" << "1";
        QTest::newRow("Like _ littéral") << "\"abc\" Like \"a_c\"" << "0";
        QTest::newRow("Like [*] échappé") << "\"a*\" Like \"a[*]\"" << "1";
        QTest::newRow("Like #") << "\"12/05\" Like \"##/##\"" << "1";
        QTest::newRow("Like classe niée") << "\"7\" Like \"[!0-5]\"" << "1";
        QTest::newRow("Not Like") << "\"abc\" Not Like \"b*\"" << "1";
    }
    void valeurs()
    {
        QFETCH(QString, jet);
        QFETCH(QString, attendu);
        const std::string sql = Jet::traduireExpression(jet.toStdString()).sql;
        QCOMPARE(TestSupport::valeurSql(QStringLiteral(":memory:"), "SELECT " + QString::fromStdString(sql)), attendu);
    }

    // What SQLite cannot express is refused, never translated wrongly.
    void refus_data()
    {
        QTest::addColumn<QString>("jet");
        QTest::newRow("fonction inconnue") << "DLookup(\"x\", \"t\")";
        QTest::newRow("formulaire") << "[Forms]![Saisie]![Date]";
        QTest::newRow("sous-requête") << "x In (SELECT a FROM t)";
        QTest::newRow("Exists") << "Exists (SELECT 1 FROM t)";
        QTest::newRow("Like lettres en classe") << "x Like \"[a-c]*\"";
        QTest::newRow("Format noms de mois") << "Format(x, \"mmmm yyyy\")";
        QTest::newRow("Format milliers") << "Format(x, \"#,##0.00\")";
        QTest::newRow("Format modèle calculé") << "Format(x, y)";
        QTest::newRow("Eqv") << "a Eqv b";
        QTest::newRow("date impossible") << "#2/30/2024#";
        QTest::newRow("date sans année") << "#12/31#";
        QTest::newRow("texte non fermé") << "\"abc";
        QTest::newRow("crochet non fermé") << "[abc";
        QTest::newRow("opérande manquant") << "1 +";
        QTest::newRow("parenthèse en trop") << "(1))";
        QTest::newRow("arguments de Left") << "Left(\"a\")";
        QTest::newRow("trois parties") << "a.b.c";
        QTest::newRow("vide") << "   ";
        QTest::newRow("imbrication") << QString(300, QLatin1Char('(')) + "1" + QString(300, QLatin1Char(')'));
    }
    void refus()
    {
        QFETCH(QString, jet);
        QVERIFY_THROWS_EXCEPTION(Jet::ErreurTraduction, Jet::traduireExpression(jet.toStdString()));
    }
};

CORVANE_TEST(TestExpressionsJet)
#include "tst_expressions_jet.moc"
