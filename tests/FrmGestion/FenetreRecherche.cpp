#include "FenetreRecherche.h"

#include "FrmGestion/DataGrid.h"

#include <QTableView>
#include <QtTest>

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
    : k(QStringLiteral("dacorvane.mdb"),
        QString::fromUtf8(Fixture::sqlDonnees) + QString::fromUtf8(sqlPlus) + sqlSupplementaire)
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

void taper(QWidget *boite, const QString &texte)
{
    for (const QChar c : texte)
        QTest::sendKeyEvent(QTest::Click, boite, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}
