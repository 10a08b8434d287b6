#include "FrmGestion/Application.h"
#include "FrmGestion/FrmGestion.h"
#include "commande/AideEnLigne.h"
#include "commande/ConversionEnLigne.h"
#include "commande/RapportEnLigne.h"
#include "flotte/FlotteEnLigne.h"

int main(int argc, char *argv[])
{
    // The fleet's PostgreSQL database: no window either.
    if (const auto sortie = ExecuterFlotteEnLigne(argc, argv))
        return *sortie;
    // A report for a script: no window, no display needed.
    if (const auto sortie = ExecuterRapportEnLigne(argc, argv))
        return *sortie;
    // A Jet database converted for an administrator: no window either.
    if (const auto sortie = ExecuterConversionEnLigne(argc, argv))
        return *sortie;
    // --help and a mistyped option: no display needed either.
    if (const auto sortie = ExecuterAideEnLigne(argc, argv))
        return *sortie;
    Application application(argc, argv);
    if (const auto sortie = application.traiterLigneDeCommande())
        return *sortie;
    FrmGestion fenetre;
    fenetre.show();
    return application.executer();
}
