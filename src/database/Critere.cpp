#include "database/Critere.h"

#include "database/CleTexte.h"
#include "database/Dates.h"
#include "database/ErreursAdo.h"
#include "database/Nombres.h"
#include "database/Tri.h"
#include "shared/Plateforme.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

using Op = Critere::Operateur;

constexpr unsigned bit(Value::Type t) { return 1u << unsigned(t); }

bool estBlanc(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// The operator at the start of `t` (after blanks), and its length; false when none.
bool lireOperateur(QStringView t, Op &op, qsizetype &longueur)
{
    qsizetype i = 0;
    while (i < t.size() && estBlanc(t[i]))
        ++i;
    const QStringView r = t.mid(i);
    struct { const char *texte; Op op; } const symboles[] = {
        {"<=", Op::InferieurEgal}, {">=", Op::SuperieurEgal}, {"<>", Op::Different},
        {"=", Op::Egal}, {"<", Op::Inferieur}, {">", Op::Superieur},
    };
    for (const auto &s : symboles) {
        if (r.startsWith(QLatin1String(s.texte))) {
            op = s.op;
            longueur = i + qsizetype(std::strlen(s.texte));
            return true;
        }
    }
    if (r.startsWith(QLatin1String("like"), Qt::CaseInsensitive)
        && (r.size() == 4 || !(r[4].isLetterOrNumber() || r[4] == QLatin1Char('_')))) {
        op = Op::Comme;
        longueur = i + 4;
        return true;
    }
    return false;
}

struct ValeurLue
{
    QString texte;
    enum class Forme { Nue, Apostrophes, Dieses } forme = Forme::Nue;
};

ValeurLue lireValeur(QStringView t)
{
    ValeurLue v;
    const QStringView s = t.trimmed();
    if (s.isEmpty())
        ErreursAdo::argumentsIncorrects();
    const QChar premier = s.front();
    if (premier == QLatin1Char('\'') || premier == QLatin1Char('#')) {
        // Delimited: the closing mark ends the value; no mark inside, nothing after.
        if (s.size() < 2 || s.back() != premier || s.mid(1, s.size() - 2).contains(premier))
            ErreursAdo::argumentsIncorrects();
        v.texte = s.mid(1, s.size() - 2).toString();
        v.forme = premier == QLatin1Char('\'') ? ValeurLue::Forme::Apostrophes : ValeurLue::Forme::Dieses;
        if (v.forme == ValeurLue::Forme::Dieses && v.texte.contains(QLatin1Char('\'')))
            ErreursAdo::argumentsIncorrects();
        return v;
    }
    if (s.contains(QLatin1Char('\'')) || s.contains(QLatin1Char('"')) || s.contains(QLatin1Char('#')))
        ErreursAdo::argumentsIncorrects();
    v.texte = s.toString();
    return v;
}

std::optional<double> lireNombre(const QString &t)
{
    const QByteArray b = t.trimmed().toLatin1();
    if (auto n = Nombres::lireNombreC(b.constData(), b.constData() + b.size()))
        return n;
    return Nombres::lireNombre(t, Plateforme::localeSysteme());
}

std::optional<DateTime> lireDate(const QString &t)
{
    if (auto d = AnalyserDate(t, Plateforme::localeSysteme()))
        return d;
    if (auto d = DateTime::fromIso(t.trimmed()))
        return d;
    return std::nullopt;
}

int signe(auto a, auto b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Compares the upper-cased ASCII bytes of `a` with the key `b`.
int comparerAscii(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(CleTexte::majusculeAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return signe(a.size(), b.size());
}

int comparerOctets(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// A case-folded text against a case-folded pattern with '*' or '%' for any characters.
bool correspond(QStringView texte, QStringView motif)
{
    qsizetype t = 0, m = 0, etoile = -1, reprise = 0;
    const auto joker = [](QChar c) { return c == QLatin1Char('*') || c == QLatin1Char('%'); };
    while (t < texte.size()) {
        if (m < motif.size() && joker(motif[m])) {
            etoile = m++;
            reprise = t;
        } else if (m < motif.size() && motif[m] == texte[t]) {
            ++m;
            ++t;
        } else if (etoile >= 0) {
            m = etoile + 1;
            t = ++reprise;
        } else {
            return false;
        }
    }
    while (m < motif.size() && joker(motif[m]))
        ++m;
    return m == motif.size();
}

thread_local std::string tamponCle;

struct ChampLu
{
    int colonne = -1;
    Op op = Op::Egal;
    qsizetype fin = 0;  // where the value begins
};

// "[Field] op": the name as it stands between the brackets.
ChampLu lireChampEntreCrochets(QStringView t, const std::vector<Colonne> &colonnes)
{
    const qsizetype fin = t.indexOf(QLatin1Char(']'));
    if (fin < 0)
        ErreursAdo::argumentsIncorrects();
    const QStringView nom = t.mid(1, fin - 1);
    ChampLu champ;
    champ.colonne = ordinalChamp(colonnes, nom);
    if (champ.colonne < 0)
        ErreursAdo::elementIntrouvable(nom.toString());
    qsizetype longueur = 0;
    if (!lireOperateur(t.mid(fin + 1), champ.op, longueur))
        ErreursAdo::argumentsIncorrects();
    champ.fin = fin + 1 + longueur;
    return champ;
}

// No field name followed by an operator: 3265 names what stands before an
// operator, else the criterion is unreadable.
[[noreturn]] void champInconnu(QStringView t)
{
    for (qsizetype i = 0; i < t.size(); ++i) {
        Op o;
        qsizetype l;
        if ((t[i] == QLatin1Char('<') || t[i] == QLatin1Char('>') || t[i] == QLatin1Char('=')
             || (i > 0 && estBlanc(t[i - 1])))
            && lireOperateur(t.mid(i), o, l) && !t.left(i).trimmed().isEmpty())
            ErreursAdo::elementIntrouvable(t.left(i).trimmed().toString());
    }
    ErreursAdo::argumentsIncorrects();
}

// "Field op": the longest field name followed by an operator (names may hold
// blanks and accents).
ChampLu lireChampNomme(QStringView t, const std::vector<Colonne> &colonnes)
{
    ChampLu champ;
    qsizetype meilleur = -1;
    for (const Colonne &colonne : colonnes) {
        const QString &nom = colonne.nom();
        if (nom.size() <= meilleur || !t.startsWith(nom, Qt::CaseInsensitive))
            continue;
        Op o;
        qsizetype l;
        if (lireOperateur(t.mid(nom.size()), o, l)) {
            meilleur = nom.size();
            champ.colonne = ordinalChamp(colonnes, t.left(nom.size()));
            champ.op = o;
            champ.fin = meilleur + l;
        }
    }
    if (champ.colonne < 0)
        champInconnu(t);
    return champ;
}

// The kind a compared value takes: the field's, or when the field holds
// several (or none), what the value reads as.
Tri::Classe classeValeur(const Colonne &c, const ValeurLue &valeur)
{
    const unsigned types = c.typesPresents();
    const unsigned nombres = types & (bit(Value::Type::Integer) | bit(Value::Type::Double) | bit(Value::Type::Currency));
    const bool textes = types & (bit(Value::Type::Text) | bit(Value::Type::Blob));
    if (c.genre() == Colonne::Genre::Date || (types & bit(Value::Type::Date)))
        return Tri::Classe::Date;
    if (c.genre() == Colonne::Genre::Monnaie || (nombres && !textes))
        return Tri::Classe::Nombre;
    if ((textes && !nombres) || valeur.forme == ValeurLue::Forme::Apostrophes)
        return Tri::Classe::Texte;
    if (lireNombre(valeur.texte))
        return Tri::Classe::Nombre;
    if (lireDate(valeur.texte))
        return Tri::Classe::Date;
    return Tri::Classe::Texte;
}

} // namespace

Critere::Critere(const QString &texte, const std::vector<Colonne> &colonnes)
{
    const QStringView t = QStringView(texte).trimmed();
    if (t.isEmpty())
        ErreursAdo::argumentsIncorrects();
    const ChampLu champ = t.front() == QLatin1Char('[') ? lireChampEntreCrochets(t, colonnes)
                                                         : lireChampNomme(t, colonnes);
    m_colonne = champ.colonne;
    m_op = champ.op;
    const ValeurLue valeur = lireValeur(t.mid(champ.fin));
    const Colonne &c = colonnes[std::size_t(m_colonne)];
    const unsigned types = c.typesPresents();
    const unsigned nombres = types & (bit(Value::Type::Integer) | bit(Value::Type::Double) | bit(Value::Type::Currency));
    // The sort puts a like's matches in one run only among texts (numbers and
    // dates sort before them, bytes after), and orders numbers of mixed kinds
    // as doubles, where ordre() compares them exactly: no run to rely on then.
    m_bandeSure = m_op == Op::Comme ? (types & ~(bit(Value::Type::Null) | bit(Value::Type::Text))) == 0
                                    : std::popcount(nombres) <= 1;
    if (m_op == Op::Comme) {
        m_classe = Tri::Classe::Texte;
        preparerMotif(valeur.texte);
        return;
    }
    m_classe = classeValeur(c, valeur);
    switch (m_classe) {
    case Tri::Classe::Nombre: preparerNombre(valeur.texte); break;
    case Tri::Classe::Date: preparerDate(valeur.texte, valeur.forme == ValeurLue::Forme::Nue); break;
    default: {
        const QByteArray u = valeur.texte.toUtf8();
        const std::string_view v(u.constData(), std::size_t(u.size()));
        CleTexte::ajouterCle(v, m_cle);
        m_cleAscii = CleTexte::estAscii(v);
        break;
    }
    }
}

void Critere::preparerMotif(const QString &motif)
{
    m_motif = motif.toCaseFolded();
    qsizetype joker = -1;
    for (qsizetype i = 0; i < motif.size() && joker < 0; ++i)
        if (motif[i] == QLatin1Char('*') || motif[i] == QLatin1Char('%'))
            joker = i;
    m_prefixeSeul = joker == motif.size() - 1;
    if (!m_prefixeSeul)
        return;
    const QByteArray prefixe = motif.left(joker).toUtf8();
    const std::string_view p(prefixe.constData(), std::size_t(prefixe.size()));
    CleTexte::ajouterPrimaire(p, m_prefixePrimaire);
    if (CleTexte::estAscii(p))
        m_prefixeAscii = m_prefixePrimaire;
    else
        m_prefixeSeul = false; // non-ASCII prefixes go through the general match
}

void Critere::preparerNombre(const QString &texte)
{
    const std::optional<double> n = lireNombre(texte);
    if (!n)
        ErreursAdo::argumentsIncorrects();
    m_reel = *n;
    if (std::nearbyint(*n) == *n && std::fabs(*n) < 9.2e18)
        m_entier = std::int64_t(*n);
    // Exact when written with at most four decimals, the SQL way or the system's.
    const QByteArray b = texte.trimmed().toLatin1();
    if (Nombres::lireNombreC(b.constData(), b.constData() + b.size())) {
        if (const auto exacte = Nombres::lireMonnaieC(b.constData(), b.constData() + b.size()))
            m_monnaie = exacte->dixMilliemes;
    } else if (const auto locale = Nombres::lireMonnaie(texte, Plateforme::localeSysteme())) {
        m_monnaie = locale->dixMilliemes;
    }
}

void Critere::preparerDate(const QString &texte, bool nue)
{
    std::optional<DateTime> d = lireDate(texte);
    // A bare number is a date as the engine counts days.
    if (!d && nue) {
        if (const auto n = lireNombre(texte)) {
            if (*n >= -657434.0 && *n < 2958466.0)
                d = DateTime::fromOleDate(*n);
        }
    }
    if (!d)
        ErreursAdo::argumentsIncorrects();
    m_date = d->secondes;
}

int Critere::ordre(const Colonne &c, std::size_t l) const
{
    const Value::Type t = c.type(l);
    const Tri::Classe classe = Tri::classe(t);
    if (classe != m_classe)
        return classe < m_classe ? -1 : 1;
    switch (t) {
    case Value::Type::Integer:
        if (m_entier)
            return signe(c.brut(l), *m_entier);
        return signe(static_cast<long double>(c.brut(l)), static_cast<long double>(m_reel));
    case Value::Type::Currency:
        if (m_monnaie)
            return signe(c.brut(l), *m_monnaie);
        return signe(static_cast<long double>(c.brut(l)), static_cast<long double>(m_reel) * 10000);
    case Value::Type::Double: return signe(c.reel(l), m_reel);
    case Value::Type::Date: return signe(c.brut(l), m_date);
    case Value::Type::Text: {
        const std::string_view o = c.octets(l);
        if (m_cleAscii && CleTexte::estAscii(o))
            return comparerAscii(o, m_cle);
        tamponCle.clear();
        CleTexte::ajouterCle(o, tamponCle);
        return comparerOctets(tamponCle, m_cle);
    }
    default: return 0;
    }
}

int Critere::ordrePrefixe(const Colonne &c, std::size_t l) const
{
    const Value::Type t = c.type(l);
    if (t != Value::Type::Text)
        return Tri::classe(t) < Tri::Classe::Texte ? -1 : 1;
    std::string_view o = c.octets(l);
    if (!CleTexte::estAscii(o)) {
        tamponCle.clear();
        CleTexte::ajouterPrimaire(o, tamponCle);
        o = tamponCle;
        return comparerOctets(o.substr(0, m_prefixePrimaire.size()), m_prefixePrimaire);
    }
    return comparerAscii(o.substr(0, m_prefixePrimaire.size()), m_prefixePrimaire);
}

bool Critere::comme(const Colonne &c, std::size_t l) const
{
    const Value::Type t = c.type(l);
    if (t == Value::Type::Null)
        return false;
    if (t == Value::Type::Text && m_prefixeSeul) {
        const std::string_view o = c.octets(l);
        if (o.size() < m_prefixeAscii.size())
            return false;
        for (std::size_t i = 0; i < m_prefixeAscii.size(); ++i)
            if (CleTexte::majusculeAscii(o[i]) != m_prefixeAscii[i])
                return false;
        return true;
    }
    return correspond(c.valeur(l).toString().toCaseFolded(), m_motif);
}

bool Critere::satisfait(const Colonne &c, std::size_t l) const
{
    if (m_op == Op::Comme)
        return comme(c, l);
    const Tri::Classe classe = Tri::classe(c.type(l));
    if (classe == Tri::Classe::Nul || classe != m_classe)
        return false;
    const int o = ordre(c, l);
    switch (m_op) {
    case Op::Egal: return o == 0;
    case Op::Different: return o != 0;
    case Op::Inferieur: return o < 0;
    case Op::InferieurEgal: return o <= 0;
    case Op::Superieur: return o > 0;
    case Op::SuperieurEgal: return o >= 0;
    case Op::Comme: break;
    }
    return false;
}

bool Critere::bande() const
{
    if (!m_bandeSure)
        return false;
    return m_op == Op::Comme ? m_prefixeSeul : m_op != Op::Different;
}

int Critere::positionBande(const Colonne &c, std::size_t l) const
{
    if (m_op == Op::Comme)
        return ordrePrefixe(c, l);
    const int o = ordre(c, l);
    switch (m_op) {
    case Op::Egal: return o;
    case Op::Superieur: return o <= 0 ? -1 : 0;
    case Op::SuperieurEgal: return o < 0 ? -1 : 0;
    case Op::Inferieur: return o < 0 ? 0 : 1;
    case Op::InferieurEgal: return o <= 0 ? 0 : 1;
    default: return 0;
    }
}
