#include "database/Colonne.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace {
// Blocks double from 64 KiB to 32 MiB: small sets stay small, a journal of a
// million receipts takes few blocks.
constexpr std::size_t premierBloc = std::size_t(64) << 10;
constexpr int bitsDecalage = 25;
constexpr std::size_t dernierBloc = std::size_t(1) << bitsDecalage;
} // namespace

std::uint64_t Arene::ajouter(std::string_view octets)
{
    const std::size_t besoin = sizeof(std::uint32_t) + octets.size();
    if (m_blocs.empty() || m_blocs.back().taille - m_blocs.back().utilise < besoin) {
        Bloc b;
        const std::size_t suivant = m_blocs.empty() ? premierBloc : std::min(m_blocs.back().taille * 2, dernierBloc);
        b.taille = std::max(suivant, besoin);
        b.octets.reset(static_cast<char *>(Memoire::allouer(b.taille)));
        m_blocs.push_back(std::move(b));
    }
    Bloc &b = m_blocs.back();
    const std::uint32_t longueur = std::uint32_t(octets.size());
    std::memcpy(b.octets.get() + b.utilise, &longueur, sizeof longueur);
    if (!octets.empty())
        std::memcpy(b.octets.get() + b.utilise + sizeof longueur, octets.data(), octets.size());
    const std::uint64_t adresse = (std::uint64_t(m_blocs.size() - 1) << bitsDecalage)
                                  | (b.taille > dernierBloc ? 0 : b.utilise);
    if (b.taille > dernierBloc) // one text alone: its block takes nothing else
        b.utilise = b.taille;
    else
        b.utilise += besoin;
    return adresse;
}

std::size_t Arene::occupes() const
{
    std::size_t n = 0;
    for (const Bloc &b : m_blocs)
        n += b.taille;
    return n;
}

std::string_view Arene::lire(std::uint64_t adresse) const
{
    const char *p = m_blocs[adresse >> bitsDecalage].octets.get() + (adresse & (dernierBloc - 1));
    std::uint32_t longueur;
    std::memcpy(&longueur, p, sizeof longueur);
    return {p + sizeof longueur, longueur};
}

Colonne::Genre Colonne::genreDeclare(const char *declType)
{
    if (!declType)
        return Genre::Libre;
    const QByteArray t = QByteArray(declType).trimmed().toUpper();
    if (t.startsWith("DATETIME") || t == "DATE" || t.startsWith("DATE(") || t.startsWith("TIMESTAMP"))
        return Genre::Date;
    if (t.startsWith("CURRENCY") || t.startsWith("MONEY"))
        return Genre::Monnaie;
    return Genre::Libre;
}

void Colonne::reserver(std::size_t n)
{
    if (m_larges.empty())
        m_etroits.reserve(n);
    else
        m_larges.reserve(n);
}

std::size_t Colonne::octetsOccupes() const
{
    return m_etroits.capacity() * sizeof(std::int32_t) + m_larges.capacity() * sizeof(std::int64_t)
           + m_types.capacity() + m_arene.occupes() + m_rangs.capacity() * sizeof(std::uint32_t);
}

void Colonne::elargir()
{
    Memoire::Tableau<std::int64_t> larges;
    larges.reserve(std::max(m_etroits.capacity(), m_taille + 1));
    for (const std::int32_t e : m_etroits)
        larges.push_back(m_base + e);
    m_larges = std::move(larges);
    m_etroits = {};
}

// The payload of a Null cell is never read: it is stored as the base.
void Colonne::ecrire(std::size_t ligne, std::uint8_t type, std::int64_t valeur)
{
    if (type == std::uint8_t(Value::Type::Null))
        valeur = m_base;
    else if (!m_baseFixee) {
        m_base = valeur;
        m_baseFixee = true;
    }
    if (m_types.empty() && type != m_typeUnique) {
        if (m_taille == 0 || (m_taille == 1 && ligne == 0))
            m_typeUnique = type;
        else {
            m_types.reserve(std::max(m_etroits.capacity(), m_larges.capacity()));
            m_types.assign(m_taille, m_typeUnique);
        }
    }
    std::int64_t ecart = 0;
    if (m_larges.empty()
        && (__builtin_sub_overflow(valeur, m_base, &ecart) || ecart < INT32_MIN || ecart > INT32_MAX))
        elargir();
    if (ligne == m_taille) {
        if (!m_types.empty())
            m_types.push_back(type);
        if (m_larges.empty())
            m_etroits.push_back(std::int32_t(ecart));
        else
            m_larges.push_back(valeur);
        ++m_taille;
    } else {
        if (!m_types.empty())
            m_types[ligne] = type;
        if (m_larges.empty())
            m_etroits[ligne] = std::int32_t(ecart);
        else
            m_larges[ligne] = valeur;
    }
}

