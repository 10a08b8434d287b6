// The journal and card-batch views, and the journal's header-click sort.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/LiaisonChamp.h"

#include <QGroupBox>
#include <QLineEdit>

void FrmGestion::Command1_Click()
{
    Frame2->setVisible(true);
    DataGrid1->setVisible(true);
    DataGrid2->setVisible(false);
    LiaisonText1->lier(Adodc2, QStringLiteral("Ticket"));
    // Cleared after the grids switch: the search reads which grid is shown.
    Text2->setText(QString());
}

void FrmGestion::Command2_Click()
{
    Frame2->setVisible(false);
    DataGrid2->setVisible(true);
    DataGrid1->setVisible(false);
    LiaisonText1->lier(Adodc3, QStringLiteral("Ticket"));
    Text2->setText(QString());
}

void FrmGestion::DataGrid1_HeadClick(int ColIndex)
{
    // Sort on the clicked column's field, ascending, with every failure
    // ignored (no such ordinal, a name the set refuses): the sort stays.
    try {
        if (Recordset *rs = Adodc2->recordset())
            rs->setSort(rs->fieldName(ColIndex));
    } catch (...) {
    }
}
