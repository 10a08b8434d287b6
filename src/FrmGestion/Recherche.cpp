// Search modes, the search box's key filter and the search itself.
#include "FrmGestion/FrmGestion.h"

void FrmGestion::Option1_Click() {}
void FrmGestion::Option2_Click() {}
void FrmGestion::Option3_Click() {}
void FrmGestion::Text2_KeyPress(qint16 &) {}
void FrmGestion::Text2_Change() {}
