#include "Generateur.h"

#include "Alea.h"
#include "Calendrier.h"
#include "Recus.h"
#include "Texte.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Opening hours of the kiosk: 07:00:00 to 21:59:59.
constexpr int Ouverture = 7 * 3600;
constexpr int Amplitude = 15 * 3600;
// About forty sales a day, over ten years at most; a day never holds more
// sales than its opening hours have seconds.
constexpr std::int64_t VentesParJour = 40;
constexpr std::int64_t JoursMax = 3650;
constexpr std::int64_t VentesParJourMax = 15000;

constexpr const char *Prefixes[] = {"4970", "4974", "4978", "4973", "4979", "5132", "5131", "5136"};
constexpr double TauxTVA[] = {1.2, 1.1, 1.055};
constexpr std::int64_t Billets[] = {500, 1000, 2000, 5000, 10000};

std::string numeroCarte(Alea &alea)
{
    std::string n = Prefixes[alea.entier(std::size(Prefixes))];
    while (n.size() < 15)
        n += static_cast<char>('0' + alea.entier(10));
    // Luhn check digit, as every real card number carries.
    int somme = 0;
    for (int i = 14, double_ = 1; i >= 0; --i, double_ ^= 1) {
        int c = n[static_cast<std::size_t>(i)] - '0';
        if (double_) {
            c *= 2;
            if (c > 9)
                c -= 9;
        }
        somme += c;
    }
    n += static_cast<char>('0' + (10 - somme % 10) % 10);
    return n;
}

// Sales of each day: busier at weekends and in summer, with day-to-day noise.
std::vector<std::int64_t> repartirParJour(std::int64_t nombreVentes, std::int64_t premierJour,
                                          std::int64_t jours, Alea &alea)
{
    std::vector<double> cumul(static_cast<std::size_t>(jours));
    double total = 0;
    for (std::int64_t i = 0; i < jours; ++i) {
        const std::int64_t numero = premierJour + i;
        const int semaine = jourSemaine(numero);
        const double facteurSemaine = semaine == 6 ? 1.6 : semaine == 0 ? 1.4 : semaine == 5 ? 1.2 : 1.0;
        const Jour j = jourCivil(numero);
        const double saison = 1.0 + 0.25 * std::sin(2 * std::numbers::pi * (j.mois - 4) / 12.0);
        total += facteurSemaine * saison * (0.7 + 0.6 * alea.reel());
        cumul[static_cast<std::size_t>(i)] = total;
    }
    std::vector<std::int64_t> parJour(static_cast<std::size_t>(jours));
    std::int64_t avant = 0;
    for (std::size_t i = 0; i < parJour.size(); ++i) {
        const std::int64_t jusquIci = i + 1 == parJour.size()
            ? nombreVentes
            : std::min(nombreVentes, static_cast<std::int64_t>(std::floor(double(nombreVentes) * cumul[i] / total + 0.5)));
        parJour[i] = std::max<std::int64_t>(0, jusquIci - avant);
        avant += parJour[i];
    }
    return parJour;
}

// `n` distinct seconds of the opening hours, increasing, crowding mid-afternoon.
void heuresDuJour(std::vector<int> &heures, std::size_t n, Alea &alea)
{
    heures.resize(n);
    for (auto &h : heures)
        h = static_cast<int>((alea.reel() + alea.reel()) * 0.5 * Amplitude);
    std::sort(heures.begin(), heures.end());
    for (std::size_t i = 1; i < n; ++i)
        heures[i] = std::max(heures[i], heures[i - 1] + 1);
    for (std::size_t i = n; i-- > 0;)
        heures[i] = std::min(heures[i], i + 1 == n ? Amplitude - 1 : heures[i + 1] - 1);
}

} // namespace

ParametresKiosque parametresDemo(std::uint64_t graine)
{
    Alea alea(graine ^ 0x5041524Dull);
    ParametresKiosque p{{250, 500, 1000, 1500, 2000}, {1, 2, 5, 8, 11}, 0, 0, 0};
    p.hopper1 = 200 + static_cast<int>(alea.entier(800));
    p.hopper2 = 50 + static_cast<int>(alea.entier(400));
    p.caisse = 10 * (10000 + static_cast<std::int64_t>(alea.entier(20000)));
    return p;
}

