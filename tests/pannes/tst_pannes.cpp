// Failing machines at start-up: a folder the program may not write, a full
// disk, a damaged database, a key whose file goes away (others holding the folder: test_occupation). Each ends with
// a French message through the step's own trap, and loses nothing: the
// database and its backup are checked byte for byte and by opening them.
#include "BasesTest.h"
#include "DossierPannes.h"
#include "OperationsDefaillantes.h"
#include "TestSupport.h"

#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

using namespace BasesTest;
using namespace Pannes;

namespace {

QByteArray octetsAuHasard(qsizetype n, quint32 graine)
{
    QRandomGenerator alea(graine);
    QByteArray b(n, Qt::Uninitialized);
    for (char &c : b)
        c = char(alea.bounded(256));
    return b;
}

} // namespace

class TestPannes : public Pannes::DossierPannes
{
    Q_OBJECT

private slots:

    void init() { preparer(); }

    void cleanup() { nettoyer(); }

    // A folder the program may not write (even as the superuser: the step drops its
    // rights): the copy from the key and the compaction report it, the
    // start-up goes on with the database as it is, nothing changes on disk.
    void dossierEnLectureSeule()
    {
        creer(cle(Base), QStringLiteral("clé"), 100);
        QFile::setPermissions(m_tmp->path(), QFileDevice::Permissions(0x7755));
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
        QVERIFY(avant == empreintes(app()));
        verifierIntactes();
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
        QVERIFY(e.messages.at(0).startsWith(message));
        QCOMPARE(erreursJournal(), QStringList{contexte + QLatin1Char('|') + e.messages.at(0)});
        verifierInchange(avant);   // no NEWK7.MDB, journal or CLEUSB.TMP left
        verifierIntactes();
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
        const QByteArray saine = lire(app(Base));
        const QByteArray sauvegarde = lire(app(Sauvegarde));
        const qsizetype page = 4096;
        int signalees = 0;
        for (qsizetype debut = page; debut < saine.size(); debut += page) {
            QByteArray abimee = saine;
            abimee.replace(debut + decalage, longueur, octetsAuHasard(longueur, quint32(debut)));
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
        const auto avant = empreintes(app());
        OperationsDefaillantes ops;
        ops.avantCopie = [&](const QString &source) {
            QFile::remove(source);
            if (changement == QLatin1String("dossier"))
                QDir().mkdir(source);
            else if (changement == QLatin1String("texte"))
                ecrire(source, QByteArray("ceci n'est pas une base\n").repeated(100));
        };
        UneCle lecteurs(cle());

        QCOMPARE(Maintenance::ChercherSurCleUSB(lecteurs, &ops), false);

        QCOMPARE(m_boite->textes.size(), 1);
        QVERIFY(m_boite->textes.at(0).startsWith(message));
        QCOMPARE(erreursJournal(), QStringList{QLatin1Char('|') + m_boite->textes.at(0)});
        verifierInchange(avant);
        verifierIntactes();
    }
};

CORVANE_TEST(TestPannes)
#include "tst_pannes.moc"
