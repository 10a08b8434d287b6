// Real Jet 3 and Jet 4 files written by Access, converted by the converter
// process exactly as Corvane runs it; and files it must refuse cleanly.
#include "BasesTest.h"
#include "LignesSql.h"
#include "TestSupport.h"
#include "database/Surveillance.h"
#include "jet/ConversionJet.h"
#include "jet/ConvertisseurJet.h"
#include "shared/RuntimeError.h"

#include <QtTest>

namespace {

QString donnees() { return qEnvironmentVariable("CORVANE_DONNEES_JET"); }

// Rows of a query on a database file.
QStringList lire(const QString &base, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(base.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QStringList lignes = lignesSql(db, sql.toStdString());
    sqlite3_close(db);
    return lignes;
}

QString script(const QString &chemin, const QByteArray &corps)
{
    BasesTest::ecrire(chemin, "#!/bin/sh\n" + corps + "\n");
    QFile::setPermissions(chemin, QFile::permissions(chemin) | QFileDevice::ExeOwner);
    return chemin;
}

// A damaged copy of a test file: cut after `tronquer` bytes (-1: whole), the top bit of the byte at
// `inverser` flipped (-1: none), converted within `delai` ms (0: the default).
// A file converted, a query on the result and its rows.
struct Valeurs { QString fichier, sql; QStringList attendu; };
// A fake converter's script after it wrote a partial file; its limit of processor seconds (-2: the
// program is being stopped); the error's reason.
struct Fin { QByteArray corps; int secondesProcesseur; QString raison; };
struct FichierRefuse { QString source; qint64 tronquer, inverser; int delai; QString raison; };

} // namespace
Q_DECLARE_METATYPE(Valeurs)
Q_DECLARE_METATYPE(Fin)
Q_DECLARE_METATYPE(FichierRefuse)

class TestConversionJet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    int m_n = 0;

    QString m_base;
    Jet::ResultatConversion m_resultat;
    QStringList m_progression;

    // The file converted into m_base, a new database of the temporary folder: the error, "" when none.
    QString convertir(const QString &fichier)
    {
        m_base = m_dossier.filePath(QStringLiteral("conv%1.db").arg(++m_n));
        m_progression.clear();
        return TestSupport::erreur([&] {
            m_resultat = Jet::ConvertirBaseJet(donnees() + QLatin1Char('/') + fichier, m_base,
                                               [this](const QString &l) { m_progression << l; });
        });
    }

private slots:
    void initTestCase()
    {
        if (donnees().isEmpty() || !QFileInfo::exists(donnees()))
            QSKIP("the Jet test files are missing (CORVANE_DONNEES_JET)");
        QVERIFY(QFileInfo(Jet::ProgrammeConversion()).isExecutable());
    }
    void cleanup() { Jet::definirProgrammeConversion({}); }

    // One progress line per table, the counts reported, a sound file and nothing left beside it.
    void fichiers()
    {
        QCOMPARE(convertir(QStringLiteral("indexTestV1997.mdb")), QString());
        const Jet::ResultatConversion &r = m_resultat;
        QCOMPARE((QList<qint64>{r.tables, r.lignes, r.requetesConverties, r.requetesIgnorees}),
                 (QList<qint64>{3, 11, 0, 0}));
        QCOMPARE(m_progression,
                 (QStringList{"Table « Table1 » : 4 lignes", "Table « Table2 » : 3 lignes", "Table « Table3 » : 4 lignes",
                              "Conversion terminée : 3 tables, 11 lignes, 0 requête convertie, 0 requête ignorée."}));
        QCOMPARE(lire(m_base, "PRAGMA integrity_check"), QStringList{"ok"});
        QCOMPARE(BasesTest::fichiers(m_dossier.path()).filter(QStringLiteral(".conversion-")), QStringList());
    }