void Colonne::lireCellule(sqlite3_stmt *st, int colonne, std::uint8_t &type, std::int64_t &valeur)
{
    // One call that takes the connection's mutex per cell, not one per
    // question asked of the cell (the value is used on this thread only).
    sqlite3_value *v = sqlite3_column_value(st, colonne);
    const auto texte = [&] {
        return std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                std::size_t(sqlite3_value_bytes(v)));
    };
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        type = std::uint8_t(Value::Type::Null);
        valeur = 0;
        return;
    case SQLITE_INTEGER: {
        const std::int64_t i = sqlite3_value_int64(v);
        if (m_genre == Genre::Monnaie && i <= INT64_MAX / 10000 && i >= INT64_MIN / 10000) {
            type = std::uint8_t(Value::Type::Currency);
            valeur = i * 10000;
            return;
        }
        if (m_genre == Genre::Date && i >= -657434 && i < 2958466) {
            type = std::uint8_t(Value::Type::Date);
            valeur = DateTime::fromOleDate(double(i)).secondes;
            return;
        }
        type = std::uint8_t(Value::Type::Integer);
        valeur = i;
        return;
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (m_genre == Genre::Monnaie && std::isfinite(d) && std::fabs(d) < 9.2e14) {
            type = std::uint8_t(Value::Type::Currency);
            valeur = Currency::fromDouble(d).dixMilliemes;
            return;
        }
        if (m_genre == Genre::Date && d >= -657434.0 && d < 2958466.0) {
            type = std::uint8_t(Value::Type::Date);
            valeur = DateTime::fromOleDate(d).secondes;
            return;
        }
        type = std::uint8_t(Value::Type::Double);
        valeur = std::bit_cast<std::int64_t>(d);
        return;
    }
    case SQLITE_TEXT: {
        const std::string_view t = texte();
        if (m_genre == Genre::Date) {
            if (const std::optional<DateTime> d = DateTime::fromIso(t.data(), t.size())) {
                type = std::uint8_t(Value::Type::Date);
                valeur = d->secondes;
                return;
            }
        }
        type = std::uint8_t(Value::Type::Text);
        valeur = std::int64_t(m_arene.ajouter(t));
        return;
    }
    default: {
        const auto *p = static_cast<const char *>(sqlite3_value_blob(v));
        type = std::uint8_t(Value::Type::Blob);
        valeur = std::int64_t(m_arene.ajouter({p, std::size_t(sqlite3_value_bytes(v))}));
        return;
    }
    }
}

void Colonne::ajouter(sqlite3_stmt *st, int colonne)
{
    std::uint8_t type;
    std::int64_t valeur;
    lireCellule(st, colonne, type, valeur);
    ecrire(m_taille, type, valeur);
    m_typesPresents |= 1u << type;
    m_rangsValides = false;
}

void Colonne::remplacer(std::size_t ligne, sqlite3_stmt *st, int colonne)
{
    std::uint8_t type;
    std::int64_t valeur;
    lireCellule(st, colonne, type, valeur);
    ecrire(ligne, type, valeur);
    m_typesPresents |= 1u << type;
    m_rangsValides = false;
}

double Colonne::reel(std::size_t ligne) const
{
    switch (type(ligne)) {
    case Value::Type::Integer: return double(brut(ligne));
    case Value::Type::Double: return std::bit_cast<double>(brut(ligne));
    case Value::Type::Currency: return double(brut(ligne)) / 10000.0;
    default: return 0;
    }
}

Value Colonne::valeur(std::size_t ligne) const
{
    const std::int64_t v = brut(ligne);
    switch (type(ligne)) {
    case Value::Type::Null: return {};
    case Value::Type::Integer: return Value(v);
    case Value::Type::Double: return Value(std::bit_cast<double>(v));
    case Value::Type::Currency: return Value(Currency{v});
    case Value::Type::Date: return Value(DateTime{v});
    case Value::Type::Text: {
        const std::string_view t = octets(ligne);
        return Value(QString::fromUtf8(t.data(), qsizetype(t.size())));
    }
    case Value::Type::Blob: {
        const std::string_view b = octets(ligne);
        return Value(QByteArray(b.data(), qsizetype(b.size())));
    }
    }
    return {};
}

int ordinalChamp(const std::vector<Colonne> &colonnes, QStringView nom)
{
    for (std::size_t i = 0; i < colonnes.size(); ++i)
        if (colonnes[i].nom() == nom)
            return int(i);
    for (std::size_t i = 0; i < colonnes.size(); ++i)
        if (nom.compare(colonnes[i].nom(), Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}
