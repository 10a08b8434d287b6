// Failing machines at start-up: a folder the program may not write, a log or
// a database locked by another process, a full disk, a damaged database, a
// configuration of binary garbage, a key whose file goes away. Each ends with
// a French message through the step's own trap, and loses nothing: the
// database and its backup are checked byte for byte and by opening them.
#include "BasesTest.h"
#include "TestSupport.h"

#include "FrmGestion/FrmGestion.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/JournalErreurs.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <signal.h>
#include <sys/stat.h>
#include <memory>
#include <unistd.h>

using namespace BasesTest;

namespace {

const QString Base = QStringLiteral("dacorvane.mdb");
const QString Sauvegarde = QStringLiteral("OLDK7.BAK");
const QString Journal = QStringLiteral("MAINTEN.MDB");
constexpr int Ventes = 2000;

void ecrire(const QString &chemin, const QByteArray &octets)
{
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size())
        qFatal("cannot write %s", qPrintable(chemin));
}

QByteArray lire(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray octetsAuHasard(qsizetype n, quint32 graine)
{
    QRandomGenerator alea(graine);
    QByteArray b(n, Qt::Uninitialized);
    for (char &c : b)
        c = char(alea.bounded(256));
    return b;
}

// Sales whose every byte is known (no random receipts), so that a damage
// falls on the same structure at every run; the last quarter deleted.
void creerSansHasard(const QString &chemin)
{
    TestSupport::creerBase(
        chemin, TestSupport::schemaVentes(),
        QStringLiteral("BEGIN; WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                       "INSERT INTO Ventes SELECT i, datetime('2026-01-01', '+' || i || ' minutes'), 12.5, 1.2, "
                       "1 + i % 2, 3, '4970' || i, 20, 7.5, "
                       "'Vente ' || i || ' ' || replace(hex(zeroblob(40)), '00', char(65 + i % 26)) FROM c;"
                       "INSERT INTO Telecollectes VALUES (1, '2026-01-01 00:00:00', 'courante');"
                       "INSERT INTO Parametres (NoParametre, Caisse) VALUES (1, 100);"
                       "DELETE FROM Ventes WHERE NoVente > %1 - %1 / 4; COMMIT;")
            .arg(Ventes));
}

// Every file of a folder with the digest of its bytes.
std::map<QString, QByteArray> empreintes(const QString &dossier)
{
    std::map<QString, QByteArray> r;
    for (const QString &nom : QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System))
        r[nom] = QCryptographicHash::hash(lire(QDir(dossier).filePath(nom)), QCryptographicHash::Sha256);
    return r;
}

QStringList noms(const std::map<QString, QByteArray> &e)
{
    QStringList r;
    for (const auto &[nom, _] : e)
        r << nom;
    return r;
}

// What the child process wrote: its message boxes and its result.
struct Enfant
{
    QStringList messages;
    QJsonObject resultat;
    int code = -1;
};

QString programmeEnfant()
{
    return QStringLiteral(PANNES_ENFANT);
}

Enfant lancer(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(programmeEnfant(), arguments);
    Enfant e;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        return e;
    }
    for (const QByteArray &ligne : p.readAllStandardOutput().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(ligne).object();
        if (o.contains(QLatin1String("boite")))
            e.messages << o.value(QLatin1String("texte")).toString();
        else if (!o.isEmpty())
            e.resultat = o;
    }
    e.code = p.exitCode();
    return e;
}

// Another process that holds the folder or a database (a lock, a window, a
// shell) until it is told to let go; ready once its output shows `marque`.
class Detenteur
{
public:
    Detenteur(const QStringList &arguments, const QByteArray &marque, const QByteArray &commande = {})
    {
        m_p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_p.start(programmeEnfant(), arguments);
        m_p.write(commande);
        QByteArray sortie;
        while (!sortie.contains(marque) && m_p.waitForReadyRead(60000))
            sortie += m_p.readAll();
        m_tenu = sortie.contains(marque);
    }
    ~Detenteur() { relacher(); }
    bool tenu() const { return m_tenu && m_p.state() == QProcess::Running; }
    int code() { return m_p.state() == QProcess::Running ? -1 : m_p.exitCode(); }
    void ecrire(const QByteArray &commande) { m_p.write(commande); }
    void relacher()
    {
        m_p.closeWriteChannel();
        if (!m_p.waitForFinished(60000))
            m_p.kill();
    }
    void tuer()
    {
        ::kill(pid_t(m_p.processId()), SIGKILL);
        m_p.waitForFinished(60000);
    }

private:
    QProcess m_p;
    bool m_tenu = false;
};

