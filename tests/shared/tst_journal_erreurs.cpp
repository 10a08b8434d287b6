#include "TestSupport.h"
#include "shared/Configuration.h"
#include "journal/JournalErreurs.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <memory>
#include <sqlite3.h>

namespace {

struct Cas { QString contexte; int numero; QString description, texte; };

int nombreErreurs(const QString &base)
{
    return TestSupport::valeurSql(base, QStringLiteral("SELECT count(*) FROM Erreurs")).toInt();
}

// Records, at the moment each message is shown, how many records the log holds.
class BoiteQuiCompte : public TestSupport::BoiteMessageTest
{
public:
    explicit BoiteQuiCompte(QString base) : m_base(std::move(base)) {}
    void afficher(const QString &texte, const QString &titre) override
    {
        lignesAuMessage << nombreErreurs(m_base);
        BoiteMessageTest::afficher(texte, titre);
    }
    QList<int> lignesAuMessage;

private:
    QString m_base;
};

RuntimeError utilisationDeNull() { return RuntimeError(94, QStringLiteral("Utilisation incorrecte de Null")); }

QString maintenant() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

} // namespace

Q_DECLARE_METATYPE(Cas)

class TestJournalErreurs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_base = m_dir->filePath(QStringLiteral("MAINTEN.MDB"));
        TestSupport::creerBase(m_base, TestSupport::schemaMaintenance());
        Plateforme::definirCheminApplication(m_dir->path());
        reinitialiserRepMaintenance();
    }

    void cleanup()
    {
        Plateforme::definirCheminApplication(QString());
        reinitialiserRepMaintenance();
        m_dir.reset();
    }

    void traiterErreur_data()
    {
        QTest::addColumn<Cas>("cas");
        QTest::newRow("rapport") << Cas{"TotalVentes", 94, "Utilisation incorrecte de Null",
                                        "N°: 94 Utilisation incorrecte de Null"};
        QTest::newRow("contexte vide, nombre négatif")
            << Cas{"", Erreurs::NumeroBaseDeDonnees, "Base verrouillée", "N°: -2147467259 Base verrouillée"};
    }

    void traiterErreur()
    {
        QFETCH(Cas, cas);
        BoiteQuiCompte boite(m_base);
        const QString avant = maintenant();

        TraiterErreur(cas.contexte, RuntimeError(cas.numero, cas.description));

        const QString apres = maintenant();
        QCOMPARE(boite.textes, QStringList{cas.texte});
        QCOMPARE(boite.titres, QStringList{QStringLiteral("Corvane")});
        QCOMPARE(boite.lignesAuMessage, QList<int>{1});    // written before the message
        QCOMPARE(TestSupport::valeurSql(m_base, "SELECT Contexte || '|' || Erreur FROM Erreurs"),
                 cas.contexte + '|' + cas.texte);
        const QString date = TestSupport::valeurSql(m_base, QStringLiteral("SELECT DateErreur FROM Erreurs"));
        QVERIFY2(avant <= date && date <= apres, qPrintable(date));
        QCOMPARE(RepMaintenance(), RepertoireApplication());
    }

    void journalAbsentPuisRestaure()
    {
        TestSupport::BoiteMessageTest boite;
        const QString ailleurs = m_dir->filePath(QStringLiteral("copie.sqlite"));
        QVERIFY(QFile::rename(m_base, ailleurs));

        TraiterErreur(QStringLiteral("TotalVentes"), utilisationDeNull());
        QCOMPARE(boite.textes.size(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("copie.sqlite")});

        // Restored under another case: the existence test runs at every write, in the
        // folder fixed by the first error whatever the application folder now is.
        const QString restaure = m_dir->filePath(QStringLiteral("mainten.mdb"));
        QVERIFY(QFile::rename(ailleurs, restaure));
        Plateforme::definirCheminApplication(QDir::tempPath());
        TraiterErreur(QString(), RuntimeError(482, QStringLiteral("Erreur d'imprimante")));
        QCOMPARE(boite.textes.size(), 2);
        QCOMPARE(TestSupport::valeurSql(restaure, QStringLiteral("SELECT group_concat(Erreur) FROM Erreurs")),
                 QStringLiteral("N°: 482 Erreur d'imprimante"));
    }

    // The record cannot be written: the error is still shown, and no half record is left.
    void journalInutilisable_data()
    {
        QTest::addColumn<QString>("sql"); // run by another connection, open during the write
        QTest::newRow("champ absent")
            << "DROP TABLE Erreurs; CREATE TABLE Erreurs (DateErreur DATETIME, Erreur LONGTEXT)";
        QTest::newRow("contexte vide refusé") << "DROP TABLE Erreurs; CREATE TABLE Erreurs (DateErreur DATETIME, "
                                                 "Contexte VARCHAR(50) CHECK (Contexte <> ''), Erreur LONGTEXT)";
        // Gives up once the connection's busy timeout has run out.
        QTest::newRow("verrou d'écriture") << "BEGIN IMMEDIATE";
    }

    void journalInutilisable()
    {
        QFETCH(QString, sql);
        sqlite3 *autre = nullptr;
        QCOMPARE(sqlite3_open_v2(m_base.toUtf8().constData(), &autre, SQLITE_OPEN_READWRITE, nullptr), 0);
        QCOMPARE(sqlite3_exec(autre, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        TestSupport::BoiteMessageTest boite;

        TraiterErreur(QString(), utilisationDeNull());

        sqlite3_close(autre);    // also rolls the lock's transaction back
        QCOMPARE(boite.textes, QStringList{QStringLiteral("N°: 94 Utilisation incorrecte de Null")});
        QCOMPARE(nombreErreurs(m_base), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base;
};

CORVANE_TEST(TestJournalErreurs)
#include "tst_journal_erreurs.moc"
