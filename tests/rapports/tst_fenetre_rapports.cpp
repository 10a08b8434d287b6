#include "TestSupport.h"
#include "BaseRapports.h"
#include "LecturePdf.h"

#include "FrmGestion/FrmGestion.h"
#include "impression/ImprimanteQt.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList Ventes{"2026-12-01 09:00:00|12|1.2|2", "2026-12-01 10:00:00|4|1.2|1",
                         "2026-12-03 09:00:00|24|1.2|2", "2026-12-03 18:00:00|6|1.2|2"};

} // namespace

class TestFenetreRapports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sansVente();
    void imprimer();

private:
    void ouvrir(const QStringList &ventes, const QString &sql = {});
    std::unique_ptr<DossierKiosque> m_kiosque;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;
    std::unique_ptr<FrmGestion> m_fenetre;
};

void TestFenetreRapports::init()
{
    m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
}

void TestFenetreRapports::cleanup()
{
    m_fenetre.reset();
    m_kiosque.reset();
    m_boite.reset();
    ImprimanteParDefaut::definirFichierPdf(QString());
    ImprimanteParDefaut::definirRecherche({});
    Plateforme::definirCheminApplication(QString());
}

void TestFenetreRapports::ouvrir(const QStringList &ventes, const QString &sql)
{
    m_kiosque = std::make_unique<DossierKiosque>();
    m_kiosque->creer(ventes);
    if (!sql.isEmpty())
        TestSupport::executerSql(m_kiosque->base(), sql);
    m_fenetre = std::make_unique<FrmGestion>();
    m_fenetre->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_fenetre.get()));
    QVERIFY(m_fenetre->Connexion.isOpen());
}

// No period picked: every report button leaves the list as it was, silently.
void TestFenetreRapports::sansVente()
{
    ouvrir(Ventes);
    m_fenetre->List1->addItem(QStringLiteral("ancien rapport"));
    for (QPushButton *b : {m_fenetre->Command4, m_fenetre->Command5, m_fenetre->Command8}) {
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(m_fenetre->List1->count(), 1);
        QCOMPARE(m_fenetre->List1->item(0)->text(), QStringLiteral("ancien rapport"));
    }
    QVERIFY(m_boite->textes.isEmpty());
}

// "Imprimer " prints the list, "Imprimer Ticket" the ticket of the sale shown
// (the newest first in the journal), or each says there is no printer.
void TestFenetreRapports::imprimer()
{
    ouvrir(Ventes, QStringLiteral("UPDATE Ventes SET Ticket = 'AUTOMATE' || char(13, 10) || 'Vente ' || "
                                  "NoVente || char(13, 10) || 'Merci'"));
    m_fenetre->DateDebut = DateTime::fromDate(QDate(2026, 12, 1));
    m_fenetre->DateFin = QStringLiteral("05/12/2026");
    QTest::mouseClick(m_fenetre->Command5, Qt::LeftButton);
    const QString liste = m_kiosque->dossier.filePath(QStringLiteral("liste.pdf"));
    ImprimanteParDefaut::definirFichierPdf(liste);
    QTest::mouseClick(m_fenetre->Command7, Qt::LeftButton);
    const auto l = lirePdf(liste).lignes();
    QCOMPARE(l.size(), m_fenetre->List1->count() - 2);   // the list's empty lines print nothing
    QCOMPARE(l[0][0].texte, QStringLiteral("VENTES"));
    QCOMPARE(l[2].last().texte, QStringLiteral("HT:"));
    QCOMPARE(l[4][0].texte, QStringLiteral("01/12/26"));

    const QString ticket = m_kiosque->dossier.filePath(QStringLiteral("ticket.pdf"));
    ImprimanteParDefaut::definirFichierPdf(ticket);
    QTest::mouseClick(m_fenetre->CmdTicket, Qt::LeftButton);
    const auto t = lirePdf(ticket).lignes();
    QCOMPARE(t.size(), 3);
    QCOMPARE(t[0][0].texte, QStringLiteral("AUTOMATE"));
    QCOMPARE(t[1][1].texte, QStringLiteral("4"));
    QCOMPARE(t[2][0].texte, QStringLiteral("Merci"));
    QVERIFY(m_boite->textes.isEmpty());

    // No printer: each button says so and logs it, with no context.
    ImprimanteParDefaut::definirFichierPdf(QString());
    ImprimanteParDefaut::definirRecherche([] { return QPrinterInfo(); });
    QTest::mouseClick(m_fenetre->Command7, Qt::LeftButton);
    QTest::mouseClick(m_fenetre->CmdTicket, Qt::LeftButton);
    const QString message = QStringLiteral("N°: 482 Erreur d'imprimante : aucune imprimante par défaut n'est installée.");
    QCOMPARE(m_boite->textes, QStringList(2, message));
    QCOMPARE(m_kiosque->journal(), QStringList(2, '|' + message));
}

CORVANE_TEST(TestFenetreRapports)
#include "tst_fenetre_rapports.moc"
