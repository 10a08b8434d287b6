#pragma once

#include <QString>
#include <QTemporaryDir>

class FrmGestion;
class QTableView;

// A kiosk folder in a temporary directory that becomes the application
// folder: the sales database (four sales, two card batches, one parameters
// row) and an empty MAINTEN.MDB.
struct Kiosque
{
    // `fichierBase` empty: no database file at all.
    explicit Kiosque(const QString &fichierBase = QStringLiteral("dacorvane.mdb"));
    // The same with other rows: `sqlDonnees` fills the new database instead of the four sales.
    Kiosque(const QString &fichierBase, const QString &sqlDonnees);
    ~Kiosque();

    void executerSql(const QString &sql);
    QString valeurSql(const QString &sql) const;

    QTemporaryDir dossier;
    QString base;   // path of the sales database file ("" when none)
};

// Tickets of the fixture's rows.
namespace Fixture {
extern const char *const sqlDonnees;
}

// The journal grid's table view and the card-batch grid's.
QTableView *tableJournal(FrmGestion &f);
QTableView *tableTelecollectes(FrmGestion &f);
