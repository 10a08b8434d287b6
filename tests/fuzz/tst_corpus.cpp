// The fuzz corpus and the inputs that once failed a fuzz target, replayed at
// every test run with whatever compiler built the tests: the program's own
// readers (configuration, Find and Sort, dates, command line), the Jet
// translators, and damaged Jet files through the converter process.
#include "EntreesFuzz.h"
#include "EntreesNoyau.h"
#include "TestSupport.h"
#include "jet/ConvertisseurJet.h"
#include "shared/RuntimeError.h"

#include <QtTest>

namespace {

using Entree = int (*)(const std::uint8_t *, std::size_t);

const std::pair<const char *, Entree> Cibles[] = {
    {"configuration", fuzz::configuration}, {"recordset", fuzz::recordset}, {"dates", fuzz::dates},
    {"ligne_de_commande", fuzz::ligneDeCommande}, {"expression", fuzz::expression},
    {"requete", fuzz::requete}, {"valeurs", fuzz::valeurs},
};

QString donnees() { return qEnvironmentVariable("CORVANE_DONNEES_JET"); }

QStringList fichiers(const QString &sousDossier)
{
    const QDir dossier(QStringLiteral(CORVANE_FUZZ_DIR "/") + sousDossier);
    QStringList r;
    for (const QString &n : dossier.entryList(QDir::Files, QDir::Name))
        if (n != QLatin1String("README.md"))
            r << dossier.filePath(n);
    return r;
}

QByteArray lire(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A damaged file from its recipe (see fuzz/regressions/README.md), or the file itself.
QByteArray entree(const QString &chemin)
{
    if (!chemin.endsWith(QLatin1String(".txt")))
        return lire(chemin);
    QByteArray contenu;
    for (const QString &ligne : QString::fromUtf8(lire(chemin)).split(QLatin1Char('\n'))) {
        const QStringList m = ligne.simplified().split(QLatin1Char(' '));
        if (m.value(0) == QLatin1String("source")) {
            contenu = lire(donnees() + QLatin1Char('/') + m.value(1));
            if (contenu.isEmpty())
                return {};
        } else if (m.value(0) == QLatin1String("xor")) {
            const qsizetype p = m.value(1).toLongLong(nullptr, 0);
            if (p >= 0 && p < contenu.size())
                contenu[p] = char(contenu[p] ^ m.value(2).toInt(nullptr, 0));
        } else if (m.value(0) == QLatin1String("tronquer")) {
            contenu.truncate(m.value(1).toLongLong());
        }
    }
    return contenu;
}

} // namespace

class TestCorpus : public QObject
{
    Q_OBJECT
private slots:

    void rejouer_data()
    {
        QTest::addColumn<int>("cible");
        QTest::addColumn<QString>("chemin");
        for (int i = 0; i < int(std::size(Cibles)); ++i)
            for (const char *sous : {"corpus/", "regressions/"})
                for (const QString &f : fichiers(QLatin1String(sous) + QLatin1String(Cibles[i].first)))
                    QTest::addRow("%s%s/%s", sous, Cibles[i].first, qPrintable(QFileInfo(f).fileName())) << i << f;
    }
    // A fault aborts the run inside the entry, naming the input.
    void rejouer()
    {
        QFETCH(int, cible);
        QFETCH(QString, chemin);
        const QByteArray d = lire(chemin);
        QCOMPARE(Cibles[cible].second(reinterpret_cast<const std::uint8_t *>(d.constData()), std::size_t(d.size())), 0);
    }

    // Damaged files go through the converter process: converted or refused cleanly.
    void lecture_data()
    {
        QTest::addColumn<QString>("chemin");
        for (const QString &f : fichiers(QStringLiteral("regressions/lecture")))
            QTest::addRow("%s", qPrintable(QFileInfo(f).fileName())) << f;
    }
    void lecture()
    {
        QFETCH(QString, chemin);
        if (!QFileInfo(Jet::ProgrammeConversion()).isExecutable())
            QSKIP("the converter is not built (CORVANE_JET=OFF)");
        const QByteArray d = entree(chemin);
        if (d.isEmpty())
            QSKIP("the real Jet test files are missing (CORVANE_DONNEES_JET)");
        QTemporaryDir dossier;
        const QString source = dossier.filePath(QStringLiteral("CLE.MDB"));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(d) == d.size());
        f.close();
        Jet::LimitesConversion limites;
        limites.delaiMillisecondes = 2000;
        const QString destination = dossier.filePath(QStringLiteral("NEWK7.MDB"));
        try {
            Jet::ConvertirBaseJet(source, destination, {}, limites);
            QFile::remove(destination);
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), Jet::ConversionImpossible);
        }
        QCOMPARE(QDir(dossier.path()).entryList(QDir::Files), QStringList{"CLE.MDB"});
    }
};

CORVANE_TEST(TestCorpus)
#include "tst_corpus.moc"
