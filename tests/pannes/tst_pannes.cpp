// Failing machines at start-up: a folder the program may not write, a full
// disk, a damaged database, a key whose file goes away; others using the
// folder: another Corvane, a shell with the database open, a user who may not
// keep the database's owner. Each ends with a French message through the
// step's own trap, and loses nothing: the database and its backup are checked
// byte for byte. Some steps run in a child process that
// can lose its rights, its disk room, or hold the folder.
#include "BasesTest.h"
#include "OperationsDefaillantes.h"
#include "TestSupport.h"

#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"

#include <QtTest>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace BasesTest;

namespace {

const QString Base = QStringLiteral("dacorvane.mdb");
const QString Sauvegarde = QStringLiteral("OLDK7.BAK");
const QString Journal = QStringLiteral("MAINTEN.MDB");
constexpr int Ventes = 2000;

// Every file of a folder but `sauf` with the digest of its bytes.
std::map<QString, QByteArray> empreintes(const QString &dossier, const QString &sauf = {})
{
    std::map<QString, QByteArray> r;
    for (const QString &nom : QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (nom != sauf)
            r[nom] = QCryptographicHash::hash(lire(QDir(dossier).filePath(nom)), QCryptographicHash::Sha256);
    return r;
}

// What the child process wrote: its message boxes and its result.
struct Enfant
{
    QStringList messages;
    QJsonObject resultat;
    int code;
};

Enfant lancer(const QStringList &arguments)
{
    const TestSupport::Execution x = TestSupport::executer(QStringLiteral(PANNES_ENFANT), arguments);
    Enfant e{{}, {}, x.statut};
    for (const QByteArray &ligne : x.sortie.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(ligne).object();
        if (o.contains(QLatin1String("boite")))
            e.messages << o.value(QLatin1String("texte")).toString();
        else if (!o.isEmpty())
            e.resultat = o;
    }
    return e;
}

// Another process that holds the folder or the database (a window, a shell)
// until its input closes; `tenu` once its output showed `marque`.
struct Detenteur
{
    Detenteur(const QStringList &arguments, const QByteArray &marque, const QByteArray &commande)
    {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(PANNES_ENFANT), arguments);
        p.write(commande);
        QByteArray sortie;
        while (!sortie.contains(marque) && p.waitForReadyRead(60000))
            sortie += p.readAll();
        tenu = sortie.contains(marque);
    }
    ~Detenteur() { relacher(); }
    void relacher()
    {
        p.closeWriteChannel();
        if (!p.waitForFinished(60000))
            p.kill();
    }
    QProcess p;
    bool tenu = false;
};

// The folder readable by all (a child may run as another user).
void ouvrirATous(const QString &dossier)
{
    QFile::setPermissions(dossier, QFileDevice::Permissions(0x7755));
    for (const QString &nom : QDir(dossier).entryList(QDir::Files))
        QFile::setPermissions(QDir(dossier).filePath(nom), QFileDevice::Permissions(0x6644));
}

// The context a step of the child logs its errors with.
QString contexte(const QString &action)
{
    return action == QLatin1String("reparer") ? QStringLiteral("ReparerDatabase") : QString();
}

// A holder of the folder (tenir: a window; sqlite3: the shell), the step run beside it, what the
// one message says after the file, for an ordinary user.
struct Occupation { QString detenteur, action, message; bool ordinaire = false; };

} // namespace

Q_DECLARE_METATYPE(Occupation)

// A kiosk folder (database, backup, error log) and a key folder in a temporary folder.
class TestPannes : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString app(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("app/") + nom); }
    QString cle(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("cle/") + nom); }
    QStringList erreursJournal() const { return erreurs(app(Journal)); }

