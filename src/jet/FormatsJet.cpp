#include "jet/FormatsJet.h"

#include "jet/NomsSqlJet.h"

#include <vector>

namespace Jet {

namespace {

bool chiffre(char c) { return c >= '0' && c <= '9'; }
bool lettreAscii(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char minuscule(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool bissextile(int a) { return (a % 4 == 0 && a % 100 != 0) || a % 400 == 0; }
int joursDuMois(int a, int m)
{
    static const int j[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && bissextile(a) ? 29 : j[m - 1];
}

// Digits at `i`, at most `max` of them; -1 when none.
int nombre(std::string_view t, std::size_t &i, std::size_t max, std::size_t *lus = nullptr)
{
    std::size_t n = 0;
    int v = 0;
    while (i < t.size() && chiffre(t[i]) && n < max) {
        v = v * 10 + (t[i] - '0');
        ++i;
        ++n;
    }
    if (lus)
        *lus = n;
    return n == 0 ? -1 : v;
}

void blancs(std::string_view t, std::size_t &i)
{
    while (i < t.size() && t[i] == ' ')
        ++i;
}

std::string deuxChiffres(int v)
{
    char b[3] = {char('0' + v / 10 % 10), char('0' + v % 10), 0};
    return b;
}

} // namespace

namespace {

struct Horodatage
{
    int annee = 1899, mois = 12, jour = 30, h = 0, mi = 0, s = 0;
};

// The date part at `i` when a date separator follows the first number: m/d/y
// or y-m-d, then a blank or the end. False for a malformed or impossible date.
bool lirePartieDate(std::string_view t, std::size_t &i, Horodatage &d)
{
    std::size_t j = i;
    std::size_t lus = 0;
    const int premier = nombre(t, j, 4, &lus);
    if (premier < 0)
        return false;
    if (j >= t.size() || (t[j] != '/' && t[j] != '-' && t[j] != '.'))
        return true;   // no date: a time alone
    const char sep = t[j];
    ++j;
    const int second = nombre(t, j, 2);
    if (second < 0 || j >= t.size() || t[j] != sep)
        return false;
    ++j;
    std::size_t lusAnnee = 0;
    const int troisieme = nombre(t, j, 4, &lusAnnee);
    if (troisieme < 0)
        return false;
    if (lus == 4) {   // y-m-d
        if (lusAnnee > 2)
            return false;
        d.annee = premier;
        d.mois = second;
        d.jour = troisieme;
    } else {          // m/d/y
        if (lus > 2 || lusAnnee == 3)
            return false;
        d.mois = premier;
        d.jour = second;
        d.annee = troisieme + (lusAnnee > 2 ? 0 : troisieme < 30 ? 2000 : 1900);
    }
    i = j;
    if (d.annee < 100 || d.annee > 9999 || d.mois < 1 || d.mois > 12 || d.jour < 1
        || d.jour > joursDuMois(d.annee, d.mois))
        return false;
    if (i < t.size() && t[i] != ' ')
        return false;
    blancs(t, i);
    return true;
}

// The time part at `i` to the end: h:nn[:ss] with an optional AM/PM.
bool lirePartieHeure(std::string_view t, std::size_t &i, Horodatage &d)
{
    d.h = nombre(t, i, 2);
    if (d.h < 0 || i >= t.size() || t[i] != ':')
        return false;
    ++i;
    std::size_t n = 0;
    d.mi = nombre(t, i, 2, &n);
    if (d.mi < 0 || n != 2)
        return false;
    if (i < t.size() && t[i] == ':') {
        ++i;
        d.s = nombre(t, i, 2, &n);
        if (d.s < 0 || n != 2)
            return false;
    }
    blancs(t, i);
    if (i < t.size()) {
        const std::string_view reste = t.substr(i, t.find_last_not_of(' ') + 1 - i);
        const bool am = memeMot(reste, "AM") || memeMot(reste, "A");
        const bool pm = memeMot(reste, "PM") || memeMot(reste, "P");
        if ((!am && !pm) || d.h < 1 || d.h > 12)
            return false;
        d.h = d.h % 12 + (pm ? 12 : 0);
        i = t.size();
    }
    return d.h <= 23 && d.mi <= 59 && d.s <= 59;
}

} // namespace

std::optional<std::string> dateLitterale(std::string_view t)
{
    std::size_t i = 0;
    blancs(t, i);
    Horodatage d;
    if (!lirePartieDate(t, i, d))
        return std::nullopt;
    if (i < t.size() && !lirePartieHeure(t, i, d))
        return std::nullopt;
    blancs(t, i);
    if (i != t.size())
        return std::nullopt;

    return deuxChiffres(d.annee / 100) + deuxChiffres(d.annee % 100) + '-' + deuxChiffres(d.mois) + '-'
           + deuxChiffres(d.jour) + ' ' + deuxChiffres(d.h) + ':' + deuxChiffres(d.mi) + ':' + deuxChiffres(d.s);
}

namespace {

// One piece of a date template: either strftime conversions or an SQL expression.
struct Morceau
{
    bool strftime = true;
    std::string texte;
};

void ajouter(std::vector<Morceau> &m, bool strftime, const std::string &texte)
{
    if (strftime && !m.empty() && m.back().strftime)
        m.back().texte += texte;
    else
        m.push_back({strftime, texte});
}

// One element of a date template: a run of one letter or a literal text.
struct Jeton
{
    char lettre = 0;   // 0: literal
    std::size_t n = 0;
    std::string litteral;
};

std::optional<std::vector<Jeton>> jetonsDate(std::string_view t)
{
    std::vector<Jeton> jetons;
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i];
        const char l = minuscule(c);
        if (c == '\\' && i + 1 < t.size()) {
            jetons.push_back({0, 0, std::string(1, t[i + 1])});
            i += 2;
        } else if (c == '"') {
            const std::size_t f = t.find('"', i + 1);
            if (f == std::string_view::npos)
                return std::nullopt;
            jetons.push_back({0, 0, std::string(t.substr(i + 1, f - i - 1))});
            i = f + 1;
        } else if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's') {
            std::size_t f = i;
            while (f < t.size() && minuscule(t[f]) == l)
                ++f;
            jetons.push_back({l, f - i, {}});
            i = f;
        } else if (c == '/' || c == ':' || c == '-' || c == '.' || c == ' ' || c == ',') {
            jetons.push_back({0, 0, std::string(1, c)});
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return jetons;
}

// The letter a run stands for: "m" right after an hour or right before
// seconds means minutes ('n').
char sens(const std::vector<Jeton> &jetons, std::size_t k, char precedent)
{
    if (jetons[k].lettre != 'm')
        return jetons[k].lettre;
    char suivante = 0;
    for (std::size_t q = k + 1; q < jetons.size(); ++q)
        if (jetons[q].lettre) {
            suivante = jetons[q].lettre;
            break;
        }
    return precedent == 'h' || suivante == 's' ? 'n' : 'm';
}

// The piece for `n` times the letter `lettre` of operand `x`; false when Jet's
// template means something SQLite cannot write.
bool ajouterLettre(std::vector<Morceau> &morceaux, const std::string &x, char lettre, std::size_t n)
{
    const auto sansZero = [&x](const char *conv) {
        return "CAST(CAST(strftime('" + std::string(conv) + "', " + x + ") AS INTEGER) AS TEXT)";
    };
    const char *conv = nullptr;
    switch (lettre) {
    case 'd':
        if (n == 5) {
            ajouter(morceaux, true, "%d/%m/%Y");
            return true;
        }
        conv = "%d";
        break;
    case 'y':
        if (n == 2)
            ajouter(morceaux, false, "substr(strftime('%Y', " + x + "), 3, 2)");
        else if (n == 4)
            ajouter(morceaux, true, "%Y");
        return n == 2 || n == 4;
    case 'm':
        conv = "%m";
        break;
    case 'h':
        conv = "%H";
        break;
    case 'n':
        conv = "%M";
        break;
    case 's':
        conv = "%S";
        break;
    default:
        return false;
    }
    if (n == 1)
        ajouter(morceaux, false, sansZero(conv));
    else if (n == 2)
        ajouter(morceaux, true, conv);
    return n == 1 || n == 2;
}

std::optional<std::string> formatDate(const std::string &x, std::string_view t)
{
    const std::optional<std::vector<Jeton>> jetons = jetonsDate(t);
    if (!jetons)
        return std::nullopt;
    std::vector<Morceau> morceaux;
    char precedent = 0;
    for (std::size_t k = 0; k < jetons->size(); ++k) {
        const Jeton &j = (*jetons)[k];
        if (j.lettre == 0) {
            std::string lit;
            for (const char c : j.litteral)
                lit += c == '%' ? std::string("%%") : std::string(1, c);
            ajouter(morceaux, true, lit);
            continue;
        }
        precedent = sens(*jetons, k, precedent);
        if (!ajouterLettre(morceaux, x, precedent, j.n))
            return std::nullopt;
    }
    if (morceaux.empty())
        return std::nullopt;
    std::string sql;
    for (const Morceau &m : morceaux) {
        if (!sql.empty())
            sql += " || ";
        sql += m.strftime ? "strftime(" + litteral(m.texte) + ", " + x + ")" : m.texte;
    }
    return morceaux.size() == 1 ? sql : "(" + sql + ")";
}

std::optional<std::string> formatNombre(const std::string &x, std::string_view t)
{
    std::size_t i = 0;
    std::size_t zeros = 0, diezes = 0;
    while (i < t.size() && t[i] == '#') {
        if (zeros)
            return std::nullopt;
        ++diezes;
        ++i;
    }
    while (i < t.size() && t[i] == '0') {
        ++zeros;
        ++i;
    }
    std::size_t decimales = 0;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] == '0') {
            ++decimales;
            ++i;
        }
    }
    bool pourcent = false;
    if (i < t.size() && t[i] == '%') {
        pourcent = true;
        ++i;
    }
    if (i != t.size() || zeros == 0 || zeros > 30 || decimales > 30)
        return std::nullopt;
    (void)diezes;
    std::string conv = "%";
    if (zeros > 1)
        conv += "0" + std::to_string(zeros + (decimales ? decimales + 1 : 0));
    conv += "." + std::to_string(decimales) + "f";
    if (pourcent)
        conv += "%%";
    const std::string valeur = pourcent ? "(" + x + ") * 100" : x;
    return "(CASE WHEN " + x + " IS NULL THEN NULL ELSE printf(" + litteral(conv) + ", " + valeur + ") END)";
}

} // namespace

