#include "FrmGestion/FormatAffichage.h"

#include "shared/RuntimeError.h"

#include <cstdint>

QString FormatMonetaire(Currency montant)
{
    // Work on the magnitude in cents; the magnitude of INT64_MIN does not fit
    // in an int64, so go through unsigned arithmetic.
    const bool negatif = montant.dixMilliemes < 0;
    const std::uint64_t magnitude = negatif ? std::uint64_t(0) - std::uint64_t(montant.dixMilliemes)
                                            : std::uint64_t(montant.dixMilliemes);
    const std::uint64_t centimes = (magnitude + 50) / 100;
    const std::uint64_t euros = centimes / 100;
    const unsigned reste = unsigned(centimes % 100);

    const QString chiffres = QString::number(euros);
    QString groupes;
    groupes.reserve(chiffres.size() + chiffres.size() / 3 + 8);
    for (qsizetype i = 0; i < chiffres.size(); ++i) {
        if (i > 0 && (chiffres.size() - i) % 3 == 0)
            groupes += QChar(0x00A0);
        groupes += chiffres.at(i);
    }

    QString texte;
    if (negatif && centimes != 0)
        texte += QLatin1Char('-');
    texte += groupes;
    texte += QLatin1Char(',');
    texte += QLatin1Char(char('0' + reste / 10));
    texte += QLatin1Char(char('0' + reste % 10));
    texte += QStringLiteral(" €");
    return texte;
}

QString TexteAffiche(const Value &valeur, FormatChamp format)
{
    if (valeur.isNull())
        return {};
    try {
        switch (format) {
        case FormatChamp::TelQuel:
            break;
        case FormatChamp::Monetaire:
            return FormatMonetaire(valeur.toCurrency());
        case FormatChamp::Entier: {
            // "0" rounds half away from zero, as the currency format does.
            const Currency c = valeur.toCurrency();
            const std::int64_t q = c.dixMilliemes / 10000;
            const std::int64_t r = c.dixMilliemes % 10000;
            const std::int64_t entier = r >= 5000 ? q + 1 : (r <= -5000 ? q - 1 : q);
            return QString::number(entier);
        }
        }
    } catch (const RuntimeError &) {
        // Shown as stored below.
    }
    return valeur.toString();
}
