#pragma once

#include "rapports/Rapports.h"

#include <QDate>
#include <QString>

class BaseFlotte;
class ListeRapport;

// The three reports over the fleet's sales of one kiosk (`borne`) or of all
// of them (empty): the server sums, the lines are the window's. Over one
// kiosk they are the lines of that kiosk's own report: the amount before tax
// is the kiosk's (its double division rounded to four decimals, halves to
// even; Null for a Null amount or rate, or a zero rate), a Null amount makes
// its sum Null (and stops the totals report, error 94, as the kiosk's), and
// the period is strictly after the first day's 00:00:00 and strictly before
// the last day's 23:59:59. Throws RuntimeError.
enum class RapportFlotte { Total, Journalier, Mensuel };

ResultatRapport ExecuterRapportFlotte(BaseFlotte &base, RapportFlotte rapport, const QDate &du, const QDate &au,
                                      const QString &borne, ListeRapport &liste);
