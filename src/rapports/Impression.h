#pragma once

#include <QString>
#include <QStringList>

class Imprimante;

// "Imprimer " (Command7_Click): a CR LF line, then each report line behind a
// tab, then the end of the document.
// "Imprimer Ticket" (CmdTicket_Click): a CR LF line, then the ticket's whole
// text as one item, then the end of the document.
// Both trap their errors with the empty context; true when the document was ended.
bool ImprimerRapport(Imprimante &imprimante, const QStringList &lignes);
bool ImprimerTicket(Imprimante &imprimante, const QString &ticket);
