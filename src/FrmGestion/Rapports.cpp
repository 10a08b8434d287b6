// The three reports over the period, written into List1.
#include "FrmGestion/FrmGestion.h"

void FrmGestion::TotalVentes() {}
void FrmGestion::TotalVentesparJours() {}
void FrmGestion::TotalVentesparmois() {}
