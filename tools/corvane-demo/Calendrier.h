#pragma once

#include <cstdint>

// Civil dates from a day number (days since 1970-01-01), without the C
// library's time zone and locale, so a seed gives the same dates everywhere.
struct Jour
{
    int annee;
    int mois;     // 1..12
    int jour;     // 1..31
};

inline std::int64_t numeroJour(int annee, int mois, int jour)
{
    const int a = annee - (mois <= 2);
    const int ere = (a >= 0 ? a : a - 399) / 400;
    const int annees = a - ere * 400;
    const int quantieme = (153 * (mois + (mois > 2 ? -3 : 9)) + 2) / 5 + jour - 1;
    const int jours = annees * 365 + annees / 4 - annees / 100 + quantieme;
    return std::int64_t(ere) * 146097 + jours - 719468;
}

inline Jour jourCivil(std::int64_t numero)
{
    numero += 719468;
    const std::int64_t ere = (numero >= 0 ? numero : numero - 146096) / 146097;
    const auto jours = static_cast<int>(numero - ere * 146097);
    const int annees = (jours - jours / 1460 + jours / 36524 - jours / 146096) / 365;
    const int quantieme = jours - (365 * annees + annees / 4 - annees / 100);
    const int mp = (5 * quantieme + 2) / 153;
    const int jour = quantieme - (153 * mp + 2) / 5 + 1;
    const int mois = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(annees + ere * 400) + (mois <= 2), mois, jour};
}

// 0 = Sunday ... 6 = Saturday.
inline int jourSemaine(std::int64_t numero)
{
    return static_cast<int>(numero >= -4 ? (numero + 4) % 7 : (numero + 5) % 7 + 6);
}
