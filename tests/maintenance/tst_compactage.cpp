#include "BasesTest.h"
#include "OperationsDefaillantes.h"
#include "TestSupport.h"

#include "FrmGestion/DialogueCompactage.h"
#include "maintenance/CompactageSqlite.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <QtWidgets>
#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace BasesTest;
using Op = OperationsDefaillantes::Op;
using Maintenance::ReparerDatabase;

// A failing file operation, the states it leaves (BasesTest::etat), the error it shows (0 none).
struct Defaillance { Op op; int rang; QString base, copie, sauvegarde; int numero; bool sansLiens = false; int e = EIO; };
Q_DECLARE_METATYPE(Defaillance)
struct Demarrage { QStringList avant; QString nom; int numero; QStringList apres; };
Q_DECLARE_METATYPE(Demarrage)

class TestCompactage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dossier;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString chemin(const QString &nom) const { return m_dossier->filePath(nom); }
    QString base() const { return chemin(QStringLiteral("dacorvane.mdb")); }
    QString copie() const { return chemin(QStringLiteral("NEWK7.MDB")); }
    QString sauvegarde() const { return chemin(QStringLiteral("OLDK7.BAK")); }
    QStringList fichiers() const { return BasesTest::fichiers(m_dossier->path()); }

    // The one error of the run (numero 0: none), logged with its context and shown.
    void verifierErreur(int numero)
    {
        QStringList e = erreurs(chemin(QStringLiteral("MAINTEN.MDB")));
        QCOMPARE(e.size(), numero == 0 ? 0 : 1);
        QVERIFY(numero == 0 || e.at(0).startsWith(QStringLiteral("ReparerDatabase|N°: %1 ").arg(numero)));
        QCOMPARE(m_boite->titres, QStringList(e.size(), QStringLiteral("Corvane")));
        QCOMPARE(e.replaceInStrings(QRegularExpression(QStringLiteral("^ReparerDatabase\\|")), QString()), m_boite->textes);
    }

