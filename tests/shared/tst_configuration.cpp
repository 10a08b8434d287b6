#include "TestSupport.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {

const QString Section = QStringLiteral("Base de donnée");

void ecrire(const QString &chemin, const QByteArray &octets)
{
    QFile f(chemin);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(chemin));
    QCOMPARE(f.write(octets), octets.size());
}

// An ini text whose é is one byte (Windows-1252) or two (UTF-8).
QByteArray ansi(const QString &texte) { return texte.toLatin1(); }
QByteArray utf8(const QString &texte) { return texte.toUtf8(); }

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Plateforme::definirCheminApplication(QString()); }

    void lireIniString_data();
    void lireIniString();
    void lireIniString_fichierAbsent();
    void lireIniString_illisible();
    void lireIniString_tresGrosFichier();
    void composerMessageErreur();
    void normaliserRepertoire_data();
    void normaliserRepertoire();
    void fichierExiste_data();
    void fichierExiste();
    void repertoireApplication_data();
    void repertoireApplication();
    void repertoireApplication_ouvreSesFichiers();
    void resoudreChemin_data();
    void resoudreChemin();
    void resoudreChemin_relatif();
};

void TestConfiguration::lireIniString_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("defaut");
    QTest::addColumn<QString>("attendu");

    const QString d = QStringLiteral(" dacorvane ");
    const QString longue = QString(260, QLatin1Char('a'));
    QTest::newRow("blancs et casse") << ansi("[Base de donnée]\r\nNom=  abc  \r\n") << d << "ABC";
    QTest::newRow("tabulations") << ansi("[Base de donnée]\r\nNom =\tabc\t\r\n") << d << "ABC";
    QTest::newRow("clé absente") << ansi("[Base de donnée]\r\nAutre=x\r\n") << d << "DACORVANE";
    QTest::newRow("section absente") << ansi("[Autre]\r\nNom=x\r\n") << d << "DACORVANE";
    QTest::newRow("clé d'une autre section")
        << ansi("[Autre]\r\nNom=x\r\n[Base de donnée]\r\nAutre=y\r\n") << d << "DACORVANE";
    QTest::newRow("valeur vide") << ansi("[Base de donnée]\r\nNom=\r\n") << d << "";
    QTest::newRow("valeur de blancs") << ansi("[Base de donnée]\r\nNom=   \r\n") << d << "";
    QTest::newRow("section et clé sans casse") << ansi("[BASE DE DONNÉE]\r\nnOM=x\r\n") << d << "X";
    QTest::newRow("coupée à 254") << ansi("[Base de donnée]\r\nNom=" + longue + "\r\n") << d
                                  << QString(254, QLatin1Char('A'));
    QTest::newRow("coupée avant les blancs")
        << ansi("[Base de donnée]\r\nNom=\"  " + longue + "\"\r\n") << d << QString(252, QLatin1Char('A'));
    QTest::newRow("défaut coupé") << ansi("") << longue << QString(254, QLatin1Char('A'));
    QTest::newRow("é Windows-1252") << ansi("[Base de donnée]\r\nNom=café\r\n") << d << "CAFÉ";
    QTest::newRow("é UTF-8") << utf8("[Base de donnée]\r\nNom=café\r\n") << d << "CAFÉ";
    QTest::newRow("UTF-8 avec BOM") << QByteArray("\xEF\xBB\xBF") + utf8("[Base de donnée]\nNom=café\n")
                                    << d << "CAFÉ";
    {
        const QString t = QStringLiteral("[Base de donnée]\r\nNom=café\r\n");
        QTest::newRow("UTF-16 avec BOM")
            << QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(t.utf16()), t.size() * 2) << d
            << "CAFÉ";
    }
    QTest::newRow("€ Windows-1252") << QByteArray("[Base de donn\xE9" "e]\nNom=\x80" "5\n") << d << "€5";
    QTest::newRow("commentaires") << ansi("[Base de donnée]\r\n;Nom=x\r\n  ; Nom=y\r\nNom=z\r\n") << d << "Z";
    QTest::newRow("ligne sans égal") << ansi("[Base de donnée]\r\nNom\r\nNom=z\r\n") << d << "Z";
    QTest::newRow("première clé") << ansi("[Base de donnée]\r\nNom=a\r\nNom=b\r\n") << d << "A";
    QTest::newRow("première section")
        << ansi("[Base de donnée]\r\nNom=a\r\n[Base de donnée]\r\nNom=b\r\n") << d << "A";
    QTest::newRow("seule la première section compte")
        << ansi("[Base de donnée]\r\nAutre=a\r\n[base de donnée]\r\nNom=b\r\n") << d << "DACORVANE";
    QTest::newRow("guillemets") << ansi("[Base de donnée]\r\nNom=\" abc \"\r\n") << d << "ABC";
    QTest::newRow("égal dans la valeur") << ansi("[Base de donnée]\r\nNom=a=b\r\n") << d << "A=B";
    QTest::newRow("fins de ligne LF") << ansi("Nom=x\n[Base de donnée]\nNom=y\n") << d << "Y";
    QTest::newRow("fins de ligne CR") << ansi("[Autre]\rNom=x\r[Base de donnée]\rNom=y") << d << "Y";
    QTest::newRow("section entre blancs") << ansi("  [ Base de donnée ]  \r\n\tNom = y\r\n") << d << "Y";
}

