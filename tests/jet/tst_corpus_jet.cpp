// The fuzz corpus and the inputs that once failed a fuzz target, replayed at
// every test run (with whatever compiler built the tests).
#include "EntreesFuzz.h"
#include "TestSupport.h"
#include "jet/ConvertisseurJet.h"
#include "shared/RuntimeError.h"

#include <QtTest>

namespace {

QString dossierFuzz() { return QStringLiteral(CORVANE_FUZZ_DIR); }
QString donnees() { return qEnvironmentVariable("CORVANE_DONNEES_JET"); }

QStringList fichiers(const QString &dossier)
{
    QStringList r;
    for (const QString &n : QDir(dossier).entryList(QDir::Files, QDir::Name))
        if (n != QLatin1String("README.md"))
            r << QDir(dossier).filePath(n);
    return r;
}

// A damaged file from its recipe (see fuzz/regressions/README.md), or the file itself.
QByteArray entree(const QString &chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    if (!chemin.endsWith(QLatin1String(".txt")))
        return f.readAll();
    QByteArray contenu;
    for (const QString &ligne : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QStringList m = ligne.simplified().split(QLatin1Char(' '));
        if (m.value(0) == QLatin1String("source")) {
            QFile s(donnees() + QLatin1Char('/') + m.value(1));
            if (!s.open(QIODevice::ReadOnly))
                return {};
            contenu = s.readAll();
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

class TestCorpusJet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::epinglerFrancais(); }

    void traduction_data()
    {
        QTest::addColumn<QString>("cible");
        QTest::addColumn<QString>("chemin");
        for (const QString &cible : {QStringLiteral("expression"), QStringLiteral("requete"), QStringLiteral("valeurs")})
            for (const QString &sous : {QStringLiteral("corpus/"), QStringLiteral("regressions/")})
                for (const QString &f : fichiers(dossierFuzz() + QLatin1Char('/') + sous + cible))
                    QTest::addRow("%s", qPrintable(sous + cible + QLatin1Char('/') + QFileInfo(f).fileName()))
                        << cible << f;
    }
    void traduction()
    {
        QFETCH(QString, cible);
        QFETCH(QString, chemin);
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray d = f.readAll();
        const auto *o = reinterpret_cast<const std::uint8_t *>(d.constData());
        if (cible == QLatin1String("expression"))
            QCOMPARE(fuzz::expression(o, size_t(d.size())), 0);
        else if (cible == QLatin1String("requete"))
            QCOMPARE(fuzz::requete(o, size_t(d.size())), 0);
        else
            QCOMPARE(fuzz::valeurs(o, size_t(d.size())), 0);
    }

    // Damaged files go through the converter process: converted or refused cleanly.
    void lecture_data()
    {
        QTest::addColumn<QString>("chemin");
        for (const QString &f : fichiers(dossierFuzz() + QStringLiteral("/regressions/lecture")))
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
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(d);
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

QTEST_GUILESS_MAIN(TestCorpusJet)
#include "tst_corpus_jet.moc"
