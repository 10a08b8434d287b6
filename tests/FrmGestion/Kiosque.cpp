#include "Kiosque.h"

#include "FrmGestion/DataGrid.h"
#include "TestSupport.h"

#include <QTableView>
#include <QtTest>

namespace {
// Newest first: sale 3 (at midnight), 2, 1, 4. By amount: 3, 4, 1, 2.
const char *const sqlDonnees = R"(
INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, Rendu, Ticket) VALUES
 (1, '2026-01-05 09:15:00', 12.5, 1.2, 2, 5, '4970123412341234', 12.5, 0, 'Vente 1' || char(13,10) || 'Carte'),
 (2, '2026-02-10 14:00:00', 1234.5, 1.2, 1, 3, NULL, 1240, 5.5, 'Vente 2'),
 (3, '2026-03-01 00:00:00', 3.2, 1.2, 2, 1, '5132000011112222', 3.2, 0, 'Vente 3' || char(13,10) || 'Merci'),
 (4, '2025-12-31 23:59:59', 7, 1.2, 3, 2, NULL, 10, 3, 'Vente 4');
INSERT INTO Telecollectes (NoTelecollecte, LaDate, Ticket) VALUES
 (1, '2026-01-06 02:00:00', 'Télécollecte 1'),
 (2, '2026-02-11 02:00:00', 'Télécollecte 2');
INSERT INTO Parametres VALUES (1, 1.5, 2, 2.5, 3, 3.5, 1, 2, 3, 4, 5, 100, 200, 55.3);
)";
}

Kiosque::Kiosque(const QString &fichierBase, const QString &sqlSupplementaire)
{
    if (!fichierBase.isEmpty()) {
        base = dossier.filePath(fichierBase);
        TestSupport::creerBase(base, TestSupport::schemaVentes(), QString::fromUtf8(sqlDonnees) + sqlSupplementaire);
    }
    TestSupport::creerBase(dossier.filePath(QStringLiteral("MAINTEN.MDB")), TestSupport::schemaMaintenance());
    Plateforme::definirCheminApplication(dossier.path());
}

Kiosque::~Kiosque()
{
    Plateforme::definirCheminApplication(QString());
}

QTableView *tableJournal(FrmGestion &f)
{
    return f.findChild<DataGrid *>(QStringLiteral("DataGrid1"))->table();
}

QTableView *tableTelecollectes(FrmGestion &f)
{
    return f.findChild<DataGrid *>(QStringLiteral("DataGrid2"))->table();
}

namespace {

// The fixture's four sales and two uploads, and more. Newest first: 3, 5, 2, 6, 1, 4, 7, 123.
// By card: 2, 4, 7 (none), 123, 6, 1, 5, 3.
const char *const sqlPlus = R"(
INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton, Client, Paye, Rendu, Ticket) VALUES
 (5, '2026-02-20 10:30:00', 9, 1.2, 2, 4, '4970999988887777', 9, 0, 'Vente 5'),
 (6, '2026-01-20 08:00:00', 6, 1.2, 2, 3, '4012888888881881', 6, 0, 'Vente 6'),
 (7, '2025-11-15 12:00:00', 2, 1.2, 1, 1, NULL, 2, 0, 'Vente 7'),
 (123, '2025-10-01 08:30:00', 5, 1.2, 2, 2, '3530111333300000', 5, 0, 'Vente 123');
INSERT INTO Telecollectes (NoTelecollecte, LaDate, Ticket) VALUES (3, '2025-12-01 02:00:00', 'Télécollecte 3');
)";

int numeroCourant(const Recordset &rs, const char *champ)
{
    return rs.isEof() ? -1 : int(rs.field(QString::fromLatin1(champ)).toInteger());
}

bool cliquerLigne(QTableView *table, const Recordset &rs, const char *champ, int numero)
{
    const int ordinal = rs.fieldOrdinal(QString::fromLatin1(champ));
    for (int position = 0; position < rs.recordCount(); ++position) {
        if (rs.valueAt(position, ordinal).toInteger() != numero)
            continue;
        const QModelIndex i = table->model()->index(position, 0);
        table->scrollTo(i);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(i).center());
        return numeroCourant(rs, champ) == numero;
    }
    return false;
}

} // namespace

FenetreRecherche::FenetreRecherche(const QString &sqlSupplementaire)
    : k(QStringLiteral("dacorvane.mdb"), QString::fromUtf8(sqlPlus) + sqlSupplementaire)
{
}

bool FenetreRecherche::ouvrir()
{
    f.show();
    return QTest::qWaitForWindowExposed(&f);
}

int FenetreRecherche::venteCourante() const { return numeroCourant(f.RsVentes, "NoVente"); }

int FenetreRecherche::telecollecteCourante() const { return numeroCourant(f.RsTelecollectes, "NoTelecollecte"); }

bool FenetreRecherche::allerAVente(int noVente)
{
    return cliquerLigne(tableJournal(f), f.RsVentes, "NoVente", noVente);
}

bool FenetreRecherche::allerATelecollecte(int noTelecollecte)
{
    return cliquerLigne(tableTelecollectes(f), f.RsTelecollectes, "NoTelecollecte", noTelecollecte);
}

