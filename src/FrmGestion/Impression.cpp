// Printing the report list and the ticket shown.
#include "FrmGestion/FrmGestion.h"

void FrmGestion::Command7_Click() {}
void FrmGestion::CmdTicket_Click() {}
