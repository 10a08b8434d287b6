#include "Texte.h"

#include <charconv>

namespace Texte {

void entier(std::string &s, std::int64_t n, int chiffresMin)
{
    char tampon[24];
    const auto fin = std::to_chars(tampon, tampon + sizeof tampon, n < 0 ? -n : n).ptr;
    if (n < 0)
        s += '-';
    for (auto chiffres = fin - tampon; chiffres < chiffresMin; ++chiffres)
        s += '0';
    s.append(tampon, fin);
}

void montant(std::string &s, std::int64_t centimes)
{
    if (centimes < 0) {
        s += '-';
        centimes = -centimes;
    }
    entier(s, centimes / 100);
    s += ',';
    entier(s, centimes % 100, 2);
}

namespace {
void deuxChiffres(char *p, int n)
{
    p[0] = static_cast<char>('0' + n / 10);
    p[1] = static_cast<char>('0' + n % 10);
}
} // namespace

void dateIso(char *p, int annee, int mois, int jour, int secondes)
{
    deuxChiffres(p, annee / 100);
    deuxChiffres(p + 2, annee % 100);
    p[4] = '-';
    deuxChiffres(p + 5, mois);
    p[7] = '-';
    deuxChiffres(p + 8, jour);
    p[10] = ' ';
    deuxChiffres(p + 11, secondes / 3600);
    p[13] = ':';
    deuxChiffres(p + 14, secondes / 60 % 60);
    p[16] = ':';
    deuxChiffres(p + 17, secondes % 60);
}

void dateTicket(std::string &s, int annee, int mois, int jour, int secondes)
{
    char iso[19];
    dateIso(iso, annee, mois, jour, secondes);
    s.append(iso + 8, 2).append("/").append(iso + 5, 2).append("/").append(iso, 4);
    s.append(" à ").append(iso + 11, 8);
}

int largeur(std::string_view texte)
{
    int n = 0;
    for (const char c : texte)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void ligne(std::string &s, std::string_view gauche, std::string_view droite)
{
    s += gauche;
    if (!droite.empty()) {
        const int blancs = LargeurTicket - largeur(gauche) - largeur(droite);
        s.append(static_cast<std::size_t>(blancs > 1 ? blancs : 1), ' ');
        s += droite;
    }
    s += FinLigne;
}

void centre(std::string &s, std::string_view texte)
{
    const int blancs = (LargeurTicket - largeur(texte)) / 2;
    if (blancs > 0)
        s.append(static_cast<std::size_t>(blancs), ' ');
    s += texte;
    s += FinLigne;
}

void filet(std::string &s)
{
    s.append(static_cast<std::size_t>(LargeurTicket), '-');
    s += FinLigne;
}

} // namespace Texte
