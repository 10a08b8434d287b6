#pragma once

#include "Kiosque.h"

#include "FrmGestion/FrmGestion.h"

#include <QString>

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

// Types each character as its own key press (any character, not only Latin-1).
void taper(QWidget *boite, const QString &texte);
