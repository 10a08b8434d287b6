#include "TestSupport.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <memory>

namespace {

void ecrire(const QString &chemin, const QByteArray &octets)
{
    QFile f(chemin);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(chemin));
    QCOMPARE(f.write(octets), octets.size());
}

// An ini text whose é is one byte (Windows-1252).
QByteArray ansi(const QString &texte) { return texte.toLatin1(); }

QString lire(const QString &fichier)
{
    const QString defaut = QStringLiteral(" dacorvane ");
    return LireIniString(fichier, QStringLiteral("Base de donnée"), QStringLiteral("Nom"), defaut);
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    // Each test works in a temporary folder of its own, also the current folder, that holds
    // the kiosk folder the path helpers look into.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        QVERIFY(QDir().mkpath(QStringLiteral("Kiosque/Sous")));
        QVERIFY(QDir().mkpath(QStringLiteral("Kiosque/dossier.mdb")));
        for (const char *nom : {"Mainten.mdb", ".cache.mdb", "Sous/f.mdb", "Dacorvane.mdb", "exact.txt", "Exact.txt",
                                "EXACT.txt", "Straße.ini", ".Cache"})
            ecrire(QStringLiteral("Kiosque/") + QString::fromUtf8(nom), "x");
    }
    void cleanup()
    {
        QDir::setCurrent(m_avant);
        Plateforme::definirCheminApplication(QString());
    }

    void lireIniString_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // null: no file
        QTest::addColumn<QString>("attendu");

        const QString t = QStringLiteral("[Base de donnée]\r\nNom=café\r\n");
        QTest::newRow("blancs et tabulations") << ansi("  [ Base de donnée ]  \r\n\tNom =  \tabc \t\r\n") << "ABC";
        QTest::newRow("fichier absent") << QByteArray() << "DACORVANE";
        QTest::newRow("valeur vide") << ansi("[Base de donnée]\r\nNom=   \r\n") << "";
        QTest::newRow("coupée à 254 avant les blancs")
            << ansi("[Base de donnée]\r\nNom=\"  " + QString(260, QLatin1Char('a')) + "\"\r\n")
            << QString(252, QLatin1Char('A'));
        QTest::newRow("UTF-8 avec BOM")
            << QByteArray("\xEF\xBB\xBF") + QStringLiteral("[Base de donnée]\nNom=café\n").toUtf8() << "CAFÉ";
        QTest::newRow("UTF-16 avec BOM")
            << QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(t.utf16()), t.size() * 2) << "CAFÉ";
        QTest::newRow("€ Windows-1252") << QByteArray("[Base de donn\xE9" "e]\nNom=\x80" "5\n") << "€5";
        QTest::newRow("seule la première section compte")
            << ansi("[Base de donnée]\r\nAutre=a\r\n[base de donnée]\r\nNom=b\r\n") << "DACORVANE";
        QTest::newRow("fins de ligne LF et CR") << ansi("Nom=x\n[Autre]\rNom=x\r[Base de donnée]\nNom=y") << "Y";
        // Only the first megabytes are read, in whole lines: one endless line gives the default.
        QTest::newRow("ligne sans fin")
            << ansi("[Base de donnée]\r\nNom=") + QByteArray(12 * 1024 * 1024, 'y') << "DACORVANE";
    }

    void lireIniString()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, attendu);
        if (!contenu.isNull())
            ecrire(QStringLiteral("velmara.ini"), contenu);
        TestSupport::BoiteMessageTest boite;

        // Read through the upper-cased name, as the program builds it.
        QCOMPARE(lire(QStringLiteral("VELMARA.INI")), attendu);
        QCOMPARE(boite.textes, QStringList());
    }

    void lireIniString_illisible_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QString>("erreur"); // number and description, on two lines
        QTest::newRow("dossier")
            << "VELMARA.ini" << QString::number(Erreurs::AccesChemin) + "\rErreur d'accès au chemin/fichier";
        // Its first page is never mapped: the read fails.
        QTest::newRow("lecture impossible")
            << "/proc/self/mem" << QString::number(Erreurs::EntreeSortie) + "\rErreur d'entrée/sortie";
    }

    void lireIniString_illisible()
    {
        QFETCH(QString, fichier);
        QFETCH(QString, erreur);
        QVERIFY(QDir().mkdir(QStringLiteral("velmara.ini")));
        TestSupport::BoiteMessageTest boite;

        QCOMPARE(lire(fichier), QString());
        QCOMPARE(boite.titres, QStringList{QStringLiteral("LireIniString")});
        QCOMPARE(boite.textes,
                 QStringList{QStringLiteral("Erreur N°:\r%1\rAppuyez sur (A) pour continuer").arg(erreur)});
    }

    void fichierExiste_data()
    {
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<bool>("attendu");
        QTest::newRow("autre casse") << "KIOSQUE/" << "MAINTEN.MDB" << true;
        QTest::newRow("joker *") << "Kiosque" << "*.mdb" << false;
        QTest::newRow("fichier caché") << "Kiosque" << ".cache.mdb" << false;
        QTest::newRow("dossier du même nom") << "Kiosque" << "Dossier.mdb" << false;
    }

    void fichierExiste()
    {
        QFETCH(QString, dossier);
        QFETCH(QString, fichier);
        QFETCH(bool, attendu);
        QCOMPARE(FichierExiste(dossier, fichier), attendu);
    }

    // The folder as the system names it, never upper-cased. Names here may end
    // with a blank: kept when only that names an existing folder.
    void repertoireApplication()
    {
        QVERIFY(QDir().mkpath(QStringLiteral("Borne ")));
        Plateforme::definirCheminApplication(QStringLiteral("  /srv/Kiosque  "));
        QCOMPARE(RepertoireApplication(), QStringLiteral("/srv/Kiosque/"));
        Plateforme::definirCheminApplication(QStringLiteral("Borne "));
        QCOMPARE(RepertoireApplication(), QStringLiteral("Borne /"));
    }

    void resoudreChemin_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("majuscules, entrée cachée") << "KIOSQUE/.CACHE" << "Kiosque/.Cache";
        QTest::newRow("partie du milieu absente")
            << "KIOSQUE/absent/DACORVANE.MDB" << "Kiosque/absent/DACORVANE.MDB";
        QTest::newRow("exact préféré") << "Kiosque/exact.txt" << "Kiosque/exact.txt";
        QTest::newRow("premier dans l'ordre des noms") << "Kiosque/eXact.txt" << "Kiosque/EXACT.txt";
        QTest::newRow("point point")
            << "KIOSQUE/../KIOSQUE/DACORVANE.MDB" << "Kiosque/../Kiosque/Dacorvane.mdb";
        QTest::newRow("majuscule plus longue") << "KIOSQUE/STRASSE.INI" << "Kiosque/Straße.ini";
    }

    void resoudreChemin()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, attendu);
        QCOMPARE(::resoudreChemin(chemin), attendu);
        QCOMPARE(::resoudreChemin(QString()), QString());
    }

private:
    const QString m_avant = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> m_dir;
};

CORVANE_TEST(TestConfiguration)
#include "tst_configuration.moc"
