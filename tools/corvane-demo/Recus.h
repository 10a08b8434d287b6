#pragma once

#include "Generateur.h"

#include <string>

// Receipt texts as the kiosk prints them: 32 columns, CR LF between lines.
namespace Recus {

struct DetailVente
{
    int annee, mois, jour, secondes;
    int tarif;                 // 0..4
    int quantite;
    long autorisation;         // card sales
};

void ticketVente(std::string &s, const Vente &v, const DetailVente &d, const ParametresKiosque &p);

struct Remise
{
    int annee, mois, jour, secondes;
    long commercant;
    int debitsVisa = 0, debitsMastercard = 0;
    std::int64_t montantVisa = 0, montantMastercard = 0;
};

void ticketTelecollecte(std::string &s, std::int64_t noTelecollecte, const Remise &r);

} // namespace Recus
