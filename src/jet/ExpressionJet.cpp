#include "jet/ExpressionJet.h"

#include "jet/FormatsJet.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace jet {

namespace {

constexpr std::size_t LongueurMaximale = 64 * 1024;
constexpr int ProfondeurMaximale = 200;

enum class Genre { Fin, Nom, NomCrochets, Nombre, Chaine, Date, Operateur, ParG, ParD, Virgule, Point, Bang };

struct Lexeme
{
    Genre genre = Genre::Fin;
    std::string texte;
};

bool lettre(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool chiffre(unsigned char c) { return c >= '0' && c <= '9'; }
bool hexa(unsigned char c) { return chiffre(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Whole-number literal of a base, as Jet types it: up to 16 bits an Integer,
// up to 32 bits a Long (both signed, so &HFFFF is -1), with a trailing '&'
// forcing a Long.
std::string entierBase(std::string_view chiffres, int base, bool forceLong)
{
    std::uint64_t v = 0;
    for (const char c : chiffres) {
        const int d = chiffre(c) ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * base + d;
        if (v > 0xFFFFFFFFull)
            throw ErreurTraduction("nombre hors limites « " + std::string(chiffres) + " »");
    }
    std::int64_t s;
    if (!forceLong && v <= 0xFFFF)
        s = static_cast<std::int16_t>(v);
    else
        s = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return std::to_string(s);   // integer only: no locale involved
}

std::vector<Lexeme> decouper(std::string_view t)
{
    std::vector<Lexeme> res;
    std::size_t i = 0;
    const auto operande = [&res] {
        if (res.empty())
            return false;
        const Genre g = res.back().genre;
        return g == Genre::Nom || g == Genre::NomCrochets || g == Genre::Nombre || g == Genre::Chaine
               || g == Genre::Date || g == Genre::ParD;
    };
    while (i < t.size()) {
        const unsigned char c = t[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (lettre(c)) {
            std::size_t j = i;
            while (j < t.size() && (lettre(t[j]) || chiffre(t[j])))
                ++j;
            res.push_back({Genre::Nom, std::string(t.substr(i, j - i))});
            i = j;
        } else if (c == '[') {
            const std::size_t j = t.find(']', i + 1);
            if (j == std::string_view::npos)
                throw ErreurTraduction("crochet non fermé");
            res.push_back({Genre::NomCrochets, std::string(t.substr(i + 1, j - i - 1))});
            i = j + 1;
        } else if (chiffre(c) || (c == '.' && i + 1 < t.size() && chiffre(t[i + 1]) && !operande())) {
            std::size_t j = i;
            while (j < t.size() && chiffre(t[j]))
                ++j;
            if (j < t.size() && t[j] == '.') {
                ++j;
                while (j < t.size() && chiffre(t[j]))
                    ++j;
            }
            if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < t.size() && (t[k] == '+' || t[k] == '-'))
                    ++k;
                if (k < t.size() && chiffre(t[k])) {
                    while (k < t.size() && chiffre(t[k]))
                        ++k;
                    j = k;
                }
            }
            std::string n(t.substr(i, j - i));
            if (n.front() == '.')
                n.insert(0, "0");
            if (n.back() == '.')
                n += '0';
            // Type suffixes (!, #, @, %, &) change nothing for SQLite.
            if (j < t.size() && (t[j] == '#' || t[j] == '@' || t[j] == '%'))
                ++j;
            res.push_back({Genre::Nombre, n});
            i = j;
        } else if (c == '&' && !operande() && i + 2 < t.size() && (t[i + 1] == 'H' || t[i + 1] == 'h')
                   && hexa(t[i + 2])) {
            std::size_t j = i + 2;
            while (j < t.size() && hexa(t[j]))
                ++j;
            const bool forceLong = j < t.size() && t[j] == '&';
            res.push_back({Genre::Nombre, entierBase(t.substr(i + 2, j - i - 2), 16, forceLong)});
            i = j + (forceLong ? 1 : 0);
        } else if (c == '&' && !operande() && i + 2 < t.size() && (t[i + 1] == 'O' || t[i + 1] == 'o')
                   && t[i + 2] >= '0' && t[i + 2] <= '7') {
            std::size_t j = i + 2;
            while (j < t.size() && t[j] >= '0' && t[j] <= '7')
                ++j;
            const bool forceLong = j < t.size() && t[j] == '&';
            res.push_back({Genre::Nombre, entierBase(t.substr(i + 2, j - i - 2), 8, forceLong)});
            i = j + (forceLong ? 1 : 0);
        } else if (c == '"' || c == '\'') {
            std::string s;
            std::size_t j = i + 1;
            for (;;) {
                if (j >= t.size())
                    throw ErreurTraduction("texte entre guillemets non fermé");
                if (t[j] == static_cast<char>(c)) {
                    if (j + 1 < t.size() && t[j + 1] == static_cast<char>(c)) {
                        s += static_cast<char>(c);
                        j += 2;
                        continue;
                    }
                    break;
                }
                s += t[j++];
            }
            res.push_back({Genre::Chaine, s});
            i = j + 1;
        } else if (c == '#') {
            const std::size_t j = t.find('#', i + 1);
            if (j == std::string_view::npos)
                throw ErreurTraduction("date entre # non fermée");
            res.push_back({Genre::Date, std::string(t.substr(i + 1, j - i - 1))});
            i = j + 1;
        } else if (c == '(') {
            res.push_back({Genre::ParG, "("});
            ++i;
        } else if (c == ')') {
            res.push_back({Genre::ParD, ")"});
            ++i;
        } else if (c == ',') {
            res.push_back({Genre::Virgule, ","});
            ++i;
        } else if (c == '.') {
            res.push_back({Genre::Point, "."});
            ++i;
        } else if (c == '!') {
            res.push_back({Genre::Bang, "!"});
            ++i;
        } else if (c == '<' || c == '>' || c == '=') {
            std::string op(1, static_cast<char>(c));
            if (i + 1 < t.size()) {
                const char d = t[i + 1];
                if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=')) {
                    op += d;
                } else if (c == '=' && (d == '<' || d == '>')) {
                    op = std::string(1, d) + "=";
                }
            }
            i += op.size();
            res.push_back({Genre::Operateur, op});
        } else if (c == '+' || c == '-' || c == '*' || c == '/' || c == '\\' || c == '^' || c == '&') {
            res.push_back({Genre::Operateur, std::string(1, static_cast<char>(c))});
            ++i;
        } else if (c == ';' && t.find_first_not_of(" \t\r\n", i + 1) == std::string_view::npos) {
            ++i;   // a statement's final semicolon
        } else {
            throw ErreurTraduction("caractère inattendu « " + std::string(1, static_cast<char>(c)) + " »");
        }
    }
    res.push_back({Genre::Fin, {}});
    return res;
}

bool memeMot(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string minuscules(std::string_view s)
{
    std::string r(s);
    for (char &c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return r;
}

struct Noeud
{
    std::string sql;
    bool chaine = false;        // a text literal
    std::string valeurChaine;   // its value
    bool colonne = false;
    std::string table, nomColonne;
    bool etoile = false;
};

Noeud sqlSeul(std::string s)
{
    Noeud n;
    n.sql = std::move(s);
    return n;
}

class Analyseur
{
public:
    explicit Analyseur(std::vector<Lexeme> lexemes) : m_l(std::move(lexemes)) {}

    Noeud expressionComplete()
    {
        Noeud n = expression();
        if (courant().genre != Genre::Fin)
            throw ErreurTraduction("syntaxe incomprise près de « " + courant().texte + " »");
        return n;
    }

private:
    std::vector<Lexeme> m_l;
    std::size_t m_i = 0;
    int m_profondeur = 0;

    struct Garde
    {
        int &p;
        explicit Garde(int &p) : p(p)
        {
            if (++p > ProfondeurMaximale)
                throw ErreurTraduction("expression trop imbriquée");
        }
        ~Garde() { --p; }
    };

    const Lexeme &courant() const { return m_l[m_i]; }
    const Lexeme &suivant(std::size_t k = 1) const { return m_l[std::min(m_i + k, m_l.size() - 1)]; }
    bool motCle(std::string_view mot, std::size_t k = 0) const
    {
        const Lexeme &l = suivant(k);
        return l.genre == Genre::Nom && memeMot(l.texte, mot);
    }
    bool operateur(std::string_view op) const
    {
        return courant().genre == Genre::Operateur && courant().texte == op;
    }
    void attendre(Genre g, const char *quoi)
    {
        if (courant().genre != g)
            throw ErreurTraduction(std::string(quoi) + " attendu près de « " + courant().texte + " »");
        ++m_i;
    }

    Noeud expression() { return binaireMots(0); }

    // Imp, Eqv, Xor, Or, And: lowest to highest.
    Noeud binaireMots(int niveau)
    {
        static const char *const mots[] = {"Imp", "Eqv", "Xor", "Or", "And"};
        if (niveau == 5)
            return negation();
        Garde g(m_profondeur);
        Noeud a = binaireMots(niveau + 1);
        while (motCle(mots[niveau])) {
            ++m_i;
            Noeud b = binaireMots(niveau + 1);
            switch (niveau) {
            case 0:
            case 1:
                throw ErreurTraduction(std::string("opérateur ") + mots[niveau] + " non pris en charge");
            case 2:   // logical exclusive or of two conditions
                a = sqlSeul("((" + a.sql + ") <> 0) <> ((" + b.sql + ") <> 0)");
                a.sql = "(" + a.sql + ")";
                break;
            case 3:
                a = sqlSeul("(" + a.sql + " OR " + b.sql + ")");
                break;
            default:
                a = sqlSeul("(" + a.sql + " AND " + b.sql + ")");
                break;
            }
        }
        return a;
    }

    Noeud negation()
    {
        Garde g(m_profondeur);
        if (motCle("Not")) {
            ++m_i;
            Noeud a = negation();
            return sqlSeul("(NOT " + a.sql + ")");
        }
        return comparaison();
    }

    Noeud comparaison()
    {
        Garde g(m_profondeur);
        Noeud a = concatenation();
        for (;;) {
            const Lexeme &l = courant();
            if (l.genre == Genre::Operateur
                && (l.texte == "=" || l.texte == "<>" || l.texte == "<" || l.texte == ">" || l.texte == "<="
                    || l.texte == ">=")) {
                const std::string op = l.texte;
                ++m_i;
                Noeud b = concatenation();
                a = sqlSeul("(" + a.sql + " " + op + " " + b.sql + ")");
                continue;
            }
            if (motCle("Is")) {
                ++m_i;
                bool non = false;
                if (motCle("Not")) {
                    non = true;
                    ++m_i;
                }
                if (!motCle("Null"))
                    throw ErreurTraduction("Null attendu après Is");
                ++m_i;
                a = sqlSeul("(" + a.sql + (non ? " IS NOT NULL)" : " IS NULL)"));
                continue;
            }
            bool non = false;
            if (motCle("Not") && (motCle("Like", 1) || motCle("Between", 1) || motCle("In", 1))) {
                non = true;
                ++m_i;
            }
            if (motCle("Like")) {
                ++m_i;
                Noeud motif = concatenation();
                const std::string c = comme(a, motif);
                a = sqlSeul(non ? "(NOT " + c + ")" : c);
                continue;
            }
            if (motCle("Between")) {
                ++m_i;
                Noeud bas = concatenation();
                if (!motCle("And"))
                    throw ErreurTraduction("And attendu dans Between");
                ++m_i;
                Noeud haut = concatenation();
                a = sqlSeul("(" + a.sql + (non ? " NOT BETWEEN " : " BETWEEN ") + bas.sql + " AND " + haut.sql
                            + ")");
                continue;
            }
            if (motCle("In")) {
                ++m_i;
                attendre(Genre::ParG, "(");
                if (motCle("Select"))
                    throw ErreurTraduction("sous-requête non prise en charge");
                std::string liste;
                for (;;) {
                    Noeud e = expression();
                    liste += (liste.empty() ? "" : ", ") + e.sql;
                    if (courant().genre == Genre::Virgule) {
                        ++m_i;
                        continue;
                    }
                    break;
                }
                attendre(Genre::ParD, ")");
                a = sqlSeul("(" + a.sql + (non ? " NOT IN (" : " IN (") + liste + "))");
                continue;
            }
            if (non)
                throw ErreurTraduction("syntaxe incomprise après Not");
            return a;
        }
    }

    // Jet's "&": Null counts as an empty text unless every operand is Null.
    Noeud concatenation()
    {
        Garde g(m_profondeur);
        std::vector<Noeud> parts;
        parts.push_back(addition());
        while (operateur("&")) {
            ++m_i;
            parts.push_back(addition());
        }
        if (parts.size() == 1)
            return parts.front();
        std::string tousNull, suite;
        for (const Noeud &p : parts) {
            tousNull += (tousNull.empty() ? "" : " AND ") + p.sql + " IS NULL";
            suite += (suite.empty() ? "" : " || ") + ("coalesce(" + p.sql + ", '')");
        }
        return sqlSeul("(CASE WHEN " + tousNull + " THEN NULL ELSE " + suite + " END)");
    }

    Noeud addition()
    {
        Garde g(m_profondeur);
        Noeud a = modulo();
        while (operateur("+") || operateur("-")) {
            const std::string op = courant().texte;
            ++m_i;
            Noeud b = modulo();
            // Two texts added are joined, as Jet does.
            if (op == "+" && a.chaine && b.chaine) {
                Noeud r = sqlSeul(litteral(a.valeurChaine + b.valeurChaine));
                r.chaine = true;
                r.valeurChaine = a.valeurChaine + b.valeurChaine;
                a = r;
            } else {
                a = sqlSeul("(" + a.sql + " " + op + " " + b.sql + ")");
            }
        }
        return a;
    }

    static std::string entierArrondi(const std::string &sql)
    {
        return "CAST(round(" + sql + ") AS INTEGER)";
    }

    Noeud modulo()
    {
        Garde g(m_profondeur);
        Noeud a = divisionEntiere();
        while (motCle("Mod")) {
            ++m_i;
            Noeud b = divisionEntiere();
            a = sqlSeul("(" + entierArrondi(a.sql) + " % " + entierArrondi(b.sql) + ")");
        }
        return a;
    }

    Noeud divisionEntiere()
    {
        Garde g(m_profondeur);
        Noeud a = multiplication();
        while (operateur("\\")) {
            ++m_i;
            Noeud b = multiplication();
            a = sqlSeul("(" + entierArrondi(a.sql) + " / " + entierArrondi(b.sql) + ")");
        }
        return a;
    }

    Noeud multiplication()
    {
        Garde g(m_profondeur);
        Noeud a = unaire();
        while (operateur("*") || operateur("/")) {
            const std::string op = courant().texte;
            ++m_i;
            Noeud b = unaire();
            // Jet's "/" always divides as floating point numbers.
            if (op == "/")
                a = sqlSeul("(CAST(" + a.sql + " AS REAL) / " + b.sql + ")");
            else
                a = sqlSeul("(" + a.sql + " * " + b.sql + ")");
        }
        return a;
    }

    Noeud unaire()
    {
        Garde g(m_profondeur);
        if (operateur("-")) {
            ++m_i;
            Noeud a = unaire();
            return sqlSeul("(- " + a.sql + ")");
        }
        if (operateur("+")) {
            ++m_i;
            return unaire();
        }
        return puissance();
    }

    Noeud puissance()
    {
        Garde g(m_profondeur);
        Noeud a = primaire();
        while (operateur("^")) {
            ++m_i;
            bool moins = false;
            if (operateur("-")) {
                moins = true;
                ++m_i;
            }
            Noeud b = primaire();
            a = sqlSeul("pow(" + a.sql + ", " + (moins ? "- " : "") + b.sql + ")");
        }
        return a;
    }

    // A name part after a '.': a bare or bracketed name.
    std::string partieNom()
    {
        const Lexeme &l = courant();
        if (l.genre != Genre::Nom && l.genre != Genre::NomCrochets)
            throw ErreurTraduction("nom attendu près de « " + l.texte + " »");
        ++m_i;
        return l.texte;
    }

    Noeud primaire()
    {
        Garde g(m_profondeur);
        const Lexeme l = courant();
        switch (l.genre) {
        case Genre::Nombre:
            ++m_i;
            return sqlSeul(l.texte);
        case Genre::Chaine: {
            ++m_i;
            Noeud n = sqlSeul(litteral(l.texte));
            n.chaine = true;
            n.valeurChaine = l.texte;
            return n;
        }
        case Genre::Date: {
            ++m_i;
            const std::optional<std::string> iso = dateLitterale(l.texte);
            if (!iso)
                throw ErreurTraduction("date littérale incomprise « #" + l.texte + "# »");
            return sqlSeul(litteral(*iso));
        }
        case Genre::ParG: {
            ++m_i;
            if (motCle("Select"))
                throw ErreurTraduction("sous-requête non prise en charge");
            Noeud n = expression();
            attendre(Genre::ParD, ")");
            if (n.chaine || n.colonne)
                return n;
            return sqlSeul("(" + n.sql + ")");
        }
        case Genre::Operateur:
            if (l.texte == "*") {
                ++m_i;
                Noeud n = sqlSeul("*");
                n.etoile = true;
                return n;
            }
            break;
        case Genre::Nom:
            if (suivant().genre == Genre::ParG)
                return appel();
            if (memeMot(l.texte, "Null")) {
                ++m_i;
                return sqlSeul("NULL");
            }
            if (memeMot(l.texte, "True")) {
                ++m_i;
                return sqlSeul("-1");
            }
            if (memeMot(l.texte, "False")) {
                ++m_i;
                return sqlSeul("0");
            }
            if (memeMot(l.texte, "Exists") || memeMot(l.texte, "Select"))
                throw ErreurTraduction("sous-requête non prise en charge");
            [[fallthrough]];
        case Genre::NomCrochets:
            return reference();
        default:
            break;
        }
        throw ErreurTraduction("syntaxe incomprise près de « " + l.texte + " »");
    }

    Noeud reference()
    {
        std::string premier = partieNom();
        if (courant().genre == Genre::Bang)
            throw ErreurTraduction("référence à un formulaire ou un contrôle « " + premier + "! »");
        if (courant().genre != Genre::Point) {
            Noeud n = sqlSeul(identifiant(premier));
            n.colonne = true;
            n.nomColonne = premier;
            return n;
        }
        ++m_i;
        if (operateur("*")) {
            ++m_i;
            Noeud n = sqlSeul(identifiant(premier) + ".*");
            n.etoile = true;
            n.table = premier;
            return n;
        }
        std::string second = partieNom();
        if (courant().genre == Genre::Point || courant().genre == Genre::Bang)
            throw ErreurTraduction("nom à plus de deux parties « " + premier + "." + second + " »");
        Noeud n = sqlSeul(identifiant(premier) + "." + identifiant(second));
        n.colonne = true;
        n.table = premier;
        n.nomColonne = second;
        return n;
    }

    std::vector<Noeud> arguments()
    {
        std::vector<Noeud> args;
        attendre(Genre::ParG, "(");
        if (courant().genre == Genre::ParD) {
            ++m_i;
            return args;
        }
        for (;;) {
            args.push_back(expression());
            if (courant().genre == Genre::Virgule) {
                ++m_i;
                continue;
            }
            break;
        }
        attendre(Genre::ParD, ")");
        return args;
    }

    Noeud appel()
    {
        const std::string nom = courant().texte;
        ++m_i;
        std::vector<Noeud> a = arguments();
        return fonction(nom, a);
    }

    static void arite(const std::string &nom, const std::vector<Noeud> &a, std::size_t min, std::size_t max)
    {
        if (a.size() < min || a.size() > max)
            throw ErreurTraduction("nombre d'arguments incorrect pour " + nom);
    }

    static std::string partieDate(const std::string &format, const std::string &x)
    {
        return "CAST(strftime('" + format + "', " + x + ") AS INTEGER)";
    }

    Noeud fonction(const std::string &nomJet, std::vector<Noeud> &a)
    {
        const std::string f = minuscules(nomJet);
        for (const Noeud &n : a)
            if (n.etoile && f != "count")
                throw ErreurTraduction("« * » hors de Count");
        const auto x = [&a](std::size_t i) -> const std::string & { return a[i].sql; };

        if (f == "iif") {
            arite(nomJet, a, 3, 3);
            return sqlSeul("(CASE WHEN " + x(0) + " THEN " + x(1) + " ELSE " + x(2) + " END)");
        }
        if (f == "nz") {
            arite(nomJet, a, 1, 2);
            // In a query, Nz of Null without a replacement is a zero-length text.
            return sqlSeul("coalesce(" + x(0) + ", " + (a.size() == 2 ? x(1) : std::string("''")) + ")");
        }
        if (f == "isnull") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("(CASE WHEN " + x(0) + " IS NULL THEN -1 ELSE 0 END)");
        }
        if (f == "date") {
            arite(nomJet, a, 0, 0);
            return sqlSeul("(date('now', 'localtime') || ' 00:00:00')");
        }
        if (f == "now") {
            arite(nomJet, a, 0, 0);
            return sqlSeul("datetime('now', 'localtime')");
        }
        if (f == "time") {
            arite(nomJet, a, 0, 0);
            return sqlSeul("('1899-12-30 ' || time('now', 'localtime'))");
        }
        if (f == "ccur" || f == "cdate") {
            // SQL functions of every connection of the program.
            arite(nomJet, a, 1, 1);
            return sqlSeul((f == "ccur" ? "ccur(" : "CDate(") + x(0) + ")");
        }
        if (f == "cstr") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("CAST(" + x(0) + " AS TEXT)");
        }
        if (f == "cdbl" || f == "csng") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("CAST(" + x(0) + " AS REAL)");
        }
        if (f == "cint" || f == "clng") {
            arite(nomJet, a, 1, 1);
            return sqlSeul(entierArrondi(x(0)));
        }
        if (f == "int") {
            arite(nomJet, a, 1, 1);
            // Largest whole number not above x.
            return sqlSeul("(CASE WHEN " + x(0) + " < CAST(" + x(0) + " AS INTEGER) THEN CAST(" + x(0)
                           + " AS INTEGER) - 1 ELSE CAST(" + x(0) + " AS INTEGER) END)");
        }
        if (f == "fix") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("CAST(" + x(0) + " AS INTEGER)");
        }
        if (f == "abs") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("abs(" + x(0) + ")");
        }
        if (f == "sgn") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("sign(" + x(0) + ")");
        }
        if (f == "round") {
            arite(nomJet, a, 1, 2);
            return sqlSeul("round(" + x(0) + (a.size() == 2 ? ", " + x(1) : std::string()) + ")");
        }
        if (f == "len") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("length(" + x(0) + ")");
        }
        if (f == "left") {
            arite(nomJet, a, 2, 2);
            return sqlSeul("substr(" + x(0) + ", 1, " + x(1) + ")");
        }
        if (f == "right") {
            arite(nomJet, a, 2, 2);
            return sqlSeul("(CASE WHEN " + x(1) + " >= length(" + x(0) + ") THEN " + x(0) + " ELSE substr(" + x(0)
                           + ", length(" + x(0) + ") - (" + x(1) + ") + 1) END)");
        }
        if (f == "mid") {
            arite(nomJet, a, 2, 3);
            return sqlSeul("substr(" + x(0) + ", " + x(1) + (a.size() == 3 ? ", " + x(2) : std::string()) + ")");
        }
        if (f == "ucase") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("upper(" + x(0) + ")");
        }
        if (f == "lcase") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("lower(" + x(0) + ")");
        }
        if (f == "trim" || f == "ltrim" || f == "rtrim") {
            arite(nomJet, a, 1, 1);
            return sqlSeul(f + "(" + x(0) + ", ' ')");
        }
        if (f == "space") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("printf('%*s', " + x(0) + ", '')");
        }
        if (f == "instr") {
            arite(nomJet, a, 2, 2);
            return sqlSeul("instr(" + x(0) + ", " + x(1) + ")");
        }
        if (f == "replace") {
            arite(nomJet, a, 3, 3);
            return sqlSeul("replace(" + x(0) + ", " + x(1) + ", " + x(2) + ")");
        }
        if (f == "year")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%Y", x(0)));
        if (f == "month")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%m", x(0)));
        if (f == "day")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%d", x(0)));
        if (f == "hour")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%H", x(0)));
        if (f == "minute")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%M", x(0)));
        if (f == "second")
            return arite(nomJet, a, 1, 1), sqlSeul(partieDate("%S", x(0)));
        if (f == "dateserial") {
            arite(nomJet, a, 3, 3);
            return sqlSeul("printf('%04d-%02d-%02d 00:00:00', " + x(0) + ", " + x(1) + ", " + x(2) + ")");
        }
        if (f == "datevalue") {
            arite(nomJet, a, 1, 1);
            return sqlSeul("(date(" + x(0) + ") || ' 00:00:00')");
        }
        if (f == "format")
            return format(nomJet, a);
        if (f == "sum" || f == "avg" || f == "min" || f == "max") {
            arite(nomJet, a, 1, 1);
            return sqlSeul(f + "(" + x(0) + ")");
        }
        if (f == "count") {
            arite(nomJet, a, 1, 1);
            return sqlSeul(a[0].etoile ? std::string("count(*)") : "count(" + x(0) + ")");
        }
        throw ErreurTraduction("fonction " + nomJet + " non prise en charge");
    }

    Noeud format(const std::string &nomJet, const std::vector<Noeud> &a)
    {
        arite(nomJet, a, 1, 4);
        if (a.size() == 1)
            return sqlSeul("CAST(" + a[0].sql + " AS TEXT)");
        if (a.size() > 2)
            throw ErreurTraduction("Format avec premier jour de la semaine non pris en charge");
        if (!a[1].chaine)
            throw ErreurTraduction("Format dont le modèle n'est pas un texte littéral");
        const std::optional<std::string> sql = formatSql(a[0].sql, a[1].valeurChaine);
        if (!sql)
            throw ErreurTraduction("modèle de Format non pris en charge « " + a[1].valeurChaine + " »");
        return sqlSeul(*sql);
    }

    // "x Like motif": Jet's * ? # and [...] against SQLite's LIKE (or GLOB when
    // the pattern needs a class and holds no letter, so case does not matter).
    static std::string comme(const Noeud &x, const Noeud &motif)
    {
        if (!motif.chaine)
            return "(" + x.sql + " LIKE replace(replace(" + motif.sql + ", '*', '%'), '?', '_'))";
        const std::optional<MotifSql> m = motifComme(motif.valeurChaine);
        if (!m)
            throw ErreurTraduction("motif Like non pris en charge « " + motif.valeurChaine + " »");
        if (m->glob)
            return "(" + x.sql + " GLOB " + litteral(m->motif) + ")";
        return "(" + x.sql + " LIKE " + litteral(m->motif) + " ESCAPE '\\')";
    }
};

} // namespace

std::string identifiant(std::string_view nom)
{
    if (nom.find(']') == std::string_view::npos)
        return "[" + std::string(nom) + "]";
    std::string r = "\"";
    for (const char c : nom) {
        if (c == '"')
            r += '"';
        r += c;
    }
    return r + "\"";
}

std::string litteral(std::string_view texte)
{
    std::string r = "'";
    for (const char c : texte) {
        if (c == '\'')
            r += '\'';
        r += c;
    }
    return r + "'";
}

ExpressionTraduite traduireExpression(std::string_view jet)
{
    if (jet.size() > LongueurMaximale)
        throw ErreurTraduction("expression trop longue");
    if (jet.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw ErreurTraduction("expression vide");
    Analyseur a(decouper(jet));
    const Noeud n = a.expressionComplete();
    ExpressionTraduite r;
    r.sql = n.sql;
    r.colonne = n.colonne;
    r.table = n.table;
    r.nomColonne = n.nomColonne;
    r.etoile = n.etoile;
    return r;
}

} // namespace jet
