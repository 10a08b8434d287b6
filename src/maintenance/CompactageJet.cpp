#include "maintenance/CompactageJet.h"

#include "jet/ConvertisseurJet.h"
#include "journal/JournalErreurs.h"
#include "shared/Chemins.h"

bool estSourceJet(const QString &base)
{
    return !base.isEmpty() && Jet::EstBaseJet(resoudreChemin(base));
}

void compacterJet(const QString &base, const QString &destination, const Progression &progression)
{
    const Jet::ResultatConversion r =
        Jet::ConvertirBaseJet(resoudreChemin(base), destination, {}, {}, progression);
    for (const QString &avertissement : r.avertissements)
        EnregistrerErreur(QStringLiteral("ReparerDatabase"), avertissement);
}
