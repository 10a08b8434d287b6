// Compaction of the sales database and the database search on a USB key.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/DialogueCompactage.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"

void FrmGestion::ReparerDatabase()
{
    DialogueCompactage dialogue(this);
    Maintenance::OptionsReparation options;
    options.progression = [&dialogue](double fraction) { dialogue.progression(fraction); };
    Maintenance::ReparerDatabase(CheminBase, options);
}

bool FrmGestion::ChercherSurCleUSB() { return Maintenance::ChercherSurCleUSB(); }
