#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text building for receipts and SQL values: fixed formats (decimal comma,
// zero-padded dates), never the C library's locale-dependent printf.
namespace Texte {

inline constexpr int LargeurTicket = 32;
inline constexpr std::string_view FinLigne = "\r\n";

void entier(std::string &s, std::int64_t n, int chiffresMin = 1);
// 1250 -> "12,50"
void montant(std::string &s, std::int64_t centimes);
// "YYYY-MM-DD HH:MM:SS" (19 characters, no terminator)
void dateIso(char *sortie, int annee, int mois, int jour, int secondesDuJour);
// "dd/mm/yyyy à HH:MM:SS"
void dateTicket(std::string &s, int annee, int mois, int jour, int secondesDuJour);

// Width in characters of UTF-8 text.
int largeur(std::string_view texte);
// One line of the receipt: `gauche` then `droite` flush right, then CR LF.
void ligne(std::string &s, std::string_view gauche, std::string_view droite = {});
void centre(std::string &s, std::string_view texte);
void filet(std::string &s);

} // namespace Texte
