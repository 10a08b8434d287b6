#include "rapports/VentesPeriode.h"

#include "database/Command.h"
#include "database/OuvertureRecordset.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

#include <sqlite3.h>

VentesPeriode::VentesPeriode(Connection &connexion, const QString &requete)
{
    {
        Command commande;
        Recordset rs;
        OuvrirRecordset(connexion, commande, QStringLiteral("Parametres"), rs);
        rs.close();
    }
    m_requete.emplace(connexion, requete);
    m_ligne = m_requete->step();
    m_vide = !m_ligne;
}

int VentesPeriode::ordinal(const QString &nom) const
{
    const int n = m_requete->columnCount();
    for (int i = 0; i < n; ++i)
        if (m_requete->columnName(i) == nom)
            return i;
    for (int i = 0; i < n; ++i)
        if (m_requete->columnName(i).compare(nom, Qt::CaseInsensitive) == 0)
            return i;
    throw RuntimeError(Erreurs::ElementIntrouvable,
                       QStringLiteral("Élément introuvable dans la collection correspondant au nom ou à "
                                      "l'ordinal demandé : %1")
                           .arg(nom));
}

Value VentesPeriode::champ(int ordinal) const
{
    sqlite3_stmt *st = m_requete->handle();
    switch (sqlite3_column_type(st, ordinal)) {
    case SQLITE_INTEGER:
        return Value(std::int64_t(sqlite3_column_int64(st, ordinal)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(st, ordinal));
    case SQLITE_TEXT:
        return Value(m_requete->text(ordinal));
    case SQLITE_BLOB:
        return Value(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, ordinal)),
                                sqlite3_column_bytes(st, ordinal)));
    default:
        return Value();
    }
}

DateTime VentesPeriode::date(int ordinal) const
{
    sqlite3_stmt *st = m_requete->handle();
    if (sqlite3_column_type(st, ordinal) == SQLITE_TEXT) {
        // Dates are stored as ISO text: read them without building a QString.
        const char *p = reinterpret_cast<const char *>(sqlite3_column_text(st, ordinal));
        if (const std::optional<DateTime> d = DateTime::fromIso(p, std::size_t(sqlite3_column_bytes(st, ordinal))))
            return *d;
    }
    return champ(ordinal).toDateTime();
}

bool typeEgal(const Value &type, int n)
{
    switch (type.type()) {
    case Value::Type::Null:
        return false;
    case Value::Type::Integer:
        return type.toInteger() == n;
    default:
        return type.toDouble() == double(n);
    }
}
