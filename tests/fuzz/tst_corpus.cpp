// The fuzz corpus and the inputs that once failed a fuzz target, replayed at
// every test run with whatever compiler built the tests: the program's own
// readers (configuration, Find and Sort, dates, command line) and the Jet
// translators.
#include "EntreesFuzz.h"
#include "EntreesNoyau.h"
#include "TestSupport.h"

#include <QtTest>

namespace {

using Entree = int (*)(const std::uint8_t *, std::size_t);

const std::pair<const char *, Entree> Cibles[] = {
    {"configuration", fuzz::configuration}, {"recordset", fuzz::recordset}, {"dates", fuzz::dates},
    {"ligne_de_commande", fuzz::ligneDeCommande}, {"expression", fuzz::expression},
    {"requete", fuzz::requete}, {"valeurs", fuzz::valeurs},
};

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
            for (const char *sous : {"corpus/", "regressions/"}) {
                const QDir dossier(QStringLiteral(CORVANE_FUZZ_DIR "/") + sous + Cibles[i].first);
                for (const QString &n : dossier.entryList(QDir::Files, QDir::Name))
                    if (n != QLatin1String("README.md"))
                        QTest::addRow("%s%s/%s", sous, Cibles[i].first, qPrintable(n)) << i << dossier.filePath(n);
            }
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
};

CORVANE_TEST(TestCorpus)
#include "tst_corpus.moc"
