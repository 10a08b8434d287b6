#include "Kiosque.h"

#include "FrmGestion/DataGrid.h"
#include "FrmGestion/FrmGestion.h"
#include "TestSupport.h"

#include <QTableView>

namespace Fixture {
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

Kiosque::Kiosque(const QString &fichierBase) : Kiosque(fichierBase, QString::fromUtf8(Fixture::sqlDonnees)) {}

Kiosque::Kiosque(const QString &fichierBase, const QString &sqlDonnees)
{
    if (!fichierBase.isEmpty()) {
        base = dossier.filePath(fichierBase);
        TestSupport::creerBase(base, TestSupport::schemaVentes(), sqlDonnees);
    }
    TestSupport::creerBase(dossier.filePath(QStringLiteral("MAINTEN.MDB")), TestSupport::schemaMaintenance());
    Plateforme::definirCheminApplication(dossier.path());
}

Kiosque::~Kiosque()
{
    Plateforme::definirCheminApplication(QString());
}

void Kiosque::executerSql(const QString &sql) { TestSupport::executerSql(base, sql); }

QString Kiosque::valeurSql(const QString &sql) const { return TestSupport::valeurSql(base, sql); }

QTableView *tableJournal(FrmGestion &f)
{
    return f.findChild<DataGrid *>(QStringLiteral("DataGrid1"))->table();
}

QTableView *tableTelecollectes(FrmGestion &f)
{
    return f.findChild<DataGrid *>(QStringLiteral("DataGrid2"))->table();
}
