#include "maintenance/CompactageJet.h"

#include "database/Connection.h"
#include "jet/ConvertisseurJet.h"
#include "journal/JournalErreurs.h"
#include "shared/Chemins.h"

bool estSourceJet(const QString &chaineSource)
{
    const QString source = Connection::dataSource(chaineSource);
    return !source.isEmpty() && Jet::EstBaseJet(resoudreChemin(source));
}

void compacterJet(const QString &chaineSource, const QString &chaineDestination, const Progression &progression)
{
    const Jet::ResultatConversion r =
        Jet::ConvertirBaseJet(resoudreChemin(Connection::dataSource(chaineSource)),
                              Connection::dataSource(chaineDestination), {}, {}, progression);
    for (const QString &avertissement : r.avertissements)
        EnregistrerErreur(QStringLiteral("ReparerDatabase"), avertissement);
}
