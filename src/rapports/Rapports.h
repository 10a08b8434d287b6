#pragma once

#include "database/Value.h"

#include <QString>
#include <optional>

class Connection;
class ListeRapport;

// The three reports over the sales of the period DateDebut..DateFin (the
// start a date, unset until picked; the end the date's text in the system's
// short-date format). Each runs its own query on the open connection and,
// when the period holds sales, replaces the list's lines. Each owns its error
// trap: an error is handed to TraiterErreur with the procedure's name as
// context and ends the report.
enum class ResultatRapport {
    Rempli,       // the list holds the report
    AucuneVente,  // the period holds no sale: the list is untouched
    Erreur        // reported through TraiterErreur
};

ResultatRapport TotalVentes(Connection &connexion, const std::optional<DateTime> &dateDebut,
                            const QString &dateFin, ListeRapport &liste);
ResultatRapport TotalVentesparJours(Connection &connexion, const std::optional<DateTime> &dateDebut,
                                    const QString &dateFin, ListeRapport &liste);
ResultatRapport TotalVentesparmois(Connection &connexion, const std::optional<DateTime> &dateDebut,
                                   const QString &dateFin, ListeRapport &liste);

// The reports' query text: the sales strictly inside the period, with the
// computed column TotalHT, ordered by `ordre` ("TypePaiement" or "LaDate").
QString RequeteVentes(const std::optional<DateTime> &dateDebut, const QString &dateFin,
                      const QString &ordre);
