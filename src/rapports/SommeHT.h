#pragma once

#include "database/Value.h"

#include <optional>

// An amount-before-tax sum of a report: Null from the first Null amount added
// to it on (as the original's Null arithmetic), else an exact currency sum.
struct SommeHT
{
    std::optional<Currency> valeur = Currency{};

    void ajouter(const Value &v)
    {
        if (!valeur)
            return;
        if (v.isNull())
            valeur.reset();
        else
            valeur = *valeur + v.toCurrency();
    }

    friend SommeHT operator+(const SommeHT &a, const SommeHT &b)
    {
        SommeHT s;
        if (a.valeur && b.valeur)
            s.valeur = *a.valeur + *b.valeur;
        else
            s.valeur.reset();
        return s;
    }
};
