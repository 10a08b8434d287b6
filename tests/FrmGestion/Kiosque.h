#pragma once

#include "FrmGestion/FrmGestion.h"

#include <QTemporaryDir>

class QTableView;

// A kiosk folder in a temporary directory that becomes the application
// folder: the sales database (four sales, two card batches, one parameters
// row) and an empty MAINTEN.MDB.
struct Kiosque
{
    // `fichierBase` empty: no database file at all; `sqlSupplementaire` runs after the fixture's rows.
    explicit Kiosque(const QString &fichierBase = QStringLiteral("dacorvane.mdb"),
                     const QString &sqlSupplementaire = {});
    ~Kiosque();

    QTemporaryDir dossier;
    QString base;   // path of the sales database file ("" when none)
};

// The journal grid's table view and the card-batch grid's.
QTableView *tableJournal(FrmGestion &f);
QTableView *tableTelecollectes(FrmGestion &f);

// The window shown offscreen on a kiosk folder whose journal suits the search:
// eight sales (some without a card number, sale 123 among them) and three
// card batches, plus `sqlSupplementaire` run on the database before start-up.
struct FenetreRecherche
{
    explicit FenetreRecherche(const QString &sqlSupplementaire = {});

    // Shows the window (which runs the start-up); false when it never appears.
    bool ouvrir();

    // NoVente of the journal's current sale, -1 at end of file.
    int venteCourante() const;
    // NoTelecollecte of the card-batch list's current upload, -1 at end of file.
    int telecollecteCourante() const;
    // Click the sale's (or upload's) row in its grid, as the operator would.
    bool allerAVente(int noVente);
    bool allerATelecollecte(int noTelecollecte);

    Kiosque k;
    FrmGestion f;
};
