#include "jet/AnalyseurJet.h"

#include "jet/ErreurTraduction.h"
#include "jet/FormatsJet.h"
#include "jet/NomsSqlJet.h"
#include "jet/TableFonctionsJet.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace Jet {

namespace {

constexpr int ProfondeurMaximale = 200;

// Recursive descent, one method per precedence level, lowest first.
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
                a = estNull(a);
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
                a = entre(a, non);
                continue;
            }
            if (motCle("In")) {
                a = dans(a, non);
                continue;
            }
            if (non)
                throw ErreurTraduction("syntaxe incomprise après Not");
            return a;
        }
    }

    // "a Is [Not] Null", at Is.
    Noeud estNull(const Noeud &a)
    {
        ++m_i;
        bool non = false;
        if (motCle("Not")) {
            non = true;
            ++m_i;
        }
        if (!motCle("Null"))
            throw ErreurTraduction("Null attendu après Is");
        ++m_i;
        return sqlSeul("(" + a.sql + (non ? " IS NOT NULL)" : " IS NULL)"));
    }

    // "a [Not] Between bas And haut", at Between.
    Noeud entre(const Noeud &a, bool non)
    {
        ++m_i;
        Noeud bas = concatenation();
        if (!motCle("And"))
            throw ErreurTraduction("And attendu dans Between");
        ++m_i;
        Noeud haut = concatenation();
        return sqlSeul("(" + a.sql + (non ? " NOT BETWEEN " : " BETWEEN ") + bas.sql + " AND " + haut.sql + ")");
    }

    // "a [Not] In (liste)", at In; a subquery is refused.
    Noeud dans(const Noeud &a, bool non)
    {
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
        return sqlSeul("(" + a.sql + (non ? " NOT IN (" : " IN (") + liste + "))");
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
            return nom(l.texte);
        case Genre::NomCrochets:
            return reference();
        default:
            break;
        }
        throw ErreurTraduction("syntaxe incomprise près de « " + l.texte + " »");
    }

    // A bare name: a call, a constant or a reference.
    Noeud nom(const std::string &texte)
    {
        if (suivant().genre == Genre::ParG)
            return appel();
        static const std::pair<const char *, const char *> constantes[] = {
            {"Null", "NULL"}, {"True", "-1"}, {"False", "0"}};
        for (const auto &[mot, sql] : constantes)
            if (memeMot(texte, mot)) {
                ++m_i;
                return sqlSeul(sql);
            }
        if (memeMot(texte, "Exists") || memeMot(texte, "Select"))
            throw ErreurTraduction("sous-requête non prise en charge");
        return reference();
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
        return appelFonction(nom, a);
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

Noeud analyserExpression(std::vector<Lexeme> lexemes) { return Analyseur(std::move(lexemes)).expressionComplete(); }

} // namespace Jet
