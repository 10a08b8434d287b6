// The period picked on the calendar.
#include "FrmGestion/FrmGestion.h"

void FrmGestion::Command6_Click(int) {}
void FrmGestion::MonthView1_DateClick(QDate) {}