    // Values of every column type, compared with what Access shows.
    void valeurs_data()
    {
        QTest::addColumn<Valeurs>("cas");
        for (const char *v : {"V1997", "V2000"}) {
            QTest::addRow("tous les types %s", v) << Valeurs{
                QStringLiteral("test%1.mdb").arg(v),
                "SELECT A, B, C, D, E, F, G, H, I, typeof(F), typeof(H) FROM Table1 ORDER BY A",
                {"a|b|0|0|0|0.0|1981-12-12 00:00:00|0|0|real|integer",
                 "abcdefg|hijklmnop|2|222|333333333|444.555|1974-09-21 00:00:00|3.5|-1|real|real"}};
            QTest::addRow("schéma %s", v) << Valeurs{
                QStringLiteral("test%1.mdb").arg(v),
                "SELECT sql FROM sqlite_master WHERE tbl_name IN ('Table1', 'Table3') AND sql NOT NULL ORDER BY name",
                {"CREATE TABLE [Table1] ([A] VARCHAR(50) COLLATE NOCASE, [B] VARCHAR(100) COLLATE NOCASE, "
                 "[C] TINYINT, [D] SMALLINT, [E] INTEGER, [F] DOUBLE, [G] DATETIME, [H] CURRENCY, "
                 "[I] BOOLEAN, PRIMARY KEY ([A]))",
                 "CREATE INDEX [Table1_B] ON [Table1] ([B])",
                 "CREATE TABLE [Table3] ([a] INTEGER PRIMARY KEY, [b] VARCHAR(50) COLLATE NOCASE)",
                 "CREATE INDEX [Table3_id] ON [Table3] ([a])"}};
            QTest::addRow("mémo, Null, heures, blob %s", v) << Valeurs{
                QStringLiteral("test2%1.mdb").arg(v),
                "SELECT PROJ_NAME, length(PROJ_PROP_AUTHOR), substr(PROJ_PROP_AUTHOR, 1, 8),"
                " PROJ_PROP_CATEGORY IS NULL, PROJ_OPT_CURRENCY_SYMBOL, PROJ_LAST_SAVED, PROJ_OPT_DEF_FINISH_TIME,"
                " PROJ_OPT_CALC_ACT_COSTS,"
                " length(RESERVED_BINARY_DATA), hex(substr(RESERVED_BINARY_DATA, -6)) FROM MSP_PROJECTS",
                {"Project1|348|Jon Iles|1|£|2006-02-03 22:11:00|2006-02-03 17:00:00|-1|22970|0000E2AD05FE"}};
        }
        QTest::newRow("décimaux") << Valeurs{
            "fixedNumericTestV2000.mdb",
            "SELECT col1, col2, col3, col4, col5, col6, col7, typeof(col6), (SELECT type "
            "FROM pragma_table_info('test') WHERE name = 'col2') FROM test",
            {"some data|1|0|0|4|-1|1|integer|DECIMAL(18,0)"}};
        QTest::newRow("numéro de réplication")
            << Valeurs{"testIndexCodesV1997.mdb",
                       "SELECT count(*) FROM Table13 WHERE data = '{8E39276A-BCA8-4AC4-891E-49911D8438DD}'", {"1"}};
        QTest::newRow("simple au plus court") << Valeurs{
            "testIndexCodesV1997.mdb", "SELECT count(*) FROM Table5 WHERE data IN (804983.4, -834573.8)", {"2"}};
        QTest::newRow("index composé") << Valeurs{
            "testIndexCodesV1997.mdb",
            "SELECT name || ':' || [desc] FROM pragma_index_xinfo('Table12_desc_asc_DataIndex') WHERE cid >= 0",
            {"data1:1", "data2:0"}};
    }
    void valeurs()
    {
        QFETCH(Valeurs, cas);
        QCOMPARE(convertir(cas.fichier), QString());
        QCOMPARE(lire(m_base, cas.sql), cas.attendu);
    }

    // An index whose definition libmdb cannot read is named in a warning, the rows all kept.
    void indexIllisible()
    {
        QCOMPARE(convertir(QStringLiteral("delColTestV2000.mdb")), QString());
        QCOMPARE(m_resultat.avertissements, QStringList{"Index « id2 » de la table « Table1 » non recréé : sa définition est illisible."});
    }