void TestConfiguration::lireIniString()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QString, defaut);
    QFETCH(QString, attendu);
    QTemporaryDir dir;
    ecrire(dir.filePath(QStringLiteral("velmara.ini")), contenu);
    TestSupport::BoiteMessageTest boite;

    // Read through the upper-cased name, as the program builds it.
    QCOMPARE(LireIniString(dir.path() + QStringLiteral("/VELMARA.INI"), Section, QStringLiteral("Nom"), defaut),
             attendu);
    QCOMPARE(boite.textes, QStringList());
}

void TestConfiguration::lireIniString_fichierAbsent()
{
    QTemporaryDir dir;
    TestSupport::BoiteMessageTest boite;
    QCOMPARE(LireIniString(dir.filePath(QStringLiteral("velmara.ini")), Section, QStringLiteral("Nom"),
                           QStringLiteral("dacorvane")),
             QStringLiteral("DACORVANE"));
    QCOMPARE(LireIniString(dir.filePath(QStringLiteral("absent/velmara.ini")), Section, QStringLiteral("Nom"),
                           QStringLiteral("dacorvane")),
             QStringLiteral("DACORVANE"));
    QCOMPARE(boite.textes, QStringList());
}

void TestConfiguration::lireIniString_illisible()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("velmara.ini")));
    TestSupport::BoiteMessageTest boite;
    QCOMPARE(LireIniString(dir.filePath(QStringLiteral("VELMARA.ini")), Section, QStringLiteral("Nom"),
                           QStringLiteral("dacorvane")),
             QString());
    QCOMPARE(boite.titres, QStringList{QStringLiteral("LireIniString")});
    QCOMPARE(boite.textes.value(0),
             ComposerMessageErreur(RuntimeError(Erreurs::AccesChemin, QStringLiteral("Erreur d'accès au chemin/fichier"))));

    // A file whose reading fails (its first page is never mapped).
    QCOMPARE(LireIniString(QStringLiteral("/proc/self/mem"), Section, QStringLiteral("Nom"), QStringLiteral("d")),
             QString());
    QCOMPARE(boite.textes.size(), 2);
    QVERIFY(boite.textes.at(1).startsWith(QStringLiteral("Erreur N°:\r57\r")));

    if (::geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
    const QString fichier = dir.filePath(QStringLiteral("autre.ini"));
    ecrire(fichier, "[Base de donn\xE9" "e]\r\nNom=x\r\n");
    QVERIFY(QFile::setPermissions(fichier, QFileDevice::WriteOwner));
    QCOMPARE(LireIniString(fichier, Section, QStringLiteral("Nom"), QStringLiteral("d")), QString());
    QCOMPARE(boite.textes.size(), 3);
    QVERIFY(boite.textes.at(2).startsWith(QStringLiteral("Erreur N°:\r70\r")));
}

void TestConfiguration::lireIniString_tresGrosFichier()
{
    // Only the first megabytes are read: a key at the start is found, one far
    // beyond is not, and a file that is one endless line gives the default.
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("velmara.ini"));
    QByteArray contenu = "[Base de donn\xE9" "e]\r\nNom=debut\r\n";
    const QByteArray remplissage = QByteArray(";") + QByteArray(98, 'x') + "\r\n";
    while (contenu.size() < 12 * 1024 * 1024)
        contenu += remplissage;
    contenu += "Fin=loin\r\n";
    ecrire(fichier, contenu);
    TestSupport::BoiteMessageTest boite;
    QCOMPARE(LireIniString(fichier, Section, QStringLiteral("Nom"), QStringLiteral("d")), QStringLiteral("DEBUT"));
    QCOMPARE(LireIniString(fichier, Section, QStringLiteral("Fin"), QStringLiteral("d")), QStringLiteral("D"));

    ecrire(fichier, "[Base de donn\xE9" "e]\r\nNom=" + QByteArray(12 * 1024 * 1024, 'y'));
    QCOMPARE(LireIniString(fichier, Section, QStringLiteral("Nom"), QStringLiteral("d")), QStringLiteral("D"));
    QCOMPARE(boite.textes, QStringList());
}

