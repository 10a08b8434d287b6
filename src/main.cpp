#include "FrmGestion/Application.h"
#include "FrmGestion/FrmGestion.h"

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    if (const auto sortie = application.traiterLigneDeCommande())
        return *sortie;
    FrmGestion fenetre;
    fenetre.show();
    return application.exec();
}
