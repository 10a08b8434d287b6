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

QStringList lignes(const QListWidget *liste)
{
    QStringList l;
    for (int i = 0; i < liste->count(); ++i)
        l << liste->item(i)->text();
    return l;
}

const QString Tirets(95, QLatin1Char('-'));

} // namespace

class TestFenetreRapports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void boutons_data();
    void boutons();
    void imprimerListe();
    void imprimerTicket();
    void sansImprimante_data();
    void sansImprimante();

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

void TestFenetreRapports::boutons_data()
{
    QTest::addColumn<QString>("bouton");
    QTest::addColumn<QDate>("du");   // invalid: no period picked
    QTest::addColumn<QString>("au");
    QTest::addColumn<QStringList>("attendu");
    const QDate d1(2026, 12, 1);
    QTest::newRow("Total des ventes")
        << "Command4" << d1 << "05/12/2026"
        << QStringList{"TOTAL DE VENTE", "Du 01/12/26 au 05/12/26", "", "Carte Bancaire:", "Nb de vente: 3",
                       "Montant HT: 35,00 EUR", QString(20, '_'), "Nb Total vente: 4", "TOTAL HT: \t38,33 EUR",
                       "TOTAL TTC: \t46,00 EUR"};
    const QStringList enTete{"", "Du 01/12/26 au 05/12/26", "", "Date:        \t\t Nb ventes:\tMontant HT:", Tirets};
    QTest::newRow("Ventes Journalières")
        << "Command5" << d1 << "05/12/2026"
        << QStringList{"VENTES JOURNALIÉRE"} + enTete
               + QStringList{"01/12/26\tCB:     \t| 1\t\t| 10,00 EUR", Tirets, "03/12/26\tCB:     \t| 2\t\t| 25,00 EUR", Tirets};
    QTest::newRow("Ventes Mensuel")
        << "Command8" << d1 << "05/12/2026"
        << QStringList{"VENTES MENSUEL"} + enTete + QStringList{"12/26\tCB:     \t\t| 3\t\t| 35,00 EUR", Tirets};
    // No sale: the list keeps what it showed.
    const QStringList ancien{QStringLiteral("ancien rapport")};
    QTest::newRow("Command4, aucune période choisie") << "Command4" << QDate() << "" << ancien;
    QTest::newRow("Command5, période sans vente") << "Command5" << QDate(2026, 12, 4) << "30/12/2026" << ancien;
    QTest::newRow("Command8, aucune période choisie") << "Command8" << QDate() << "" << ancien;
}

void TestFenetreRapports::boutons()
{
    QFETCH(QString, bouton);
    QFETCH(QDate, du);
    QFETCH(QString, au);
    QFETCH(QStringList, attendu);
    ouvrir(Ventes);
    m_fenetre->List1->addItem(QStringLiteral("ancien rapport"));
    if (du.isValid()) {
        m_fenetre->DateDebut = DateTime::fromDate(du);
        m_fenetre->DateFin = au;
    }
    auto *b = m_fenetre->findChild<QPushButton *>(bouton);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(lignes(m_fenetre->List1), attendu);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(lignes(m_fenetre->List1), attendu);
    QVERIFY(m_boite->textes.isEmpty());
}

void TestFenetreRapports::imprimerListe()
{
    ouvrir(Ventes);
    m_fenetre->DateDebut = DateTime::fromDate(QDate(2026, 12, 1));
    m_fenetre->DateFin = QStringLiteral("05/12/2026");
    QTest::mouseClick(m_fenetre->Command5, Qt::LeftButton);
    const QString pdf = m_kiosque->dossier.filePath(QStringLiteral("liste.pdf"));
    ImprimanteParDefaut::definirFichierPdf(pdf);
    QTest::mouseClick(m_fenetre->Command7, Qt::LeftButton);
    QVERIFY(m_boite->textes.isEmpty());
    const auto l = lirePdf(pdf).lignes();
    QCOMPARE(l.size(), m_fenetre->List1->count() - 2);   // the list's empty lines print nothing
    QCOMPARE(l[0][0].texte, QStringLiteral("VENTES"));
    QCOMPARE(l[2].last().texte, QStringLiteral("HT:"));
    QCOMPARE(l[4][0].texte, QStringLiteral("01/12/26"));
}

void TestFenetreRapports::imprimerTicket()
{
    ouvrir(Ventes, QStringLiteral("UPDATE Ventes SET Ticket = 'AUTOMATE' || char(13, 10) || 'Vente ' || "
                                  "NoVente || char(13, 10) || 'Merci'"));
    const QString pdf = m_kiosque->dossier.filePath(QStringLiteral("ticket.pdf"));
    ImprimanteParDefaut::definirFichierPdf(pdf);
    QTest::mouseClick(m_fenetre->CmdTicket, Qt::LeftButton);
    QVERIFY(m_boite->textes.isEmpty());
    const auto l = lirePdf(pdf).lignes();
    QCOMPARE(l.size(), 3);
    QCOMPARE(l[0][0].texte, QStringLiteral("AUTOMATE"));
    // The journal shows the newest sale first: its ticket is the one printed.
    QCOMPARE(l[1][1].texte, QStringLiteral("4"));
    QCOMPARE(l[2][0].texte, QStringLiteral("Merci"));
}

void TestFenetreRapports::sansImprimante_data()
{
    QTest::addColumn<bool>("ticket");
    QTest::newRow("Imprimer ") << false;
    QTest::newRow("Imprimer Ticket") << true;
}

void TestFenetreRapports::sansImprimante()
{
    QFETCH(bool, ticket);
    ouvrir(Ventes);
    ImprimanteParDefaut::definirRecherche([] { return QPrinterInfo(); });
    QTest::mouseClick(ticket ? m_fenetre->CmdTicket : m_fenetre->Command7, Qt::LeftButton);
    QCOMPARE(m_boite->textes.size(), 1);
    QVERIFY(m_boite->textes[0].startsWith(QStringLiteral("N°: 482 ")));
    QCOMPARE(m_kiosque->journal(), QStringList{QLatin1Char('|') + m_boite->textes[0]});
}

CORVANE_TEST(TestFenetreRapports)
#include "tst_fenetre_rapports.moc"
