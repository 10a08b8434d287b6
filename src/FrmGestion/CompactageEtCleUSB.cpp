// Compaction of the sales database and the database search on a USB key.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/DialogueCompactage.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/Occupation.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/Plateforme.h"

void FrmGestion::ReparerDatabase()
{
    DialogueCompactage dialogue(this);
    Maintenance::OptionsReparation options;
    options.progression = [&dialogue](double fraction) { dialogue.progression(fraction); };
    Maintenance::ReparerDatabase(CheminBase, options);
}

bool FrmGestion::ChercherSurCleUSB()
{
    // The first step of the start-up: from here to its end the window holds
    // its folder shared, so that another Corvane starting there never
    // compacts or replaces the database under it.
    Maintenance::partagerDossier(Plateforme::cheminApplication());
    return Maintenance::ChercherSurCleUSB();
}