    // ReqVentes is the journal: if it cannot be translated, nothing is converted.
    // A query reading another is made once the other exists, whatever their order.
    void requetesSansFichier()
    {
        sqlite3 *db = nullptr;
        sqlite3_open(":memory:", &db);
        const auto fermer = qScopeGuard([db] { sqlite3_close(db); });
        sqlite3_exec(db, "CREATE TABLE Ventes (NoVente INTEGER, Total CURRENCY)", nullptr, nullptr, nullptr);
        Jet::BaseJet::Requete autre{"Autre", {{5, "Ventes", "", "", {}}, {6, "", "", "DLookup(1)", 0}}, {}};
        Jet::BaseJet::Requete reqVentes{"ReqVentes", {{5, "Ventes", "", "", {}}, {6, "", "", "Nz([Total], 0)", 0}}, {}};
        Jet::BaseJet::Requete b{"B", {{5, "A", "", "", {}}, {6, "", "", "A.*", 0}}, {}};
        Jet::BaseJet::Requete a{"A", {{5, "Ventes", "", "", {}}, {6, "Montant", "", "[Total] * 2", 0}}, {}};
        QStringList avertissements;
        Jet::Rapport rapport;
        rapport.avertissement = [&](const std::string &t) { avertissements << QString::fromStdString(t); };
        Jet::Resume resume;
        Jet::convertirRequetes(db, {autre, b, reqVentes, a}, rapport, resume);
        QCOMPARE(resume.requetesConverties, std::size_t(3));
        QCOMPARE(resume.requetesIgnorees, std::size_t(1));
        QCOMPARE(avertissements, QStringList{"Requête « Autre » non convertie : fonction DLookup non prise en charge."});

        reqVentes.lignes[1].expression = "DLookup(1)";
        reqVentes.nom = "REQVENTES";
        try {
            Jet::convertirRequetes(db, {reqVentes}, rapport, resume);
            QFAIL("converted");
        } catch (const Jet::ErreurConversion &e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     "la requête « REQVENTES » n'a pas pu être convertie : fonction DLookup non prise en charge");
        }
    }

    // Bad input: a clean run-time error, and nothing left beside the destination.
    void fichiersRefuses_data()
    {
        QTest::addColumn<FichierRefuse>("cas");
        QTest::newRow("tronqué dans une page") << FichierRefuse{"testV2000.mdb", 10000, -1, 0, "fichier tronqué"};
        QTest::newRow("tronqué, données perdues")
            << FichierRefuse{"test2V2000.mdb", 20 * 4096, -1, 0,
                             "table « MSP_PROJECTS » incomplète : 0 lignes lues sur 1 annoncées"};
        QTest::newRow("Jet 3 tronqué") << FichierRefuse{"testV1997.mdb", 20 * 2048, -1, 0, "définition illisible"};
        // libmdb loops for ever on this bit flipped in a property block (see fuzz/regressions/lecture).
        QTest::newRow("boucle sans fin") << FichierRefuse{"test2V2000.mdb", -1, 0x21ec0, 1500,
                                                          "délai de 1500 ms dépassé, le convertisseur a été arrêté"};
    }
    void fichiersRefuses()
    {
        QFETCH(FichierRefuse, cas);
        Jet::LimitesConversion limites;
        if (cas.delai)
            limites.delaiMillisecondes = cas.delai;
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(QStringLiteral("CLE.MDB"));
        QByteArray contenu = BasesTest::lire(donnees() + QLatin1Char('/') + cas.source);
        if (cas.tronquer >= 0)
            contenu.truncate(cas.tronquer);
        if (cas.inverser >= 0)
            contenu[cas.inverser] = char(contenu[cas.inverser] ^ 0x80);
        BasesTest::ecrire(chemin, contenu);
        const QString e = TestSupport::erreur(
            [&] { Jet::ConvertirBaseJet(chemin, dossier.filePath(QStringLiteral("NEWK7.MDB")), {}, limites); });
        QVERIFY2(e.startsWith(QStringLiteral("3049 La base Jet « CLE.MDB » n'a pas pu être convertie : ")), qPrintable(e));
        QVERIFY2(e.contains(cas.raison), qPrintable(e));
        QCOMPARE(BasesTest::fichiers(dossier.path()), QStringList{"CLE.MDB"});
    }

    // Whatever ends the converter is reported as a clean run-time error.
    void finsDuConvertisseur_data()
    {
        QTest::addColumn<Fin>("cas");
        QTest::newRow("plantage") << Fin{"kill -SEGV $$", 0,
                                         "le lecteur de fichiers Jet s'est arrêté brutalement (signal 11) : "
                                         "fichier endommagé ou mémoire insuffisante"};
        QTest::newRow("temps de calcul")
            << Fin{"while :; do :; done", 1, "temps de calcul dépassé (1 s), le convertisseur a été arrêté"};
        // SIGTERM reached the program (no time limit set): the child is not waited for.
        QTest::newRow("programme arrêté") << Fin{"exec sleep 60", -2, "le programme est arrêté"};
        QTest::newRow("succès sans base")
            << Fin{"printf 'RESUME\\t0\\t0\\t0\\t0\\n'", 0, "n'a pas produit de base de données"};
        QTest::newRow("sortie interrompue")
            << Fin{"printf 'TABLE\\tVentes'; exit 0", 0, "le convertisseur a échoué (code de sortie 0)"};
    }
    void finsDuConvertisseur()
    {
        QFETCH(Fin, cas);
        QTemporaryDir dossier;
        // The fake converter leaves a half-written file where it was told to write.
        Jet::definirProgrammeConversion(script(dossier.filePath(QStringLiteral("faux-convertisseur")),
                                               "for a; do d=\"$a\"; done; printf partiel > \"$d\"\n" + cas.corps));
        const QString source = donnees() + QStringLiteral("/testV2000.mdb");
        Jet::LimitesConversion limites;
        if (cas.secondesProcesseur > 0)
            limites.secondesProcesseur = cas.secondesProcesseur;
        else if (cas.secondesProcesseur == -2)
            Surveillance::interrompreTout();
        const auto reprise = qScopeGuard([] { Surveillance::reprendre(); });
        const QString e = TestSupport::erreur(
            [&] { Jet::ConvertirBaseJet(source, dossier.filePath(QStringLiteral("NEWK7.MDB")), {}, limites); });
        QVERIFY2(e.startsWith(QStringLiteral("3049 ")) && e.contains(cas.raison), qPrintable(e));
        QCOMPARE(BasesTest::fichiers(dossier.path()), QStringList{"faux-convertisseur"});
    }

    void erreursDAppel()
    {
        QTemporaryDir dossier;
        const QString destination = dossier.filePath(QStringLiteral("NEWK7.MDB"));
        const QString source = donnees() + QStringLiteral("/testV2000.mdb");
        QCOMPARE(TestSupport::numeroErreur(
                     [&] { Jet::ConvertirBaseJet(dossier.filePath(QStringLiteral("absente.mdb")), destination); }),
                 int(Erreurs::FichierIntrouvable));
        BasesTest::ecrire(destination, "à garder");
        QCOMPARE(TestSupport::numeroErreur([&] { Jet::ConvertirBaseJet(source, destination); }), Jet::FichierExistant);
        QCOMPARE(BasesTest::lire(destination), QByteArray("à garder"));

        Jet::definirProgrammeConversion(dossier.filePath(QStringLiteral("corvane-jet")));
        const QString e = TestSupport::erreur([&] { Jet::ConvertirBaseJet(source, dossier.filePath("b.db")); });
        QVERIFY(e.startsWith(QStringLiteral("53 Le convertisseur de bases Jet « ")));
        QVERIFY(!Jet::EstBaseJet(m_dossier.filePath(QStringLiteral("absente.mdb"))));
        QVERIFY(!Jet::EstBaseJet(m_dossier.path()));
    }

    // The converter run by hand: French lines, the exit status, never a replaced file.
    void programmeSeul()
    {
        QTemporaryDir dossier;
        const QStringList arguments{donnees() + QStringLiteral("/testV1997.mdb"), dossier.filePath("ventes.db")};
        TestSupport::Execution e = TestSupport::executer(Jet::ProgrammeConversion(), arguments);
        QCOMPARE(e.statut, 0);
        QCOMPARE(QString::fromUtf8(e.sortie),
                 "Table « Table1 » : 2 lignes\nTable « Table2 » : 0 ligne\nTable « Table3 » : 0 ligne\n"
                 "Table « Table4 » : 0 ligne\n"
                 "Conversion terminée : 4 tables, 2 lignes, 0 requête convertie, 0 requête ignorée.\n");
        QCOMPARE(BasesTest::fichiers(dossier.path()), QStringList{"ventes.db"});
        e = TestSupport::executer(Jet::ProgrammeConversion(), arguments);
        QCOMPARE(e.statut, 1);
        QVERIFY(e.erreurs.contains(QStringLiteral("existe déjà")));
        QCOMPARE(TestSupport::executer(Jet::ProgrammeConversion(), {QStringLiteral("--inconnue")}).statut, 2);
    }
};

CORVANE_TEST(TestConversionJet)
#include "tst_conversion_jet.moc"