private slots:

    void init()
    {
        m_dossier = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dossier->isValid());
        preparerApplication(m_dossier->path());
        m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
    }

    void cleanup()
    {
        m_boite.reset();
        m_dossier.reset();
    }

    // Files after a run in which one file operation fails, then after the next start.
    void fichiersApresDefaillance_data()
    {
        QTest::addColumn<Defaillance>("cas");
        const QString compactee = QStringLiteral("compactée"), originale = QStringLiteral("originale"),
                      absent = QStringLiteral("absent"), reste = QStringLiteral("reste"),
                      precedente = QStringLiteral("précédente");
        auto ligne = [](const char *nom, const Defaillance &cas) { QTest::newRow(nom) << cas; };
        ligne("aucune", {Op::Supprimer, 0, compactee, absent, originale, 0});
        ligne("suppression du reste", {Op::Supprimer, 1, originale, reste, precedente, 57});
        ligne("suppression du journal du reste", {Op::Supprimer, 2, originale, absent, precedente, 57});
        ligne("compactage", {Op::Compacter, 1, originale, absent, precedente, 57});
        ligne("fsync de la copie", {Op::SynchroniserFichier, 1, originale, absent, precedente, 57});
        ligne("lien", {Op::Lier, 1, originale, compactee, precedente, 57});
        ligne("fsync du lien", {Op::SynchroniserDossier, 1, originale, compactee, precedente, 57});
        ligne("renommage en sauvegarde", {Op::Renommer, 1, originale, compactee, precedente, 70, false, EACCES});
        ligne("fsync de la sauvegarde", {Op::SynchroniserDossier, 2, originale, compactee, originale, 57});
        ligne("renommage de la copie", {Op::Renommer, 2, originale, compactee, originale, 57});
        ligne("fsync du remplacement", {Op::SynchroniserDossier, 3, compactee, absent, originale, 57});
        ligne("sans liens: aucune", {Op::Supprimer, 0, compactee, absent, originale, 0, true});
        ligne("sans liens: copie", {Op::Copier, 1, originale, compactee, precedente, 57, true});
        ligne("sans liens: fsync de la copie", {Op::SynchroniserFichier, 2, originale, compactee, precedente, 57, true});
    }

    void fichiersApresDefaillance()
    {
        QFETCH(Defaillance, cas);
        creer(base(), QStringLiteral("courante"));
        creer(sauvegarde(), QStringLiteral("précédente"), 100);
        creer(copie(), QStringLiteral("reste"), 100);   // left by an interrupted start
        ecrire(copie() + QStringLiteral("-journal"), QByteArray(512, 'j'));
        const int ventes = nombreVentes(base());

        OperationsDefaillantes ops;
        ops.sansLiens = cas.sansLiens;
        ops.panne = {cas.op, cas.rang, cas.e};
        ReparerDatabase(base(), {&ops, {}});

        QCOMPARE(etat(base()), cas.base);
        QCOMPARE(etat(copie()), cas.copie);
        QCOMPARE(etat(sauvegarde()), cas.sauvegarde);
        verifierErreur(cas.numero);
        QCOMPARE(existe(chemin(QStringLiteral("OLDK7.TMP"))), false);
        QCOMPARE(existe(copie() + QStringLiteral("-journal")),
                 QTest::currentDataTag() == QLatin1String("suppression du journal du reste"));
        QCOMPARE(nombreVentes(base()), ventes);
        QCOMPARE(ops.fichiersOuverts, QStringList());
        if (!ops.chemins.isEmpty())
            QCOMPARE(ops.chemins, QStringList({base(), copie()}));

        // Durability: the copy reaches the disk before any rename, and every
        // name change is followed by a sync of the folder.
        const QStringList &j = ops.journal;
        const qsizetype premierRenommage = j.indexOf(QRegularExpression(QStringLiteral("^renommer")));
        if (premierRenommage >= 0)
            QVERIFY(j.indexOf(QStringLiteral("synchroniserFichier NEWK7.MDB")) >= 0
                    && j.indexOf(QStringLiteral("synchroniserFichier NEWK7.MDB")) < premierRenommage);
        for (qsizetype i = 0; i + 1 < j.size(); ++i) {
            if ((j.at(i).startsWith(QLatin1String("renommer")) || j.at(i).startsWith(QLatin1String("lier")))
                && !j.at(i).endsWith(QLatin1String(" !")))
                QVERIFY(j.at(i + 1).startsWith(QLatin1String("synchroniserDossier"))
                        || j.at(i + 1).startsWith(QLatin1String("copier")));
        }

        // The next start puts everything right.
        m_boite->textes.clear();
        ReparerDatabase(base());
        QCOMPARE(etat(base()), QStringLiteral("compactée"));
        QCOMPARE(nombreVentes(base()), ventes);
        QCOMPARE(marqueur(sauvegarde()), QStringLiteral("courante"));
        QCOMPARE(m_boite->textes, QStringList());
        QCOMPARE(fichiers(), QStringList({"MAINTEN.MDB", "OLDK7.BAK", "dacorvane.mdb"}));
    }

    // Files left by earlier starts, names in another case, a configured name
    // that is a maintenance file (never deleted as a leftover): the files after
    // the start, each with its state.
    void demarrages_data()
    {
        // before: "name=marker[/sales]", "name>file" a second name of a file, or "name~text" a file of that
        // text; after: "name=state" of every file but MAINTEN.MDB
        QTest::addColumn<Demarrage>("cas");
        const QStringList compactee{"OLDK7.BAK=originale", "dacorvane.mdb=compactée"};
        QTest::newRow("noms sans casse")
            << Demarrage{{"dacorvane.mdb=courante", "oldk7.bak=précédente/100", "newk7.mdb=reste/100"},
                         "DACORVANE.mdb", 0, {"dacorvane.mdb=compactée", "oldk7.bak=originale"}};
        QTest::newRow("base absente") << Demarrage{{"OLDK7.BAK=précédente/100", "NEWK7.MDB=reste/100"}, "dacorvane.mdb",
                                                   Erreurs::FichierBaseIntrouvable, {"OLDK7.BAK=précédente"}};
        // A crash after the backup took the database's second name, before the last rename.
        QTest::newRow("sauvegarde déjà la base")
            << Demarrage{{"dacorvane.mdb=courante", "OLDK7.BAK>dacorvane.mdb", "NEWK7.MDB=courante"}, "dacorvane.mdb",
                         0, compactee};
        // A crash after the database took its second name: that name is removed.
        QTest::newRow("nom temporaire laissé")
            << Demarrage{{"dacorvane.mdb=courante", "OLDK7.BAK=précédente/100", "OLDK7.TMP>dacorvane.mdb"},
                         "dacorvane.mdb", 0, compactee};
        const QStringList pasUneBase{"OLDK7.BAK=précédente", "dacorvane.mdb=pas une base"};
        const int format = Erreurs::FormatNonReconnu;
        QTest::newRow("texte") << Demarrage{{"dacorvane.mdb~Ceci n'est pas une base.\n", "OLDK7.BAK=précédente/100"},
                                            "dacorvane.mdb", format, pasUneBase};
        QTest::newRow("fichier vide")
            << Demarrage{{"dacorvane.mdb~", "OLDK7.BAK=précédente/100"}, "dacorvane.mdb", format, pasUneBase};
        const int refus = Erreurs::ArgumentsIncorrects;
        QTest::newRow("nom réservé NEWK7") << Demarrage{{"NEWK7.mdb=courante"}, "newk7.mdb", refus, {"NEWK7.mdb=originale"}};
        QTest::newRow("nom réservé MAINTEN") << Demarrage{{}, "mainten.mdb", refus, {}};
    }

    void demarrages()
    {
        QFETCH(Demarrage, cas);
        for (const QString &f : cas.avant) {
            const QStringList lien = f.split(QLatin1Char('>')), texte = f.split(QLatin1Char('~'));
            const QStringList p = f.split(QRegularExpression(QStringLiteral("[=/]")));
            if (lien.size() == 2)
                QCOMPARE(::link(QFile::encodeName(chemin(lien[1])).constData(), QFile::encodeName(chemin(lien[0])).constData()), 0);
            else if (texte.size() == 2)
                ecrire(chemin(texte[0]), texte[1].toUtf8().repeated(200));
            else
                creer(chemin(p[0]), p[1], p.size() > 2 ? p[2].toInt() : 2000);
        }
        ReparerDatabase(chemin(cas.nom));
        verifierErreur(cas.numero);
        QStringList noms{QStringLiteral("MAINTEN.MDB")}, etats;
        for (const QString &f : cas.apres) {
            noms << f.section(QLatin1Char('='), 0, 0);
            etats << noms.last() + QLatin1Char('=') + etat(chemin(noms.last()));
        }
        noms.sort();
        QCOMPARE(fichiers(), noms);
        QCOMPARE(etats, cas.apres);
    }

    // A database out of the application folder, on another file system
    // (/dev/shm), reached by a symbolic link: the link is kept, the file it names
    // compacted where it lies, with its permission bits and its owner; the
    // backup is in the application folder, nothing is left behind.
    void baseAilleurs()
    {
        if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable() || ::geteuid() != 0)
            QSKIP("needs /dev/shm and the superuser (who gives a file to another user)");
        QTemporaryDir ailleurs(QStringLiteral("/dev/shm/corvane"));
        const QString vraie = ailleurs.filePath(QStringLiteral("kiosque.mdb"));
        creer(vraie, QStringLiteral("courante"));
        QCOMPARE(::chown(QFile::encodeName(vraie).constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(QFile::encodeName(vraie).constData(), 0440), 0);
        QVERIFY(QFile::link(vraie, base()));
        ReparerDatabase(base());
        verifierErreur(0);
        QVERIFY(QFileInfo(base()).isSymLink());
        QCOMPARE(etat(vraie), QStringLiteral("compactée"));
        QCOMPARE(BasesTest::mode(vraie), 0440);
        QCOMPARE(QFileInfo(vraie).ownerId(), 65534u);
        QCOMPARE(etat(sauvegarde()), QStringLiteral("originale"));
        QCOMPARE(QDir(ailleurs.path()).entryList(QDir::Files), QStringList{QStringLiteral("kiosque.mdb")});
        QVERIFY(!existe(copie()));
    }

    // A full disk under the copy says so, and only so.
    void disquePlein()
    {
        creer(base(), QStringLiteral("courante"));
        QCOMPARE(TestSupport::erreur([&] { compacterSqlite(base(), QStringLiteral("/dev/full"), {}); }),
                 QString::number(Erreurs::DisqueSature)
                     + QStringLiteral(" Disque plein (écriture de la copie compactée « /dev/full »)"));
    }

    void progression()
    {
        creer(base(), QStringLiteral("courante"), 20000);
        QList<double> fractions;
        ReparerDatabase(base(), {nullptr, [&](double f) { fractions << f; }});
        verifierErreur(0);
        QVERIFY(fractions.size() >= 4);
        QCOMPARE(fractions.first(), 0.0);
        QCOMPARE(fractions.last(), 1.0);
        QVERIFY(std::is_sorted(fractions.cbegin(), fractions.cend()));
        QVERIFY(fractions.at(fractions.size() - 2) > 0.5);   // the size estimate follows the copy
    }

    // An error raised by the progress display stops the compaction cleanly.
    void progressionEnErreur()
    {
        creer(base(), QStringLiteral("courante"), 20000);
        ReparerDatabase(base(), {nullptr, [](double f) {
                                     if (f > 0.2)
                                         throw RuntimeError(Erreurs::EntreeSortie, QStringLiteral("affichage impossible"));
                                 }});
        verifierErreur(Erreurs::EntreeSortie);
        QCOMPARE(etat(base()), QStringLiteral("originale"));
        QCOMPARE(fichiers(), QStringList({QStringLiteral("MAINTEN.MDB"), QStringLiteral("dacorvane.mdb")}));
    }

    // The window appears only after half a second, and follows the compaction.
    void dialogue_data()
    {
        QTest::addColumn<QList<qint64>>("instants");
        QTest::addColumn<QList<double>>("fractions");
        QTest::addColumn<int>("visibleApres");   // index of the call that shows it, -1 never
        QTest::newRow("longue") << QList<qint64>{0, 200, 499, 500, 900, 1400}
                                << QList<double>{0, 0.1, 0.25, 0.3, 0.6, 1} << 3;
        QTest::newRow("finie juste après le délai") << QList<qint64>{0, 100, 600} << QList<double>{0, 0.5, 1} << -1;
    }

    void dialogue()
    {
        QFETCH(QList<qint64>, instants);
        QFETCH(QList<double>, fractions);
        QFETCH(int, visibleApres);
        qint64 maintenant = 0;
        QWidget fenetre;
        DialogueCompactage d(&fenetre, [&] { return maintenant; });
        for (int i = 0; i < instants.size(); ++i) {
            maintenant = instants[i];
            d.progression(fractions[i]);
            QCOMPARE(d.dialogue() != nullptr, visibleApres >= 0 && i >= visibleApres);
            if (d.dialogue()) {
                QVERIFY(d.dialogue()->isVisible());
                auto *barre = d.dialogue()->findChild<QProgressBar *>(QStringLiteral("BarreCompactage"));
                QVERIFY(barre);
                QCOMPARE(barre->value(), qRound(fractions[i] * 1000));
                QCOMPARE(d.dialogue()->findChild<QLabel *>()->text(), QStringLiteral("Compactage de la base de données…"));
                QCOMPARE(d.dialogue()->windowTitle(), QStringLiteral("Corvane"));
            }
        }
    }
};

CORVANE_TEST(TestCompactage)
#include "tst_compactage.moc"