private slots:

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("app")));
        QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("cle")));
        QFile::setPermissions(m_tmp->path(), QFileDevice::Permissions(0x7755));   // for a child run as another user
        creer(app(Base), QStringLiteral("courante"), Ventes);
        creer(app(Sauvegarde), QStringLiteral("précédente"), 100);
        preparerApplication(app());
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }

    void cleanup()
    {
        m_boite.reset();
        QFile::setPermissions(app(), QFileDevice::Permissions(0x7700));
        m_tmp.reset();
    }

    // A folder the program may not write (even as the superuser: the step drops its
    // rights): the copy from the key and the compaction report it, the
    // start-up goes on with the database as it is, nothing changes on disk.
    void dossierEnLectureSeule()
    {
        creer(cle(Base), QStringLiteral("clé"), 100);
        ouvrirATous(cle());
        ouvrirATous(app());
        QFile::setPermissions(app(), QFileDevice::Permissions(0x5555));
        const auto avant = empreintes(app());

        const Enfant e = lancer({QStringLiteral("--sans-droits"), QStringLiteral("--cle"), cle(), "demarrage", app()});

        if (e.code == 3)
            QSKIP("the superuser's rights cannot be dropped on this machine (setuid refused)");
        QCOMPARE(e.code, 0);
        QCOMPARE(e.messages.size(), 2);
        QVERIFY(e.messages.at(0).startsWith(QStringLiteral("N°: 70 Permission refusée (copie de ")));
        QVERIFY(e.messages.at(1).startsWith(QStringLiteral("N°: 70 Permission refusée (écriture de la copie compactée « ")));
        QCOMPARE(e.resultat.value(QLatin1String("ventes")).toInt(-1), ventesRestantes(Ventes));
        QFile::setPermissions(app(), QFileDevice::Permissions(0x7700));
        QVERIFY(avant == empreintes(app()));   // the database and its backup as init() made them
    }

    // The disk fills while the compaction writes its copy, or while the key's
    // file is copied: the database is left whole, no partial file stays.
    void disquePlein_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::newRow("compactage") << "reparer" << "N°: 61 Disque plein (écriture de la copie compactée « ";
        QTest::newRow("copie de la clé") << "cle" << "N°: 61 Disque plein (copie de ";
    }

    void disquePlein()
    {
        QFETCH(QString, action);
        QFETCH(QString, message);
        creer(cle(Base), QStringLiteral("clé"), Ventes);
        const auto avant = empreintes(app(), Journal);
        const qint64 limite = QFileInfo(app(Base)).size() / 3;

        const Enfant e = lancer({QStringLiteral("--taille-max"), QString::number(limite), QStringLiteral("--cle"),
                                 cle(), action, app()});

        QCOMPARE(e.code, 0);
        QCOMPARE(e.messages.size(), 1);
        QVERIFY(e.messages.at(0).startsWith(message));
        QCOMPARE(erreursJournal(), QStringList{contexte(action) + QLatin1Char('|') + e.messages.at(0)});
        QVERIFY(empreintes(app(), Journal) == avant);   // no NEWK7.MDB, journal or CLEUSB.TMP left
    }

    // Each page of the database damaged in turn amid its cells: a compaction
    // that goes through holds every sale (the damage was where a copy does not
    // read: an index, a free page); one that fails says the database is damaged
    // (not, say, that the disk is full) and changes neither the database nor its
    // backup.
    void chaquePageAbimee()
    {
        const qsizetype decalage = 1800, longueur = 400;
        const QByteArray saine = lire(app(Base));
        const QByteArray sauvegarde = lire(app(Sauvegarde));
        const qsizetype page = 4096;
        int signalees = 0;
        for (qsizetype debut = page; debut < saine.size(); debut += page) {
            QByteArray abimee = saine;
            QRandomGenerator alea{quint32(debut)};
            for (qsizetype i = debut + decalage; i < debut + decalage + longueur; ++i)
                abimee[i] = char(alea.bounded(256));
            ecrire(app(Base), abimee);
            ecrire(app(Sauvegarde), sauvegarde);
            m_boite->textes.clear();

            Maintenance::ReparerDatabase(app(Base));

            if (m_boite->textes.isEmpty()) {
                QCOMPARE(nombreVentes(app(Base)), ventesRestantes(Ventes));
                QCOMPARE(TestSupport::valeurSql(app(Base), QStringLiteral("PRAGMA integrity_check")), "ok");
            } else {
                ++signalees;
                QCOMPARE(m_boite->textes.size(), 1);
                QVERIFY(m_boite->textes.at(0).startsWith(QStringLiteral("N°: -2147467259 La base de données est endommagée.")));
                QVERIFY(lire(app(Base)) == abimee);
                QVERIFY(lire(app(Sauvegarde)) == sauvegarde);
            }
            QVERIFY(!existe(app(QStringLiteral("NEWK7.MDB"))));
        }
        QVERIFY(signalees > 0);
    }

    // The key's file goes away, becomes a folder or text between the
    // listing and the copy: the local database is never replaced by it.
    void fichierDeCleQuiChange_data()
    {
        QTest::addColumn<QString>("changement");
        QTest::addColumn<QString>("message");
        QTest::newRow("supprimé") << "supprimer" << "N°: 53 Fichier introuvable (copie de « ";
        QTest::newRow("remplacé par un dossier") << "dossier" << "N°: 75 « ";
        QTest::newRow("remplacé par du texte") << "texte" << "N°: 3343 ";
    }

    void fichierDeCleQuiChange()
    {
        QFETCH(QString, changement);
        QFETCH(QString, message);
        creer(cle(Base), QStringLiteral("clé"), 100);
        const auto avant = empreintes(app(), Journal);
        OperationsDefaillantes ops;
        ops.avantCopie = [&](const QString &source) {
            QFile::remove(source);
            if (changement == QLatin1String("dossier"))
                QDir().mkdir(source);
            else if (changement == QLatin1String("texte"))
                ecrire(source, QByteArray("ceci n'est pas une base\n").repeated(100));
        };
        LecteursFictifs lecteurs;
        lecteurs.liste.push_back({cle(), true, false});

        QCOMPARE(Maintenance::ChercherSurCleUSB(lecteurs, &ops), false);

        QCOMPARE(m_boite->textes.size(), 1);
        QVERIFY(m_boite->textes.at(0).startsWith(message));
        QCOMPARE(erreursJournal(), QStringList{QLatin1Char('|') + m_boite->textes.at(0)});
        QVERIFY(empreintes(app(), Journal) == avant);
    }

    // Another Corvane on the folder, or a shell with the database open: neither
    // the compaction nor the key's copy replaces anything, the message says who
    // holds it, and the shell's next write lands in the database.
    void baseOccupee_data()
    {
        QTest::addColumn<Occupation>("cas");
        const QString corvane = QStringLiteral(" : déjà utilisé par un autre Corvane ; ");
        const QString shell = QStringLiteral(" : déjà utilisé par un autre programme (sqlite3, processus ");
        QTest::newRow("autre Corvane, compactage")
            << Occupation{"tenir", "reparer", corvane + "la base de données n'a pas été compactée"};
        QTest::newRow("autre Corvane, clé") << Occupation{"tenir", "cle", corvane + "aucun fichier de la clé n'a été copié"};
        QTest::newRow("sqlite3, compactage") << Occupation{"sqlite3", "reparer", shell};
        // An ordinary user cannot look into the superuser's processes.
        QTest::newRow("sqlite3, compactage, utilisateur ordinaire") << Occupation{"sqlite3", "reparer", shell, true};
    }

    void baseOccupee()
    {
        QFETCH(Occupation, cas);
        creer(cle(Base), QStringLiteral("clé"), 100);
        ouvrirATous(cle());
        QStringList droits;
        if (cas.ordinaire) {
            droits << QStringLiteral("--sans-droits");
            for (const QString &nom : QDir(app()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotDot))
                if (::geteuid() == 0 && ::chown(QFile::encodeName(app(nom)).constData(), 65534, 65534) != 0)
                    QFAIL("chown");
        }
        const bool shell = cas.detenteur == QLatin1String("sqlite3");
        Detenteur d(droits + (shell ? QStringList{QStringLiteral("sqlite3"), app(Base)}
                                    : QStringList{QStringLiteral("tenir"), app()}),
                    shell ? "pret" : "\"ventes\"", shell ? "SELECT 'pret';\n" : "");
        if (!d.tenu && d.p.exitCode() == 3)
            QSKIP("the superuser's rights cannot be dropped on this machine (setuid refused)");
        QVERIFY(d.tenu && d.p.state() == QProcess::Running);
        const auto avant = empreintes(app(), Journal);

        const Enfant e = lancer(droits + QStringList{QStringLiteral("--cle"), cle(), cas.action, app()});

        QCOMPARE(e.code, 0);
        QCOMPARE(e.messages.size(), 1);
        QVERIFY(e.messages.at(0).startsWith(QStringLiteral("N°: 3045 Impossible d'utiliser « ")));
        QVERIFY(e.messages.at(0).contains(cas.message));
        QCOMPARE(erreursJournal().value(0), contexte(cas.action) + QLatin1Char('|') + e.messages.at(0));
        QVERIFY(empreintes(app(), Journal) == avant);   // every sale, no NEWK7.MDB
        if (shell) {
            d.p.write("INSERT INTO Telecollectes VALUES (77, '2026-02-02 00:00:00', 'écrite');\n");
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

CORVANE_TEST(TestPannes)
#include "tst_pannes.moc"
