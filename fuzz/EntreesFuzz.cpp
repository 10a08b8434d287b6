#include "EntreesFuzz.h"

#include "jet/ExpressionJet.h"
#include "jet/RequeteJet.h"
#include "jet/ValeursJet.h"
#ifdef CORVANE_FUZZ_LECTURE
#include "jet/ConversionJet.h"
#include "jet/LecteurJet.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace fuzz {

namespace {

[[noreturn]] void faute(const char *quoi, const std::string &sql)
{
    std::fprintf(stderr, "%s\n%s\n", quoi, sql.c_str());
    std::abort();
}

// What the translation writes is SQL of one statement: whatever the Jet text
// held (quotes, brackets, semicolons), it never reaches past its own bounds.
void verifierSql(const std::string &select)
{
    static sqlite3 *db = [] {
        sqlite3 *d = nullptr;
        sqlite3_open(":memory:", &d);
        sqlite3_exec(d, "CREATE TABLE t (a, b, c); CREATE TABLE Ventes (NoVente, LaDate, Total)", nullptr, nullptr,
                     nullptr);
        return d;
    }();
    sqlite3_stmt *s = nullptr;
    const char *reste = nullptr;
    if (sqlite3_prepare_v2(db, select.c_str(), -1, &s, &reste) == SQLITE_OK && reste
        && std::strspn(reste, " \t\r\n") != std::strlen(reste))
        faute("translated SQL holds more than one statement", select);
    sqlite3_finalize(s);
}

} // namespace

int expression(const std::uint8_t *d, std::size_t n)
{
    const std::string texte(reinterpret_cast<const char *>(d), n);
    try {
        const Jet::ExpressionTraduite e = Jet::traduireExpression(texte);
        if (e.sql.empty())
            faute("empty translation", texte);
        verifierSql("SELECT " + e.sql + " FROM t");
    } catch (const Jet::ErreurTraduction &) {
    }
    return 0;
}

int requete(const std::uint8_t *d, std::size_t n)
{
    const std::string texte(reinterpret_cast<const char *>(d), n);
    std::vector<Jet::LigneCatalogue> lignes;
    std::size_t debut = 0;
    while (debut <= texte.size() && lignes.size() < 200) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos)
            fin = texte.size();
        std::vector<std::string> champs;
        std::size_t a = debut;
        for (;;) {
            const std::size_t b = texte.find('|', a);
            if (b == std::string::npos || b >= fin) {
                champs.push_back(texte.substr(a, fin - a));
                break;
            }
            champs.push_back(texte.substr(a, b - a));
            a = b + 1;
        }
        champs.resize(5);
        Jet::LigneCatalogue l;
        l.attribut = std::atoi(champs[0].c_str());
        l.nom1 = champs[1];
        l.nom2 = champs[2];
        l.expression = champs[3];
        if (!champs[4].empty())
            l.drapeau = std::atoi(champs[4].c_str());
        lignes.push_back(l);
        debut = fin + 1;
    }
    const Jet::ColonnesDe colonnes = [](const std::string &t) -> std::optional<std::vector<std::string>> {
        if (t == "t")
            return std::vector<std::string>{"a", "b", "c"};
        return std::nullopt;
    };
    try {
        verifierSql(Jet::traduireRequete(lignes, colonnes));
    } catch (const Jet::ErreurTraduction &) {
    }
    return 0;
}

int valeurs(const std::uint8_t *d, std::size_t n)
{
    if (n == 0)
        return 0;
    const std::string a = Jet::texteJet4(d + 1, n - 1);
    const std::string b = Jet::texteJet3(d + 1, n - 1);
    if (n >= 9) {
        double jours;
        std::memcpy(&jours, d + 1, 8);
        if (const auto iso = Jet::dateIso(jours); iso && iso->size() != 19)
            faute("date of the wrong length", *iso);
        std::int64_t c;
        std::memcpy(&c, d + 1, 8);
        Jet::montant(c);
    }
    if (n >= 18) {
        const std::string t = Jet::texteDecimal(d + 1, d[0] % 40);
        Jet::decimal(d + 1, d[0] % 40);
        if (t.empty())
            faute("empty decimal", t);
    }
    if (n >= 17)
        Jet::guid(d + 1);
    (void)a;
    (void)b;
    return 0;
}

int lecture(const std::uint8_t *d, std::size_t n)
{
#ifdef CORVANE_FUZZ_LECTURE
    try {
        Jet::BaseJet base(d, n);
        sqlite3 *db = nullptr;
        sqlite3_open(":memory:", &db);
        try {
            Jet::convertir(base, db, {});
        } catch (const std::runtime_error &) {
        }
        sqlite3_close(db);
    } catch (const std::runtime_error &) {
    }
#else
    (void)d;
    (void)n;
#endif
    return 0;
}

} // namespace fuzz
