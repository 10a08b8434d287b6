#include "Recus.h"

#include "Texte.h"

#include <cmath>
#include <string_view>

namespace Recus {

namespace {

constexpr std::string_view NomKiosque = "STATION DE LAVAGE DES TILLEULS";

void entete(std::string &s)
{
    Texte::centre(s, NomKiosque);
    Texte::centre(s, "12 avenue des Tilleuls");
    Texte::centre(s, "44300 NANTES");
}

std::string_view libellePaiement(int type)
{
    switch (type) {
    case 1: return "Espèces";
    case 2: return "Carte bancaire";
    case 3: return "Badge abonné";
    case 4: return "Bon d'achat";
    default: return "Autre";
    }
}

std::string_view libelleTVA(double taux)
{
    if (taux == 1.1)
        return "TVA 10 %";
    if (taux == 1.055)
        return "TVA 5,5 %";
    return "TVA 20 %";
}

std::string enEuros(std::int64_t centimes)
{
    std::string s;
    Texte::montant(s, centimes);
    s += " EUR";
    return s;
}

} // namespace

void ticketVente(std::string &s, const Vente &v, const DetailVente &d, const ParametresKiosque &p)
{
    s.clear();
    Texte::centre(s, NomKiosque);
    Texte::centre(s, "44300 NANTES - Borne n°1");
    Texte::filet(s);
    std::string t = "Le ";
    Texte::dateTicket(t, d.annee, d.mois, d.jour, d.secondes);
    Texte::ligne(s, t);
    t = "Facture n° ";
    Texte::entier(t, v.noVente);
    Texte::ligne(s, t);
    Texte::filet(s);

    t.clear();
    Texte::entier(t, d.quantite);
    t += " x Tarif ";
    Texte::entier(t, d.tarif + 1);
    t += " (";
    Texte::entier(t, p.jetons[d.tarif]);
    t += p.jetons[d.tarif] > 1 ? " jetons)" : " jeton)";
    std::string m;
    Texte::montant(m, v.total);
    Texte::ligne(s, t, m);
    m.clear();
    Texte::entier(m, v.nbJeton);
    Texte::ligne(s, "Jetons délivrés", m);
    Texte::filet(s);

    const auto ht = static_cast<std::int64_t>(std::llround(double(v.total) / v.tauxTVA));
    Texte::ligne(s, "TOTAL TTC", enEuros(v.total));
    Texte::ligne(s, "TOTAL HT", enEuros(ht));
    Texte::ligne(s, libelleTVA(v.tauxTVA), enEuros(v.total - ht));
    Texte::filet(s);

    t = "Paiement : ";
    t += libellePaiement(v.typePaiement);
    Texte::ligne(s, t);
    if (!v.client.empty()) {
        t = "Carte ************";
        t.append(v.client, v.client.size() - 4, 4);
        Texte::ligne(s, t);
        t = "Autorisation n° ";
        Texte::entier(t, d.autorisation, 6);
        Texte::ligne(s, t);
    }
    Texte::ligne(s, "Payé", enEuros(v.paye));
    Texte::ligne(s, "Rendu", enEuros(v.rendu));
    Texte::filet(s);
    s.append(static_cast<std::size_t>((Texte::LargeurTicket - 21) / 2), ' ');
    s += "Merci de votre visite";
}

void ticketTelecollecte(std::string &s, std::int64_t noTelecollecte, const Remise &r)
{
    s.clear();
    Texte::centre(s, "TELECOLLECTE");
    entete(s);
    Texte::filet(s);
    std::string t = "Le ";
    Texte::dateTicket(t, r.annee, r.mois, r.jour, r.secondes);
    Texte::ligne(s, t);
    t = "Commerçant n° ";
    Texte::entier(t, r.commercant, 7);
    Texte::ligne(s, t);
    Texte::ligne(s, "Terminal n° 01");
    t = "Remise n° ";
    Texte::entier(t, noTelecollecte, 4);
    Texte::ligne(s, t);
    Texte::filet(s);

    auto bloc = [&s](std::string_view reseau, int debits, std::int64_t montant) {
        std::string n;
        Texte::entier(n, debits);
        n += debits > 1 ? " débits" : " débit";
        Texte::ligne(s, reseau, n);
        Texte::ligne(s, "", enEuros(montant));
    };
    const int debits = r.debitsVisa + r.debitsMastercard;
    if (debits == 0) {
        Texte::ligne(s, "Aucune transaction");
    } else {
        if (r.debitsVisa > 0)
            bloc("CB VISA", r.debitsVisa, r.montantVisa);
        if (r.debitsMastercard > 0)
            bloc("CB MASTERCARD", r.debitsMastercard, r.montantMastercard);
    }
    Texte::filet(s);
    bloc("TOTAL", debits, r.montantVisa + r.montantMastercard);
    Texte::filet(s);
    Texte::centre(s, "Télécollecte effectuée");
    s.resize(s.size() - Texte::FinLigne.size());
}

} // namespace Recus