std::optional<std::string> formatSql(const std::string &x, std::string_view modele)
{
    struct Nomme
    {
        const char *nom;
        const char *modele;
    };
    static const Nomme nommes[] = {
        {"Short Date", "dd/mm/yyyy"}, {"Long Time", "hh:nn:ss"}, {"Short Time", "hh:nn"},
        {"Fixed", "0.00"},            {"Percent", "0.00%"},
    };
    if (memeMot(modele, "General Number"))
        return "CAST(" + x + " AS TEXT)";
    for (const Nomme &n : nommes)
        if (memeMot(modele, n.nom))
            return formatSql(x, n.modele);
    if (modele.empty())
        return std::nullopt;
    bool date = false;
    for (const char c : modele) {
        const char l = minuscule(c);
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's')
            date = true;
    }
    return date ? formatDate(x, modele) : formatNombre(x, modele);
}

namespace {

// Whether a Like pattern needs a class (#, [a-z], [!x]); nullopt for an unclosed '['.
std::optional<bool> besoinClasse(std::string_view j)
{
    bool classe = false;
    for (std::size_t i = 0; i < j.size(); ++i) {
        if (j[i] == '#')
            classe = true;
        if (j[i] == '[') {
            const std::size_t f = j.find(']', i + 1);
            if (f == std::string_view::npos)
                return std::nullopt;
            const std::string_view dedans = j.substr(i + 1, f - i - 1);
            if (!(dedans.size() == 1 && (dedans[0] == '*' || dedans[0] == '?' || dedans[0] == '#' || dedans[0] == '[')))
                classe = true;
            i = f;
        }
    }
    return classe;
}

} // namespace