void TestConfiguration::composerMessageErreur()
{
    QCOMPARE(ComposerMessageErreur(RuntimeError(53, QStringLiteral("Fichier introuvable"))),
             QStringLiteral("Erreur N°:\r53\rFichier introuvable\rAppuyez sur (A) pour continuer"));
    QCOMPARE(ComposerMessageErreur(RuntimeError(Erreurs::NumeroBaseDeDonnees, QStringLiteral("verrou"))),
             QStringLiteral("Erreur N°:\r-2147467259\rverrou\rAppuyez sur (A) pour continuer"));
}

void TestConfiguration::normaliserRepertoire_data()
{
    QTest::addColumn<QString>("dossier");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("vide") << "" << "/";
    QTest::newRow("sans séparateur") << "/data" << "/data/";
    QTest::newRow("avec séparateur") << "/data/" << "/data/";
    QTest::newRow("séparateur doublé") << "/data//" << "/data//";
    QTest::newRow("racine") << "/" << "/";
    QTest::newRow("barre inverse") << "C:\\DATA\\" << "C:\\DATA\\/";
}

void TestConfiguration::normaliserRepertoire()
{
    QFETCH(QString, dossier);
    QFETCH(QString, attendu);
    QCOMPARE(NormaliserRepertoire(dossier), attendu);
}

void TestConfiguration::fichierExiste_data()
{
    QTest::addColumn<QString>("dossier");   // relative to the temporary folder
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<bool>("attendu");
    QTest::newRow("même casse") << "Kiosque" << "Mainten.mdb" << true;
    QTest::newRow("autre casse") << "Kiosque" << "MAINTEN.MDB" << true;
    QTest::newRow("dossier en majuscules") << "KIOSQUE/" << "mainten.mdb" << true;
    QTest::newRow("lecture seule") << "Kiosque" << "LECTURE.MDB" << true;
    QTest::newRow("fichier absent") << "Kiosque" << "autre.mdb" << false;
    QTest::newRow("joker *") << "Kiosque" << "*.mdb" << false;
    QTest::newRow("joker ?") << "Kiosque" << "Mainten.md?" << false;
    QTest::newRow("sous-dossier") << "Kiosque" << "Sous/f.mdb" << false;
    QTest::newRow("dossier absent") << "Absent" << "Mainten.mdb" << false;
    QTest::newRow("fichier caché") << "Kiosque" << ".cache.mdb" << false;
    QTest::newRow("dossier du même nom") << "Kiosque" << "Dossier.mdb" << false;
    QTest::newRow("nom vide") << "Kiosque" << "" << false;
}

void TestConfiguration::fichierExiste()
{
    QFETCH(QString, dossier);
    QFETCH(QString, fichier);
    QFETCH(bool, attendu);
    QTemporaryDir dir;
    QDir racine(dir.path());
    QVERIFY(racine.mkpath(QStringLiteral("Kiosque/Sous")));
    QVERIFY(racine.mkpath(QStringLiteral("Kiosque/dossier.mdb")));
    ecrire(dir.filePath(QStringLiteral("Kiosque/Mainten.mdb")), "x");
    ecrire(dir.filePath(QStringLiteral("Kiosque/.cache.mdb")), "x");
    ecrire(dir.filePath(QStringLiteral("Kiosque/Sous/f.mdb")), "x");
    ecrire(dir.filePath(QStringLiteral("Kiosque/lecture.mdb")), "x");
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("Kiosque/lecture.mdb")), QFileDevice::ReadOwner));

    QCOMPARE(FichierExiste(dir.path() + QLatin1Char('/') + dossier, fichier), attendu);
}

void TestConfiguration::repertoireApplication_data()
{
    QTest::addColumn<QString>("dossier");
    QTest::addColumn<QString>("attendu");
    // The folder as the system names it, never upper-cased.
    QTest::newRow("dossier") << "/srv/kiosque" << "/srv/kiosque/";
    QTest::newRow("avec séparateur") << "/srv/kiosque/" << "/srv/kiosque/";
    QTest::newRow("blancs") << "  /srv/Kiosque  " << "/srv/Kiosque/";
    QTest::newRow("racine") << "/" << "/";
    QTest::newRow("accents") << "/srv/données" << "/srv/données/";
}