std::int64_t joursDActivite(std::int64_t nombreVentes)
{
    const std::int64_t jours = std::clamp<std::int64_t>((nombreVentes + VentesParJour - 1) / VentesParJour, 1, JoursMax);
    return std::max(jours, (nombreVentes + VentesParJourMax - 1) / VentesParJourMax);
}

void genererActivite(std::int64_t nombreVentes, std::uint64_t graine, const ParametresKiosque &p,
                     Destination &destination)
{
    if (nombreVentes <= 0)
        return;
    Alea alea(graine);
    const std::int64_t jours = joursDActivite(nombreVentes);
    const std::int64_t dernierJour = numeroJour(AnneeFin, MoisFin, JourFin);
    const std::int64_t premierJour = dernierJour - jours + 1;
    const std::vector<std::int64_t> parJour = repartirParJour(nombreVentes, premierJour, jours, alea);

    // Regular customers come back with the same card; some cards are seen once.
    std::vector<std::string> habitues(static_cast<std::size_t>(std::clamp<std::int64_t>(nombreVentes / 6, 16, 250000)));
    for (auto &carte : habitues)
        carte = numeroCarte(alea);
    const long commercant = 1000000 + static_cast<long>(alea.entier(9000000));

    Vente v;
    Telecollecte t;
    std::vector<int> heures;
    std::int64_t prochainNumero = 1;
    for (std::int64_t i = 0; i < jours; ++i) {
        const Jour jour = jourCivil(premierJour + i);
        Recus::Remise remise{jour.annee, jour.mois, jour.jour, 23 * 3600 + static_cast<int>(alea.entier(600)),
                             commercant};
        heuresDuJour(heures, static_cast<std::size_t>(parJour[static_cast<std::size_t>(i)]), alea);
        for (const int heure : heures) {
            Recus::DetailVente d{jour.annee, jour.mois, jour.jour, Ouverture + heure,
                                 static_cast<int>(alea.parPoids({30, 32, 22, 11, 5})),
                                 1 + static_cast<int>(alea.parPoids({85, 12, 3})), 0};
            // Now and then a sale is cancelled at the kiosk: its number is lost.
            v.noVente = prochainNumero + (alea.entier(200) == 0);
            prochainNumero = v.noVente + 1;
            Texte::dateIso(v.laDate, d.annee, d.mois, d.jour, d.secondes);
            v.total = p.tarifs[d.tarif] * d.quantite;
            v.nbJeton = p.jetons[d.tarif] * d.quantite;
            v.tauxTVA = TauxTVA[alea.parPoids({80, 15, 5})];
            v.typePaiement = 1 + static_cast<int>(alea.parPoids({55, 38, 4, 3}));
            v.client.clear();
            v.paye = v.total;
            if (v.typePaiement == 1 && alea.entier(100) >= 35) {
                // Paid with a note; the kiosk gives the change back in coins.
                std::size_t b = 0;
                while (Billets[b] < v.total && b + 1 < std::size(Billets))
                    ++b;
                if (b + 1 < std::size(Billets) && alea.entier(4) == 0)
                    ++b;
                v.paye = std::max(v.total, Billets[b]);
            } else if (v.typePaiement == 2) {
                const double u = alea.reel();
                v.client = alea.entier(10) < 6 ? habitues[static_cast<std::size_t>(u * u * double(habitues.size()))]
                                               : numeroCarte(alea);
                d.autorisation = static_cast<long>(alea.entier(1000000));
                (v.client[0] == '4' ? remise.debitsVisa : remise.debitsMastercard) += 1;
                (v.client[0] == '4' ? remise.montantVisa : remise.montantMastercard) += v.total;
            }
            v.rendu = v.paye - v.total;
            Recus::ticketVente(v.ticket, v, d, p);
            destination.vente(v);
        }
        t.noTelecollecte = i + 1;
        Texte::dateIso(t.laDate, jour.annee, jour.mois, jour.jour, remise.secondes);
        Recus::ticketTelecollecte(t.ticket, t.noTelecollecte, remise);
        destination.telecollecte(t);
    }
}
