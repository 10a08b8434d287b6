#pragma once

#include "database/Value.h"

#include <QString>
#include <optional>

// The reports' number and date formats, with the system's separators
// (Plateforme::separateurDecimal, Plateforme::separateurDate).
namespace FormatRapport {

// "##0.00": at least one digit before the separator, exactly two after, no
// grouping, a leading minus sign for a negative amount; rounded to the cent,
// halves away from zero, on the exact amount.
QString montant(Currency c);
// A Null sum shows as nothing.
QString montant(const std::optional<Currency> &c);

// "dd/mm/yy" and "mm/yy".
QString jour(const DateTime &d);
QString mois(const DateTime &d);

// The period's ends as the heading shows them: an unset start is day zero;
// the end is the date its text denotes (a text that denotes no date is
// shown as it is).
QString debut(const std::optional<DateTime> &dateDebut);
QString fin(const QString &dateFin);

// "Du " + start + " au " + end.
QString ligneDuAu(const std::optional<DateTime> &dateDebut, const QString &dateFin);

} // namespace FormatRapport
