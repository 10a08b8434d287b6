// The corpus of the fuzz targets on the program's own readers (configuration,
// Find and Sort, dates, command line) and the inputs that once failed one,
// replayed at every test run with whatever compiler built the tests.
#include "EntreesNoyau.h"
#include "TestSupport.h"

#include <QtTest>

namespace {

using Entree = int (*)(const std::uint8_t *, std::size_t);

const std::pair<const char *, Entree> Cibles[] = {
    {"configuration", fuzz::configuration},
    {"recordset", fuzz::recordset},
    {"dates", fuzz::dates},
    {"ligne_de_commande", fuzz::ligneDeCommande},
};

QStringList fichiers(const QString &dossier)
{
    QStringList r;
    for (const QString &n : QDir(dossier).entryList(QDir::Files, QDir::Name))
        if (n != QLatin1String("README.md"))
            r << QDir(dossier).filePath(n);
    return r;
}

} // namespace

class TestCorpusNoyau : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::epinglerFrancais(); }

    void rejouer_data()
    {
        QTest::addColumn<int>("cible");
        QTest::addColumn<QString>("chemin");
        for (int i = 0; i < int(std::size(Cibles)); ++i)
            for (const char *sous : {"corpus/", "regressions/"})
                for (const QString &f : fichiers(QStringLiteral(CORVANE_FUZZ_DIR "/") + QLatin1String(sous)
                                                 + QLatin1String(Cibles[i].first)))
                    QTest::addRow("%s%s/%s", sous, Cibles[i].first, qPrintable(QFileInfo(f).fileName())) << i << f;
    }
    // A fault aborts the run inside the entry, naming the input.
    void rejouer()
    {
        QFETCH(int, cible);
        QFETCH(QString, chemin);
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray d = f.readAll();
        QCOMPARE(Cibles[cible].second(reinterpret_cast<const std::uint8_t *>(d.constData()), std::size_t(d.size())), 0);
    }

    // The bounded run in CI starts from these seeds.
    void corpusPresent_data()
    {
        QTest::addColumn<QString>("cible");
        for (const auto &c : Cibles)
            QTest::newRow(c.first) << QString::fromLatin1(c.first);
    }
    void corpusPresent()
    {
        QFETCH(QString, cible);
        QVERIFY(fichiers(QStringLiteral(CORVANE_FUZZ_DIR "/corpus/") + cible).size() >= 5);
    }
};

QTEST_GUILESS_MAIN(TestCorpusNoyau)
#include "tst_corpus_noyau.moc"
