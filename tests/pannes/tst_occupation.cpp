// Others using the kiosk's folder at start-up: another Corvane, a shell with
// the database open, a user who may not keep the database's owner. The compaction and the key's copy replace nothing under
// them and say who holds what, in French, through their own trap.
#include "BasesTest.h"
#include "DossierPannes.h"

#include "maintenance/ReparerDatabase.h"

#include <QDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace BasesTest;
using namespace Pannes;

class TestOccupation : public DossierPannes
{
    Q_OBJECT

private slots:
    void init() { preparer(); }
    void cleanup() { nettoyer(); }

    // Another Corvane on the folder, or a shell with the database open: neither
    // the compaction nor the key's copy replaces anything, the message says who
    // holds it, and the shell's next write lands in the database. A holder
    // killed lets go of the folder.
    void baseOccupee_data()
    {
        QTest::addColumn<bool>("ordinaire");
        QTest::addColumn<QString>("detenteur");   // tenir: a window; sqlite3: the shell; tue: a window killed
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");     // what the one message says after the file; "" none
        const QString corvane = QStringLiteral(" : déjà utilisé par un autre Corvane ; ");
        QTest::newRow("autre Corvane, compactage")
            << false << "tenir" << "reparer" << corvane + "la base de données n'a pas été compactée";
        QTest::newRow("autre Corvane, clé")
            << false << "tenir" << "cle" << corvane + "aucun fichier de la clé n'a été copié";
        // An ordinary user cannot look into the superuser's processes.
        QTest::newRow("sqlite3, compactage, utilisateur ordinaire")
            << true << "sqlite3" << "reparer" << " : déjà utilisé par un autre programme (sqlite3, processus ";
        QTest::newRow("Corvane tué") << false << "tue" << "reparer" << QString();
    }

    void baseOccupee()
    {
        QFETCH(bool, ordinaire);
        QFETCH(QString, detenteur);
        QFETCH(QString, action);
        QFETCH(QString, message);
        creer(cle(Base), QStringLiteral("clé"), 100);
        QFile::setPermissions(m_tmp->path(), QFileDevice::Permissions(0x7755));
        ouvrirATous(cle());
        QStringList droits;
        if (ordinaire) {
            droits << QStringLiteral("--sans-droits");
            for (const QString &nom : QDir(app()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotDot))
                if (::geteuid() == 0 && ::chown(QFile::encodeName(app(nom)).constData(), 65534, 65534) != 0)
                    QFAIL("chown");
        }
        const bool shell = detenteur == QLatin1String("sqlite3");
        Detenteur d(droits + (shell ? QStringList{QStringLiteral("sqlite3"), app(Base)}
                                    : QStringList{QStringLiteral("tenir"), app()}),
                    shell ? "pret" : "\"ventes\"", shell ? "SELECT 'pret';\n" : "");
        if (d.code() == 3)
            QSKIP("the superuser's rights cannot be dropped on this machine (setuid refused)");
        QVERIFY(d.tenu());
        if (detenteur == QLatin1String("tue"))
            d.tuer();
        const auto avant = empreintes(app());

        const Enfant e = lancer(droits + QStringList{QStringLiteral("--cle"), cle(), action, app()});

        QCOMPARE(e.code, 0);
        QCOMPARE(nombreVentes(app(Base)), ventesRestantes(Ventes));
        QVERIFY(!existe(app(QStringLiteral("NEWK7.MDB"))));
        if (message.isEmpty()) {
            QCOMPARE(e.messages, QStringList());
            QCOMPARE(etat(app(Base)), QStringLiteral("compactée"));
            return;
        }
        QCOMPARE(e.messages.size(), 1);
        QVERIFY(e.messages.at(0).startsWith(QStringLiteral("N°: 3045 Impossible d'utiliser « ")));
        QVERIFY(e.messages.at(0).contains(message));
        const QString contexte = action == QLatin1String("reparer") ? QStringLiteral("ReparerDatabase") : QString();
        QCOMPARE(erreursJournal().value(0), contexte + QLatin1Char('|') + e.messages.at(0));
        verifierInchange(avant);
        if (shell) {
            d.ecrire("INSERT INTO Telecollectes VALUES (77, '2026-02-02 00:00:00', 'écrite');\n");
            d.relacher();
            QCOMPARE(TestSupport::valeurSql(app(Base), QStringLiteral("SELECT Ticket FROM Telecollectes "
                                                                      "WHERE NoTelecollecte = 77")),
                     QStringLiteral("écrite"));
        }
    }

    // An ordinary user compacts a database of the superuser's (in a folder it
    // may write): the copy cannot keep the owner, and the log says so.
    void proprietaireNonGarde()
    {
        if (::geteuid() != 0)
            QSKIP("only the superuser can give the database an owner the compaction cannot keep");
        QFile::setPermissions(m_tmp->path(), QFileDevice::Permissions(0x7755));
        ouvrirATous(app());
        QVERIFY(::chmod(QFile::encodeName(app()).constData(), 0777) == 0
                && ::chmod(QFile::encodeName(app(Journal)).constData(), 0666) == 0);

        const Enfant e = lancer({QStringLiteral("--sans-droits"), QStringLiteral("reparer"), app()});

        if (e.code == 3)
            QSKIP("the superuser's rights cannot be dropped on this machine (setuid refused)");
        QCOMPARE(e.messages, QStringList());
        QCOMPARE(etat(app(Base)), QStringLiteral("compactée"));
        QCOMPARE(BasesTest::mode(app(Base)), 0644);
        const QStringList notes = erreursJournal();
        QVERIFY(!notes.isEmpty());
        for (const QString &note : notes)
            QVERIFY(note.startsWith(QStringLiteral("ReparerDatabase|Le propriétaire du fichier (uid 0, gid 0) n'a pas "
                                                   "été gardé : Permission refusée (attributs de « ")));
    }
};

CORVANE_TEST(TestOccupation)
#include "tst_occupation.moc"
