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
constexpr std::size_t dernierBloc = std::size_t(32) << 20;
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
    const std::uint64_t adresse = (std::uint64_t(m_blocs.size() - 1) << 32) | b.utilise;
    b.utilise += besoin;
    return adresse;
}

std::string_view Arene::lire(std::uint64_t adresse) const
{
    const char *p = m_blocs[adresse >> 32].octets.get() + (adresse & 0xFFFFFFFFu);
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
    m_valeurs.reserve(n);
    m_types.reserve(n);
}

void Colonne::lireCellule(sqlite3_stmt *st, int colonne, std::uint8_t &type, std::int64_t &valeur)
{
    const auto texte = [&] {
        return std::string_view(reinterpret_cast<const char *>(sqlite3_column_text(st, colonne)),
                                std::size_t(sqlite3_column_bytes(st, colonne)));
    };
    switch (sqlite3_column_type(st, colonne)) {
    case SQLITE_NULL:
        type = std::uint8_t(Value::Type::Null);
        valeur = 0;
        return;
    case SQLITE_INTEGER: {
        const std::int64_t i = sqlite3_column_int64(st, colonne);
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
        const double d = sqlite3_column_double(st, colonne);
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
        const auto *p = static_cast<const char *>(sqlite3_column_blob(st, colonne));
        type = std::uint8_t(Value::Type::Blob);
        valeur = std::int64_t(m_arene.ajouter({p, std::size_t(sqlite3_column_bytes(st, colonne))}));
        return;
    }
    }
}

void Colonne::ajouter(sqlite3_stmt *st, int colonne)
{
    std::uint8_t type;
    std::int64_t valeur;
    lireCellule(st, colonne, type, valeur);
    m_types.push_back(type);
    m_valeurs.push_back(valeur);
    m_typesPresents |= 1u << type;
    m_rangsValides = false;
}

void Colonne::remplacer(std::size_t ligne, sqlite3_stmt *st, int colonne)
{
    lireCellule(st, colonne, m_types[ligne], m_valeurs[ligne]);
    m_typesPresents |= 1u << m_types[ligne];
    m_rangsValides = false;
}

double Colonne::reel(std::size_t ligne) const
{
    switch (type(ligne)) {
    case Value::Type::Integer: return double(m_valeurs[ligne]);
    case Value::Type::Double: return std::bit_cast<double>(m_valeurs[ligne]);
    case Value::Type::Currency: return double(m_valeurs[ligne]) / 10000.0;
    default: return 0;
    }
}

Value Colonne::valeur(std::size_t ligne) const
{
    const std::int64_t v = m_valeurs[ligne];
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
