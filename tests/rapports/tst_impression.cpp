#include "BaseRapports.h"
#include "LecturePdf.h"

#include "impression/ImprimanteQt.h"
#include "rapports/Impression.h"

#include <QtTest>
#include <cmath>

namespace {

// A daily report as the list holds it, with a month's line and a total.
const QStringList Journalier = enTete(QStringLiteral("VENTES JOURNALIÉRE")) + groupe("01/12/26", "1", "10,00")
                               + groupe("03/12/26", "12", "125,00") + groupe("11/26", "2", "15,00")
                               + QStringList{QStringLiteral("TOTAL TTC: \t21,00 EUR")};

bool proche(double a, double b) { return std::abs(a - b) < 0.5; }

} // namespace

class TestImpression : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::epinglerFrancais();
        auto imprimante = ImprimanteQt::versPdf(pdf(QStringLiteral("reference.pdf")));
        imprimante->imprimerLigne(QStringLiteral("A"));
        imprimante->imprimerLigne(QStringLiteral("B"));
        imprimante->finDocument();
        const DocumentPdf ref = lirePdf(pdf(QStringLiteral("reference.pdf")));
        QCOMPARE(ref.pages, 1);
        QCOMPARE(ref.mots.size(), 2);
        m_x0 = ref.mots[0].x;
        m_y0 = ref.mots[0].y;
        m_pas = ref.mots[1].y - ref.mots[0].y;
        QVERIFY(m_pas > 4 && m_pas < 40);
    }

    void rapport()
    {
        auto imprimante = ImprimanteQt::versPdf(pdf(QStringLiteral("rapport.pdf")));
        QVERIFY(ImprimerRapport(*imprimante, Journalier));
        const DocumentPdf doc = lirePdf(pdf(QStringLiteral("rapport.pdf")));
        QCOMPARE(doc.pages, 1);
        const auto lignes = doc.lignes();
        QCOMPARE(lignes.size(), Journalier.size() - 2);   // the list's two empty lines print nothing

        // Two empty lines at the top, then every list line one line further down.
        QVERIFY(proche(lignes[0][0].y, m_y0 + 2 * m_pas));
        QVERIFY(proche(lignes[1][0].y, m_y0 + 4 * m_pas));   // after the list's own empty line

        // Every line is indented by the same one tab stop: a real distance, not a blank.
        // Words that follow a tab start on a tab stop, inside the page.
        const double tab = lignes[0][0].x - m_x0;
        QVERIFY(tab > 15 && tab < doc.largeurPage / 6);
        const QStringList apresTab{"CB:", "|", "Montant", "21,00"};
        for (const auto &l : lignes) {
            QVERIFY(proche(l[0].x, m_x0 + tab));
            for (const MotPdf &m : l) {
                const double k = (m.x - m_x0) / tab;
                if (apresTab.contains(m.texte))
                    QVERIFY(k >= 1 && std::abs(k - std::round(k)) * tab < 0.5 && m.xFin < doc.largeurPage);
            }
        }
    }

    void plusieursPages()
    {
        QStringList lignesListe;
        for (int i = 0; i < 250; ++i)
            lignesListe << QStringLiteral("ligne\t%1").arg(i);
        auto imprimante = ImprimanteQt::versPdf(pdf(QStringLiteral("long.pdf")));
        QVERIFY(ImprimerRapport(*imprimante, lignesListe));
        const DocumentPdf doc = lirePdf(pdf(QStringLiteral("long.pdf")));
        QVERIFY(doc.pages >= 2);
        const auto lignes = doc.lignes();
        QCOMPARE(lignes.size(), 250);
        int page = 0;
        for (int i = 0; i < lignes.size(); ++i) {
            QCOMPARE(lignes[i].size(), 2);
            QCOMPARE(lignes[i][1].texte, QString::number(i));      // in order, none lost at the page change
            QVERIFY(lignes[i][0].yFin <= doc.hauteurPage);
            if (lignes[i][0].page != page) {
                QCOMPARE(lignes[i][0].page, ++page);
                QVERIFY(proche(lignes[i][0].y, m_y0));              // the next page starts at its top
            } else if (i > 0) {
                QVERIFY(proche(lignes[i][0].y - lignes[i - 1][0].y, m_pas));
            }
        }
        QCOMPARE(page, doc.pages - 1);
    }

    // A PDF that cannot be written: the French reason, in the message box and the
    // log (no context); nothing is left behind.
    void fichierImpossible()
    {
        DossierKiosque k;
        k.creer({});
        TestSupport::BoiteMessageTest boite;
        const QString impossible = k.dossier.filePath(QStringLiteral("absent/sortie.pdf"));
        QVERIFY(!ImprimerRapport(*ImprimanteQt::versPdf(impossible), Journalier));
        QCOMPARE(boite.textes, QStringList{"N°: 482 Erreur d'imprimante : le fichier « " + impossible
                                           + " » n'a pas pu être écrit : dossier introuvable."});
        QCOMPARE(boite.titres[0], QStringLiteral("Corvane"));
        QCOMPARE(k.journal(), QStringList{QLatin1Char('|') + boite.textes[0]});
        QVERIFY(!QFile::exists(impossible));
    }

private:
    QString pdf(const QString &nom) const { return m_dossier.filePath(nom); }
    QTemporaryDir m_dossier;
    // Measured on a document of two plain lines: left edge, top line, line pitch.
    double m_x0 = 0, m_y0 = 0, m_pas = 0;
};

CORVANE_TEST(TestImpression)
#include "tst_impression.moc"