std::optional<MotifSql> motifComme(std::string_view j)
{
    bool lettres = false;
    for (const char c : j)
        if (lettreAscii(c) || static_cast<unsigned char>(c) >= 0x80)
            lettres = true;
    const std::optional<bool> classe = besoinClasse(j);
    if (!classe || (*classe && lettres))
        return std::nullopt;

    MotifSql r;
    r.glob = *classe;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const char c = j[i];
        if (c == '[') {
            const std::size_t f = j.find(']', i + 1);
            std::string_view dedans = j.substr(i + 1, f - i - 1);
            i = f;
            if (dedans.empty())
                return std::nullopt;
            if (!r.glob) {   // a single escaped character
                const char e = dedans[0];
                r.motif += (e == '%' || e == '_' || e == '\\') ? std::string("\\") + e : std::string(1, e);
                continue;
            }
            std::string cl = "[";
            if (dedans[0] == '!') {
                cl += '^';
                dedans.remove_prefix(1);
                if (dedans.empty())
                    return std::nullopt;
            }
            cl += std::string(dedans) + "]";
            r.motif += cl;
        } else if (r.glob) {
            if (c == '#')
                r.motif += "[0-9]";
            else
                r.motif += c;   // * and ? mean the same in GLOB
        } else if (c == '*') {
            r.motif += '%';
        } else if (c == '?') {
            r.motif += '_';
        } else if (c == '%' || c == '_' || c == '\\') {
            r.motif += '\\';
            r.motif += c;
        } else {
            r.motif += c;
        }
    }
    return r;
}

} // namespace Jet