// The key's file goes away, or changes, between the listing and the copy.
class CleQuiChange : public OperationsFichiers
{
public:
    std::function<void(const QString &)> auMomentDeCopier;
    OperationsFichiers &s = operationsSysteme();

    void supprimer(const QString &c) override { s.supprimer(c); }
    void renommer(const QString &de, const QString &vers) override { s.renommer(de, vers); }
    bool lier(const QString &e, const QString &n) override { return s.lier(e, n); }
    void copier(const QString &source, const QString &destination) override
    {
        auMomentDeCopier(source);
        s.copier(source, destination);
    }
    void synchroniserFichier(const QString &c) override { s.synchroniserFichier(c); }
    void synchroniserDossier(const QString &d) override { s.synchroniserDossier(d); }
    void compacter(const QString &a, const QString &b, const Progression &p) override { s.compacter(a, b, p); }
};

class UneCle : public Maintenance::SourceLecteurs
{
public:
    explicit UneCle(QString racine) : m_racine(std::move(racine)) {}
    std::vector<Maintenance::Lecteur> lecteurs() override { return {{m_racine, true, false}}; }

private:
    QString m_racine;
};

} // namespace

class TestPannes : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString app(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("app/") + nom); }
    QString cle(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("cle/") + nom); }

    QStringList erreursJournal() const
    {
        QStringList r;
        const int n = TestSupport::valeurSql(app(Journal), QStringLiteral("SELECT count(*) FROM Erreurs")).toInt();
        for (int i = 0; i < n; ++i)
            r << TestSupport::valeurSql(app(Journal), QStringLiteral("SELECT Contexte || '|' || Erreur FROM Erreurs "
                                                                     "ORDER BY NoErreur LIMIT 1 OFFSET %1")
                                                          .arg(i));
        return r;
    }

    // The database and its backup open and hold what they held.
    void verifierIntactes()
    {
        QCOMPARE(marqueur(app(Base)), QStringLiteral("courante"));
        QCOMPARE(nombreVentes(app(Base)), ventesRestantes(Ventes));
        QCOMPARE(TestSupport::valeurSql(app(Base), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QCOMPARE(marqueur(app(Sauvegarde)), QStringLiteral("précédente"));
        QCOMPARE(TestSupport::valeurSql(app(Sauvegarde), QStringLiteral("PRAGMA integrity_check")),
                 QStringLiteral("ok"));
    }

    // The folder readable by all (a child may run as another user).
    void ouvrirATous(const QString &dossier)
    {
        QFile::setPermissions(dossier, QFileDevice::Permissions(0x7755));
        for (const QString &nom : QDir(dossier).entryList(QDir::Files))
            QFile::setPermissions(QDir(dossier).filePath(nom), QFileDevice::Permissions(0x6644));
    }

private slots:
    void initTestCase() { TestSupport::epinglerFrancais(); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("app")));
        QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("cle")));
        creer(app(Base), QStringLiteral("courante"), Ventes);
        creer(app(Sauvegarde), QStringLiteral("précédente"), 100);
        creerMaintenance(app(Journal));
        Plateforme::definirCheminApplication(app());
        reinitialiserRepMaintenance();
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }

    void cleanup()
    {
        m_boite.reset();
        Maintenance::definirSourceLecteurs(nullptr);
        QFile::setPermissions(app(), QFileDevice::Permissions(0x7700));
        m_tmp.reset();
        Plateforme::definirCheminApplication(QString());
        reinitialiserRepMaintenance();
    }

    // The application folder cannot be written (a read-only medium, wrong
    // rights): the compaction and the copy from the key report it, the
    // start-up goes on with the database as it is, nothing changes on disk.
    void dossierEnLectureSeule_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("messages");   // the beginnings of the messages shown
        QTest::addColumn<int>("ventes");             // the journal opened by the start-up; -1: no start-up
        const QString compactage = QStringLiteral("N°: 70 Permission refusée (écriture de la copie compactée « ");
        const QString copie = QStringLiteral("N°: 70 Permission refusée (copie de ");
        QTest::newRow("compactage") << "reparer" << QStringList{compactage} << -1;
        QTest::newRow("copie de la clé") << "cle" << QStringList{copie} << -1;
        QTest::newRow("démarrage") << "demarrage" << QStringList{copie, compactage} << ventesRestantes(Ventes);
    }

    void dossierEnLectureSeule()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, messages);
        QFETCH(int, ventes);
        creer(cle(Base), QStringLiteral("clé"), 100);
        QFile::setPermissions(m_tmp->path(), QFileDevice::Permissions(0x7755));
        ouvrirATous(cle());
        ouvrirATous(app());
        QFile::setPermissions(app(), QFileDevice::Permissions(0x5555));
        const auto avant = empreintes(app());

        const Enfant e = lancer({QStringLiteral("--sans-droits"), QStringLiteral("--cle"), cle(), action, app()});

        if (e.code == 3)
            QSKIP("the superuser's rights cannot be dropped on this machine (setuid refused)");
        QCOMPARE(e.code, 0);
        QCOMPARE(e.messages.size(), messages.size());
        for (qsizetype i = 0; i < messages.size(); ++i)
            QVERIFY2(e.messages.at(i).startsWith(messages.at(i)), qPrintable(e.messages.at(i)));
        if (ventes >= 0)
            QCOMPARE(e.resultat.value(QLatin1String("ventes")).toInt(-1), ventes);
        QFile::setPermissions(app(), QFileDevice::Permissions(0x7700));
        QVERIFY(avant == empreintes(app()));
        verifierIntactes();
    }

    // Another program holds the database or the log: the compaction gives up
    // at once, the log write after the engine's busy timeout (the message is
    // still shown), and neither waits for the other program to let go.
    void verrouAutreProgramme_data()
    {
        QTest::addColumn<QStringList>("verrouilles");
        QTest::addColumn<int>("journalisees");
        QTest::newRow("base") << QStringList{Base} << 1;
        QTest::newRow("base et journal") << QStringList{Base, Journal} << 0;
    }

    void verrouAutreProgramme()
    {
        QFETCH(QStringList, verrouilles);
        QFETCH(int, journalisees);
        const QByteArray base = lire(app(Base));
        std::vector<std::unique_ptr<Detenteur>> verrous;
        for (const QString &nom : verrouilles) {
            verrous.push_back(std::make_unique<Detenteur>(QStringList{QStringLiteral("verrou"), app(nom)},
                                                          "\"verrou\":true"));
            QVERIFY(verrous.back()->tenu());
        }

        Maintenance::ReparerDatabase(app(Base));

        for (const auto &v : verrous)
            QVERIFY(v->tenu());   // given up while the other program still holds its lock
        QCOMPARE(m_boite->textes.size(), 1);
        QVERIFY2(m_boite->textes.at(0).startsWith(QStringLiteral("N°: 3045 Impossible d'utiliser « ") + app(Base)
                                                  + QStringLiteral(" » : déjà utilisé par un autre programme (")),
                 qPrintable(m_boite->textes.at(0)));
        verrous.clear();
        QCOMPARE(erreursJournal().size(), journalisees);
        QCOMPARE(lire(app(Base)), base);
        QVERIFY(!existe(app(QStringLiteral("NEWK7.MDB"))));
        verifierIntactes();
    }

    // Another Corvane on the folder, or a shell with the database open: neither
    // the compaction nor the key's copy replaces anything, the message says who
    // holds it, and the shell's next write lands in the database. A holder
    // killed lets go of the folder. As the superuser and as an ordinary user.
    void baseOccupee_data()
    {
        QTest::addColumn<bool>("ordinaire");
        QTest::addColumn<QString>("detenteur");   // tenir: a window; sqlite3: the shell; tue: a window killed
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");     // what the one message says after the file; "" none
        const QString corvane = QStringLiteral(" : déjà utilisé par un autre Corvane ; ");
        const QString shell = QStringLiteral(" : déjà utilisé par un autre programme (sqlite3, processus ");
        for (const bool ordinaire : {false, true}) {
            const char *qui = ordinaire ? ", utilisateur ordinaire" : "";
            QTest::addRow("autre Corvane, compactage%s", qui)
                << ordinaire << "tenir" << "reparer" << corvane + "la base de données n'a pas été compactée";
            QTest::addRow("autre Corvane, clé%s", qui)
                << ordinaire << "tenir" << "cle" << corvane + "aucun fichier de la clé n'a été copié";
            QTest::addRow("sqlite3, compactage%s", qui) << ordinaire << "sqlite3" << "reparer" << shell;
            QTest::addRow("sqlite3, clé%s", qui) << ordinaire << "sqlite3" << "cle" << shell;
            QTest::addRow("Corvane tué%s", qui) << ordinaire << "tue" << "reparer" << QString();
        }
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
        auto avant = empreintes(app());

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
        QVERIFY2(e.messages.at(0).startsWith(QStringLiteral("N°: 3045 Impossible d'utiliser « "))
                     && e.messages.at(0).contains(message),
                 qPrintable(e.messages.at(0)));
        const QString contexte = action == QLatin1String("reparer") ? QStringLiteral("ReparerDatabase") : QString();
        QCOMPARE(erreursJournal().value(0), contexte + QLatin1Char('|') + e.messages.at(0));
        auto apres = empreintes(app());
        apres.erase(Journal);
        avant.erase(Journal);
        QVERIFY(apres == avant);
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
            QVERIFY2(note.startsWith(QStringLiteral("ReparerDatabase|Le propriétaire du fichier (uid 0, gid 0) n'a pas "
                                                    "été gardé : Permission refusée (attributs de « ")),
                     qPrintable(note));
    }

    // The disk fills while the compaction writes its copy, or while the key's
    // file is copied: the database is left whole, no partial file stays.
    void disquePlein_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("contexte");
        QTest::newRow("compactage") << "reparer" << "N°: 61 Disque plein (écriture de la copie compactée « "
                                    << "ReparerDatabase";
        QTest::newRow("copie de la clé") << "cle" << "N°: 61 Disque plein (copie de " << "";
    }

    void disquePlein()
    {
        QFETCH(QString, action);
        QFETCH(QString, message);
        QFETCH(QString, contexte);
        creer(cle(Base), QStringLiteral("clé"), Ventes);
        const auto avant = empreintes(app());
        const qint64 limite = QFileInfo(app(Base)).size() / 3;

        const Enfant e = lancer({QStringLiteral("--taille-max"), QString::number(limite), QStringLiteral("--cle"),
                                 cle(), action, app()});

        QCOMPARE(e.code, 0);
        QCOMPARE(e.messages.size(), 1);
        QVERIFY2(e.messages.at(0).startsWith(message), qPrintable(e.messages.at(0)));
        QCOMPARE(erreursJournal(), QStringList{contexte + QLatin1Char('|') + e.messages.at(0)});
        auto apres = empreintes(app());
        apres.erase(Journal);
        auto attendu = avant;
        attendu.erase(Journal);
        QCOMPARE(noms(apres), noms(attendu));   // no NEWK7.MDB, journal or CLEUSB.TMP left
        QVERIFY(apres == attendu);
        verifierIntactes();
    }

    // A damaged database: the engine's error is shown, the damaged file stays
    // as it is (the data that can be saved is in it) and the good backup is
    // not replaced by it.
    void baseEndommagee_data()
    {
        QTest::addColumn<QString>("degat");
        QTest::newRow("tronquée de moitié") << "tronquer";
        QTest::newRow("page du milieu écrasée") << "ecraser";
        QTest::newRow("page de la table des ventes mise à zéro") << "zero";
    }

    void baseEndommagee()
    {
        QFETCH(QString, degat);
        QFile::remove(app(Base));
        creerSansHasard(app(Base));
        QByteArray octets = lire(app(Base));
        const qsizetype page = 4096, milieu = (octets.size() / page / 2) * page;
        if (degat == QLatin1String("tronquer"))
            octets.truncate(milieu);
        else if (degat == QLatin1String("ecraser"))
            octets.replace(milieu + 100, 1000, octetsAuHasard(1000, 7));
        else
            octets.replace(milieu, page, QByteArray(page, '\0'));
        ecrire(app(Base), octets);
        const QByteArray sauvegarde = lire(app(Sauvegarde));

        FrmGestion f;
        QString erreur;
        try {
            f.Form_Load();
        } catch (const RuntimeError &e) {
            erreur = e.description();
        }

        // The compaction reported it, with its context, in French.
        QVERIFY(!m_boite->textes.isEmpty());
        QVERIFY2(m_boite->textes.at(0).contains(QStringLiteral("endommagée")), qPrintable(m_boite->textes.at(0)));
        QVERIFY(erreursJournal().value(0).startsWith(QStringLiteral("ReparerDatabase|N°: ")));
        if (!erreur.isEmpty())
            QVERIFY2(erreur.contains(QStringLiteral("endommagée")), qPrintable(erreur));
        f.Form_Unload();
        QCOMPARE(lire(app(Base)), octets);
        QCOMPARE(lire(app(Sauvegarde)), sauvegarde);
        QVERIFY(!existe(app(QStringLiteral("NEWK7.MDB"))));
    }

    // Each page of the database damaged in turn, at its header or amid its
    // cells: a compaction that goes through holds every sale (the damage was
    // where a copy does not read: an index, a free page); one that fails says
    // the database is damaged (not, say, that the disk is full) and changes
    // neither the database nor its backup.
    void chaquePageAbimee_data()
    {
        QTest::addColumn<int>("decalage");
        QTest::addColumn<int>("longueur");
        QTest::newRow("en-tête de page") << 0 << 48;
        QTest::newRow("milieu de page") << 1800 << 400;
    }

    void chaquePageAbimee()
    {
        QFETCH(int, decalage);
        QFETCH(int, longueur);
        QFile::remove(app(Base));
        creerSansHasard(app(Base));
        const QByteArray saine = lire(app(Base));
        const QByteArray sauvegarde = lire(app(Sauvegarde));
        const qsizetype page = 4096;
        int signalees = 0;
        for (qsizetype debut = page; debut < saine.size(); debut += page) {
            const QString ici = QStringLiteral("page %1").arg(debut / page + 1);
            QByteArray abimee = saine;
            abimee.replace(debut + decalage, longueur, octetsAuHasard(longueur, quint32(debut)));
            ecrire(app(Base), abimee);
            ecrire(app(Sauvegarde), sauvegarde);
            m_boite->textes.clear();

            Maintenance::ReparerDatabase(app(Base));

            if (m_boite->textes.isEmpty()) {
                QVERIFY2(nombreVentes(app(Base)) == ventesRestantes(Ventes), qPrintable(ici));
                const QString verification = TestSupport::valeurSql(
                    app(Base), QStringLiteral("SELECT group_concat(integrity_check, ' / ') FROM pragma_integrity_check"));
                QVERIFY2(verification == "ok", qPrintable(ici + QStringLiteral(" : ") + verification));
            } else {
                ++signalees;
                QVERIFY2(m_boite->textes.size() == 1
                             && m_boite->textes.at(0).startsWith(
                                 QStringLiteral("N°: -2147467259 La base de données est endommagée.")),
                         qPrintable(ici + QStringLiteral(" : ") + m_boite->textes.join(QLatin1Char('\n'))));
                QVERIFY2(lire(app(Base)) == abimee, qPrintable(ici));
                QVERIFY2(lire(app(Sauvegarde)) == sauvegarde, qPrintable(ici));
            }
            QVERIFY2(!existe(app(QStringLiteral("NEWK7.MDB"))), qPrintable(ici));
        }
        QVERIFY(signalees > 0);
    }

    // velmara.ini of binary bytes: no crash, the file is never written, and the
    // start-up either opens the default database or ends on a clear error.
    void iniBinaire_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("ventes");   // -1: the start-up ends on "Fichier introuvable"
        const QByteArray section = "[Base de donn\xE9" "e]\r\n";
        QTest::newRow("octets au hasard") << octetsAuHasard(64 * 1024, 1) << ventesRestantes(Ventes);
        QTest::newRow("énorme, au hasard") << octetsAuHasard(9 * 1024 * 1024, 2) << ventesRestantes(Ventes);
        QTest::newRow("section puis octets au hasard") << section + octetsAuHasard(4096, 3) << ventesRestantes(Ventes);
        QTest::newRow("NUL dans le nom") << section + QByteArray("Nom=dacorvane\0.mdb\r\n", 20) << -1;
        QTest::newRow("nom de caractères de contrôle") << section + QByteArray("Nom=\x01\x02\x1b[2J\x7f\r\n") << -1;
        QTest::newRow("nom UTF-16 sans BOM") << section + QByteArray("Nom=d\0a\0c\0\r\n", 12) << -1;
    }

    void iniBinaire()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, ventes);
        ecrire(app(QStringLiteral("velmara.ini")), ini);
        const QStringList avant = QDir(app()).entryList(QDir::Files);

        FrmGestion f;
        int ouvertes = -1;
        try {
            f.Form_Load();
            ouvertes = f.RsVentes.recordCount();
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), int(Erreurs::FichierIntrouvable));
        }
        f.Form_Unload();

        QCOMPARE(ouvertes, ventes);
        QCOMPARE(lire(app(QStringLiteral("velmara.ini"))), ini);
        QCOMPARE(m_boite->textes, QStringList());
        QCOMPARE(QDir(app()).entryList(QDir::Files), avant);
        QCOMPARE(nombreVentes(app(Base)), ventesRestantes(Ventes));
    }

    // The key's file goes away, becomes a folder or is emptied between the
    // listing and the copy: the local database is never replaced by it.
    void fichierDeCleQuiChange_data()
    {
        QTest::addColumn<QString>("changement");
        QTest::addColumn<QString>("message");
        QTest::newRow("supprimé") << "supprimer" << "N°: 53 Fichier introuvable (copie de « ";
        QTest::newRow("remplacé par un dossier") << "dossier" << "N°: 75 « ";
        QTest::newRow("vidé") << "vider" << "N°: 3343 ";
        QTest::newRow("remplacé par du texte") << "texte" << "N°: 3343 ";
    }

    void fichierDeCleQuiChange()
    {
        QFETCH(QString, changement);
        QFETCH(QString, message);
        creer(cle(Base), QStringLiteral("clé"), 100);
        const auto avant = empreintes(app());
        CleQuiChange ops;
        ops.auMomentDeCopier = [&](const QString &source) {
            QFile::remove(source);
            if (changement == QLatin1String("dossier"))
                QDir().mkdir(source);
            else if (changement == QLatin1String("vider"))
                ecrire(source, {});
            else if (changement == QLatin1String("texte"))
                ecrire(source, QByteArray("ceci n'est pas une base\n").repeated(100));
        };
        UneCle lecteurs(cle());

        QCOMPARE(Maintenance::ChercherSurCleUSB(lecteurs, &ops), false);

        QCOMPARE(m_boite->textes.size(), 1);
        QVERIFY2(m_boite->textes.at(0).startsWith(message), qPrintable(m_boite->textes.at(0)));
        QCOMPARE(erreursJournal(), QStringList{QLatin1Char('|') + m_boite->textes.at(0)});
        auto apres = empreintes(app());
        apres.erase(Journal);
        auto attendu = avant;
        attendu.erase(Journal);
        QCOMPARE(noms(apres), noms(attendu));
        QVERIFY(apres == attendu);
        verifierIntactes();
    }
};

QTEST_MAIN(TestPannes)
#include "test_pannes.moc"
