#include "rapports/VentesPeriode.h"

#include "shared/RuntimeError.h"

VentesPeriode::VentesPeriode(Connection &connexion, const QString &requete)
{
    m_commande.setActiveConnection(&connexion);
    m_rs.setCursorLocation(Recordset::adUseClient);
    m_rs.setCursorType(Recordset::adOpenDynamic);
    m_rs.setLockType(Recordset::adLockOptimistic);

    m_commande.setCommandText(QStringLiteral("Parametres"));
    m_rs.open(m_commande);
    m_rs.close();

    m_commande.setCommandText(requete);
    m_rs.open(m_commande);
}

int VentesPeriode::ordinal(const QString &nom) const
{
    const int o = m_rs.fieldOrdinal(nom);
    if (o < 0)
        throw RuntimeError(Erreurs::ElementIntrouvable,
                           QStringLiteral("Élément introuvable dans la collection correspondant au nom "
                                          "ou à l'ordinal demandé : %1")
                               .arg(nom));
    return o;
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
