#pragma once

#include "database/Value.h"
#include "rapports/SommeHT.h"

#include <QString>
#include <optional>

class ListeRapport;

// The reports' lines, composed from their sums wherever the sums come from
// (the kiosk's walk over its sales, or a server that summed a fleet's).
namespace LignesRapport {

// The totals report's ten lines, after clearing the list.
void total(ListeRapport &liste, const std::optional<DateTime> &dateDebut, const QString &dateFin,
           qint64 nbCarte, const SommeHT &htCarte, qint64 nbType1, const SommeHT &htType1, Currency ttc);

enum class Groupe { Jour, Mois };

// The daily or monthly report's heading block (six lines), after clearing the list.
void entete(ListeRapport &liste, Groupe g, const std::optional<DateTime> &dateDebut, const QString &dateFin);

// One day or month line, then its rule of dashes.
void groupe(ListeRapport &liste, Groupe g, const DateTime &date, qint64 nb, const SommeHT &ht);

} // namespace LignesRapport
