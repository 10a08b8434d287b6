#pragma once

#include <string>
#include <string_view>

// Collation keys for texts, as the original engine orders and compares them:
// without regard to case, accents only breaking ties between texts whose
// letters are otherwise the same (e < é < f). Locale-independent, so the order
// does not change with the machine's settings.
//
// The key of a UTF-8 text is bytes that compare with memcmp (shorter first):
// the primary letters (upper-cased base letters, as UTF-8, every byte >= 2),
// then, only when some letter carries an accent, the byte 1 and one accent
// weight per letter (trailing zeros dropped).
namespace CleTexte {

// Appends the key of `utf8` to `sortie`.
void ajouterCle(std::string_view utf8, std::string &sortie);

// Appends the primary letters alone (no accent part) to `sortie`.
void ajouterPrimaire(std::string_view utf8, std::string &sortie);

// True when every byte is ASCII: the key is then the text upper-cased.
bool estAscii(std::string_view utf8);

inline char majusculeAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : (c < 2 && c >= 0 ? char(2) : c); }

} // namespace CleTexte
