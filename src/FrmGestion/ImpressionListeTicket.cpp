// Printing the report list and the ticket shown.
#include "FrmGestion/FrmGestion.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/LiaisonChamp.h"

#include "impression/ImprimanteQt.h"
#include "rapports/Impression.h"

#include <QListWidget>

void FrmGestion::Command7_Click()
{
    QStringList lignes;
    lignes.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        lignes << List1->item(i)->text();
    const auto imprimante = ImprimanteParDefaut::creer();
    ImprimerRapport(*imprimante, lignes);
}

void FrmGestion::CmdTicket_Click()
{
    // The ticket as the field holds it (the box shows the same text, but its
    // document would turn the CR LF pairs into paragraphs).
    const auto imprimante = ImprimanteParDefaut::creer();
    ImprimerTicket(*imprimante, LiaisonText1->valeur());
}
