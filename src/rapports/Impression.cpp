#include "rapports/Impression.h"

#include "rapports/Imprimante.h"
#include "rapports/Trappe.h"

bool ImprimerRapport(Imprimante &imprimante, const QStringList &lignes)
{
    return avecTrappe(QString(), [&] {
        imprimante.imprimerLigne(QStringLiteral("\r\n"));
        for (const QString &ligne : lignes)
            imprimante.imprimerLigne(QLatin1Char('\t') + ligne);
        imprimante.finDocument();
    });
}

bool ImprimerTicket(Imprimante &imprimante, const QString &ticket)
{
    return avecTrappe(QString(), [&] {
        imprimante.imprimerLigne(QStringLiteral("\r\n"));
        imprimante.imprimerLigne(ticket);
        imprimante.finDocument();
    });
}
