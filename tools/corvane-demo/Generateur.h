#pragma once

#include <cstdint>
#include <string>

// The kiosk's activity as the demo folder records it: sales day by day up to
// the last day, and every evening the upload of the day's card batch.

// The parameters row (amounts in cents).
struct ParametresKiosque
{
    std::int64_t tarifs[5];
    int jetons[5];
    int hopper1;              // tokens in the token hopper
    int hopper2;              // coins in the euro hopper
    std::int64_t caisse;
};

struct Vente
{
    std::int64_t noVente = 0;
    char laDate[19];          // "YYYY-MM-DD HH:MM:SS"
    std::int64_t total = 0;   // cents
    double tauxTVA = 1.2;
    int typePaiement = 1;
    int nbJeton = 0;
    std::string client;       // card number; empty: no card (Null)
    std::int64_t paye = 0;
    std::int64_t rendu = 0;
    std::string ticket;
};

struct Telecollecte
{
    std::int64_t noTelecollecte = 0;
    char laDate[19];
    std::string ticket;
};

class Destination
{
public:
    virtual ~Destination() = default;
    virtual void vente(const Vente &v) = 0;
    virtual void telecollecte(const Telecollecte &t) = 0;
};

// The last day of the demo's activity: sales end on it, never on the wall clock.
inline constexpr int AnneeFin = 2026, MoisFin = 11, JourFin = 30;
inline constexpr std::int64_t VentesMax = 50'000'000;

ParametresKiosque parametresDemo(std::uint64_t graine);

// Number of days the sales are spread over (the last being the last day).
std::int64_t joursDActivite(std::int64_t nombreVentes);

// Hands `nombreVentes` sales, in increasing invoice number and date, and one
// card-batch upload per day, to `destination`. Deterministic for a seed.
void genererActivite(std::int64_t nombreVentes, std::uint64_t graine, const ParametresKiosque &p,
                     Destination &destination);
