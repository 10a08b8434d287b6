// The command line, start-up (Form_Load), its unhandled-error path, and shut-down (Form_Unload).

#include "Kiosque.h"
#include "TestSupport.h"

#include "FrmGestion/Application.h"
#include "FrmGestion/DataGrid.h"
#include "FrmGestion/LiaisonChamp.h"
#include "shared/LigneDeCommande.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <QtWidgets>
#include <csignal>

class TestDemarrage : public QObject
{
    Q_OBJECT
private slots:
    void ouvreEtFerme();
    void nomDeLaBase_data();
    void nomDeLaBase();
    void erreurDemarrage_data();
    void erreurDemarrage();
    void messageErreurExecution();
    void programmeSignal_data();
    void programmeSignal();
    void finSansEcriture();
    void ligneDeCommande();
};

namespace {

using TestSupport::valeurSql;

QString cheminProgramme()
{
    const QByteArray bin = qgetenv("CORVANE_BIN");
    const QString dossier = bin.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(bin);
    return dossier + QStringLiteral("/corvane");
}

// Whether process `pid` has a file of that name open (the window holds its database).
bool tientOuvert(qint64 pid, const QString &nom)
{
    const QDir fd(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &entree : fd.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
        if (QFileInfo(QFile::symLinkTarget(fd.filePath(entree))).fileName().compare(nom, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// modifiee: the database file's modification time, invalid: left as made; suite: the caption after the name,
// "": not compared.
// sous: a sub-folder of that name becomes the application folder, "": none.
struct NomDeBase { QString fichier; QByteArray ini; QString attendu; QDateTime modifiee; QString suite, sous; };

// erreursCompactage: trapped and logged by ReparerDatabase first.
struct ErreurDemarrage { QString fichier, sql; int numero; bool legendeFaite; int erreursCompactage; };

// cas: the kiosk folder; attente: before the signal, "copie" (the compaction's copy begun),
// "ouverte" (the window holds its database), else a text on standard error.
struct Signal { QString cas, attente; int signal; };

} // namespace

Q_DECLARE_METATYPE(NomDeBase)
Q_DECLARE_METATYPE(ErreurDemarrage)
Q_DECLARE_METATYPE(Signal)

void TestDemarrage::ouvreEtFerme()
{
    Kiosque k;
    FrmGestion f;
    // Showing the window runs the start-up.
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));

    QVERIFY(f.findChild<DataGrid *>(QStringLiteral("DataGrid1"))->isVisible());
    // Newest sale first and current, its ticket bound to the box.
    QCOMPARE(tableJournal(f)->currentIndex().row(), 0);
    QCOMPARE(f.LiaisonText1->valeur(), QStringLiteral("Vente 3\r\nMerci"));

    const QString dossier = k.dossier.path();
    QCOMPARE(f.CheminIni, dossier + QStringLiteral("/velmara.ini"));
    QCOMPARE(f.ChaineConnexion, QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dossier
                                    + QStringLiteral("/DACORVANE.mdb;Jet OLEDB:Database Password="));
    QCOMPARE(f.RsTelecollectes.recordCount(), 2);
    // The receipts stay on disk: each is read when its record becomes current.
    QVERIFY(f.RsVentes.isDeferred(f.RsVentes.fieldOrdinal(QStringLiteral("Ticket"))));
    QVERIFY(f.RsTelecollectes.isDeferred(f.RsTelecollectes.fieldOrdinal(QStringLiteral("Ticket"))));

    // "Fin" closes the window, which runs the shut-down: the parameters written back.
    f.RsParametres.setField(QStringLiteral("Caisse"), Value(Currency{999000}));
    f.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
    QVERIFY(!f.isVisible());
    QVERIFY(!f.Connexion.isOpen());
    QCOMPARE(valeurSql(k.base, QStringLiteral("SELECT Caisse FROM Parametres")), QStringLiteral("99.9"));
}

void TestDemarrage::nomDeLaBase_data()
{
    QTest::addColumn<NomDeBase>("cas");
    const QString dacorvane = QStringLiteral("dacorvane.mdb");
    const QString majuscules = QStringLiteral("DACORVANE.mdb");
    // The name trimmed, and found whatever its case on disk.
    QTest::newRow("nom entouré de blancs, fichier en capitales")
        << NomDeBase{"KIOSQUE.MDB", "[base de donn\xe9""e]\r\nnom=  Kiosque  \r\n", "KIOSQUE.mdb", {}, "", ""};
    // The file's modification time, read in the local zone: a date alone at midnight.
    QTest::newRow("à minuit") << NomDeBase{dacorvane, {}, majuscules, {{2026, 12, 5}, {0, 0}}, "05/12/2026", ""};
    // In a folder whose path holds a ';' and '=', and a quote first.
    QTest::newRow("dans la journée, dossier quelconque")
        << NomDeBase{dacorvane, {}, majuscules, {{2026, 12, 5}, {11, 38, 56}}, "05/12/2026 11:38:56",
                     "\"a\" l'b;Data Source=x;k=v "};
}

void TestDemarrage::nomDeLaBase()
{
    QFETCH(NomDeBase, cas);
    const auto &[fichier, ini, attendu, modifiee, suite, sousDossier] = cas;
    // In a zone away from UTC, so that a time read in UTC would show.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Paris");
    const auto remettreZone = qScopeGuard([&] {
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
    });
    Kiosque k(fichier);
    QFile fichierIni(k.dossier.filePath(QStringLiteral("velmara.ini")));
    QVERIFY(ini.isNull()
            || (fichierIni.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && fichierIni.write(ini) == ini.size()));
    if (modifiee.isValid()) {
        QFile base(k.base);
        QVERIFY(base.open(QIODevice::ReadWrite));
        QVERIFY(base.setFileTime(modifiee, QFileDevice::FileModificationTime));
    }
    QString dossier = k.dossier.path();
    if (!sousDossier.isEmpty()) {
        dossier = k.dossier.filePath(sousDossier);
        QVERIFY(QDir().mkdir(dossier));
        for (const QString &nom : {fichier, QStringLiteral("MAINTEN.MDB")})
            QVERIFY(QFile::rename(k.dossier.filePath(nom), dossier + QLatin1Char('/') + nom));
        Plateforme::definirCheminApplication(dossier);
    }
    FrmGestion f;
    f.Form_Load();
    QCOMPARE(f.CheminBase, dossier + QLatin1Char('/') + attendu);
    const QString debut = QStringLiteral("Gestion - ") + attendu + QStringLiteral("  ");
    QVERIFY(suite.isEmpty() ? f.windowTitle().startsWith(debut) : f.windowTitle() == debut + suite);
    // The file keeps its own name on disk, and is the one opened.
    QVERIFY(QFileInfo::exists(dossier + QLatin1Char('/') + fichier));
    QCOMPARE(f.Connexion.path(), dossier + QLatin1Char('/') + fichier);
    QCOMPARE(f.RsVentes.recordCount(), 4);
    // The compaction found it too: the previous file is the backup.
    QVERIFY(QFile::exists(dossier + QStringLiteral("/OLDK7.BAK")));
}

void TestDemarrage::erreurDemarrage_data()
{
    QTest::addColumn<ErreurDemarrage>("cas");
    const QString dacorvane = QStringLiteral("dacorvane.mdb");
    QTest::newRow("base introuvable") << ErreurDemarrage{{}, {}, Erreurs::FichierIntrouvable, false, 0};
    QTest::newRow("pas une base") << ErreurDemarrage{"pas une base", {}, Erreurs::FormatNonReconnu, true, 1};
    QTest::newRow("Telecollectes absente")
        << ErreurDemarrage{dacorvane, "DROP TABLE Telecollectes", Erreurs::NumeroBaseDeDonnees, true, 0};
}

void TestDemarrage::erreurDemarrage()
{
    QFETCH(ErreurDemarrage, cas);
    const auto &[fichier, sql, numero, legendeFaite, erreursCompactage] = cas;
    Kiosque k(fichier == QStringLiteral("dacorvane.mdb") ? fichier : QString());
    if (fichier == QStringLiteral("pas une base")) {
        QFile f(k.dossier.filePath(QStringLiteral("dacorvane.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    if (!sql.isEmpty())
        TestSupport::executerSql(k.base, sql);

    TestSupport::BoiteMessageTest boite;
    FrmGestion f;
    const QString erreur = TestSupport::erreur([&] { f.Form_Load(); });
    QVERIFY(erreur.startsWith(QString::number(numero) + QLatin1Char(' ')));
    // The unhandled path logs nothing and shows no trapped-error message.
    const QString journal = k.dossier.filePath(QStringLiteral("MAINTEN.MDB"));
    QCOMPARE(TestSupport::valeurSql(journal, QStringLiteral("SELECT count(*) FROM Erreurs")).toInt(),
             erreursCompactage);
    QCOMPARE(boite.textes.size(), erreursCompactage);
    QCOMPARE(f.windowTitle().startsWith(QStringLiteral("Gestion - DACORVANE.mdb  ")), legendeFaite);
}

void TestDemarrage::messageErreurExecution()
{
    TestSupport::BoiteMessageTest boite;
    const RuntimeError erreur(Erreurs::FichierIntrouvable, QStringLiteral("Fichier introuvable"));
    Application::SignalerErreurExecution(erreur);
    QCOMPARE(boite.titres, QStringList{QStringLiteral("Erreur d'exécution")});
    QCOMPARE(boite.textes, QStringList{QStringLiteral("Erreur d'exécution '53':\n\nFichier introuvable")});
}

void TestDemarrage::programmeSignal_data()
{
    QTest::addColumn<Signal>("ligne");
    QTest::newRow("boîte de l'erreur non traitée")
        << Signal{"sans base", "Erreur d'exécution '53':\n\nFichier introuvable", SIGINT};
    // The window closes as "Fin" does, then the program ends with the signal's status.
    QTest::newRow("fenêtre") << Signal{"normale", "ouverte", SIGTERM};
    QTest::newRow("pendant le compactage") << Signal{"grosse base", "copie", SIGTERM};
}

void TestDemarrage::programmeSignal()
{
    QFETCH(Signal, ligne);
    const auto &[cas, attente, signal] = ligne;
    // 150 MB to copy: the signal comes while the compaction writes.
    const QString lest = QStringLiteral(
        "CREATE TABLE Lest (x BLOB); WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r "
        "WHERE n < 150000) INSERT INTO Lest SELECT randomblob(1000) FROM r;");
    Kiosque k(cas == QLatin1String("sans base") ? QString() : QStringLiteral("dacorvane.mdb"),
              cas == QLatin1String("grosse base") ? lest : QString());
    const QString copie = k.dossier.filePath(QStringLiteral("NEWK7.MDB"));
    QProcess programme;
    programme.start(cheminProgramme(), {QStringLiteral("--dossier"), k.dossier.path()});
    QVERIFY2(programme.waitForStarted(), qPrintable(programme.errorString()));

    QByteArray erreurs;
    const auto pret = [&] {
        erreurs += programme.readAllStandardError();
        if (attente == QLatin1String("copie"))
            return QFileInfo::exists(copie);
        if (attente == QLatin1String("ouverte"))
            return tientOuvert(programme.processId(), QStringLiteral("dacorvane.mdb"));
        return erreurs.contains(attente.toUtf8());
    };
    for (int i = 0; i < 6000 && !pret(); ++i)
        QVERIFY2(!programme.waitForFinished(10), erreurs.constData());
    QVERIFY2(pret(), erreurs.constData());
    if (attente != QLatin1String("copie"))
        QTest::qWait(300);   // into the box's loop
    QVERIFY(programme.state() == QProcess::Running);
    ::kill(pid_t(programme.processId()), signal);
    QVERIFY(programme.waitForFinished(20000));
    erreurs += programme.readAllStandardError();
    QCOMPARE(programme.exitStatus(), QProcess::NormalExit);
    QCOMPARE(programme.exitCode(), 128 + signal);
    QCOMPARE(erreurs.contains("Erreur d'exécution"), cas == QLatin1String("sans base"));
    // Nothing left half-written: no copy of the compaction, no backup in its place, the database whole.
    QVERIFY(!QFileInfo::exists(copie));
    if (attente == QLatin1String("copie"))
        QVERIFY(!QFileInfo::exists(k.dossier.filePath(QStringLiteral("OLDK7.BAK"))));
    if (!k.base.isEmpty())
        QCOMPARE(valeurSql(k.base, QStringLiteral("SELECT count(*) FROM Ventes")), QStringLiteral("4"));
}

void TestDemarrage::finSansEcriture()
{
    // A write-back that fails is skipped; the connection still closes.
    Kiosque k;
    FrmGestion f;
    f.Form_Load();
    f.RsParametres.setField(QStringLiteral("Caisse"), Value(Currency{10000}));
    TestSupport::executerSql(k.base, QStringLiteral("DROP TABLE Parametres"));
    f.close();
    QVERIFY(!f.Connexion.isOpen());
}

void TestDemarrage::ligneDeCommande()
{
    QStringList messages;
    const QList<QStringList> lignes = {{"--dossier", QDir::tempPath()}, {"--dossier", "/nulle/part"}, {"--rien"},
                                       {"-x"}, {"fichier.mdb"}};
    for (const QStringList &arguments : lignes)
        messages << AnalyserLigneDeCommande(QStringList{QStringLiteral("corvane")} + arguments).erreur;
    QCOMPARE(messages, (QStringList{"", "Dossier introuvable : /nulle/part", "Option inconnue : --rien",
                                    "Option inconnue : -x", "Argument inattendu : fichier.mdb"}));
}

CORVANE_TEST(TestDemarrage)
#include "tst_demarrage.moc"