void TestConfiguration::repertoireApplication()
{
    QFETCH(QString, dossier);
    QFETCH(QString, attendu);
    Plateforme::definirCheminApplication(dossier);
    QCOMPARE(RepertoireApplication(), attendu);
}

void TestConfiguration::repertoireApplication_ouvreSesFichiers()
{
    // The folder reaches its files, named in any case, even when its name
    // ends with a blank.
    QTemporaryDir dir;
    const QString kiosque = dir.filePath(QStringLiteral("Kiosque "));
    QVERIFY(QDir().mkpath(kiosque));
    ecrire(kiosque + QStringLiteral("/velmara.ini"), ansi("[Base de donnée]\r\nNom=Ventes\r\n"));
    Plateforme::definirCheminApplication(kiosque);

    const QString rep = RepertoireApplication();
    QCOMPARE(rep, kiosque + QLatin1Char('/'));
    QVERIFY(FichierExiste(rep, QStringLiteral("VELMARA.INI")));
    QCOMPARE(LireIniString(rep + QStringLiteral("velmara.ini"), Section, QStringLiteral("Nom"), QStringLiteral("d")),
             QStringLiteral("VENTES"));
}

void TestConfiguration::resoudreChemin_data()
{
    QTest::addColumn<QString>("chemin");    // relative to the temporary folder
    QTest::addColumn<QString>("attendu");
    QTest::newRow("exact") << "Kiosque/Dacorvane.mdb" << "Kiosque/Dacorvane.mdb";
    QTest::newRow("majuscules") << "KIOSQUE/DACORVANE.MDB" << "Kiosque/Dacorvane.mdb";
    QTest::newRow("dernière partie absente") << "KIOSQUE/nouveau.mdb" << "Kiosque/nouveau.mdb";
    QTest::newRow("partie du milieu absente") << "KIOSQUE/absent/DACORVANE.MDB" << "Kiosque/absent/DACORVANE.MDB";
    QTest::newRow("exact préféré") << "Kiosque/exact.txt" << "Kiosque/exact.txt";
    QTest::newRow("premier dans l'ordre des noms") << "Kiosque/eXact.txt" << "Kiosque/EXACT.txt";
    QTest::newRow("séparateur final") << "KIOSQUE/" << "Kiosque/";
    QTest::newRow("séparateur doublé") << "KIOSQUE//DACORVANE.MDB" << "Kiosque//Dacorvane.mdb";
    QTest::newRow("point point") << "KIOSQUE/../KIOSQUE/DACORVANE.MDB" << "Kiosque/../Kiosque/Dacorvane.mdb";
    QTest::newRow("accents") << "KIOSQUE/DONNÉES/A.INI" << "Kiosque/Données/a.ini";
    QTest::newRow("majuscule plus longue") << "KIOSQUE/STRASSE.INI" << "Kiosque/Straße.ini";
    QTest::newRow("entrée cachée") << "KIOSQUE/.CACHE" << "Kiosque/.Cache";
}

void TestConfiguration::resoudreChemin()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    QTemporaryDir dir;
    QDir racine(dir.path());
    QVERIFY(racine.mkpath(QStringLiteral("Kiosque/Données")));
    for (const char *nom : {"Dacorvane.mdb", "exact.txt", "Exact.txt", "EXACT.txt", "Straße.ini", ".Cache",
                            "Données/a.ini"})
        ecrire(dir.filePath(QStringLiteral("Kiosque/") + QString::fromUtf8(nom)), "x");

    QCOMPARE(::resoudreChemin(dir.path() + QLatin1Char('/') + chemin), dir.path() + QLatin1Char('/') + attendu);
    QCOMPARE(::resoudreChemin(QString()), QString());
}

void TestConfiguration::resoudreChemin_relatif()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Kiosque")));
    ecrire(dir.filePath(QStringLiteral("Kiosque/dacorvane.mdb")), "x");
    const QString avant = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString resolu = ::resoudreChemin(QStringLiteral("KIOSQUE/DACORVANE.mdb"));
    QDir::setCurrent(avant);
    QCOMPARE(resolu, QStringLiteral("Kiosque/dacorvane.mdb"));
}

CORVANE_TEST(TestConfiguration)
#include "tst_configuration.moc"
