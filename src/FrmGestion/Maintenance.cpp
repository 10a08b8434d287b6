// Compaction of the sales database and the database search on a USB key.
#include "FrmGestion/FrmGestion.h"

void FrmGestion::ReparerDatabase() {}
bool FrmGestion::ChercherSurCleUSB() { return false; }
