#include "journal/JournalErreurs.h"

#include "database/Command.h"
#include "database/Connection.h"
#include "database/OuvertureRecordset.h"
#include "database/Recordset.h"
#include "jet/JournalJet.h"
#include "shared/Configuration.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QDateTime>

namespace {
QString g_repMaintenance;
}

QString RepMaintenance() { return g_repMaintenance; }
void reinitialiserRepMaintenance() { g_repMaintenance.clear(); }

QString TexteErreur(const RuntimeError &erreur)
{
    return QStringLiteral("N°: ") + QString::number(erreur.number()) + QLatin1Char(' ')
           + erreur.description();
}

void TraiterErreur(const QString &contexte, const RuntimeError &erreur)
{
    const QString texte = TexteErreur(erreur);
    EnregistrerErreur(contexte, texte);
    Plateforme::boiteMessage().afficher(texte, Plateforme::titreApplication());
}

void EnregistrerErreur(const QString &contexte, const QString &texteErreur)
{
    try {
        if (g_repMaintenance.isEmpty())
            g_repMaintenance = RepertoireApplication();
        if (!FichierExiste(g_repMaintenance, QStringLiteral("MAINTEN.MDB")))
            return;
        // A log still in the legacy Jet format becomes the program's own first.
        Jet::PreparerJournalJet(g_repMaintenance);

        // Declared in this order so that they are released in the reverse one,
        // whatever step fails.
        Connection connexion;
        connexion.openPath(g_repMaintenance + QStringLiteral("MAINTEN.MDB"));
        Command commande;
        Recordset rs;
        // Opened for appending only: reading the whole log would make every
        // error cost in proportion to the log's size.
        OuvrirRecordsetPourAjout(connexion, commande, QStringLiteral("Erreurs"), rs);
        rs.addNew();
        rs.setField(QStringLiteral("DateErreur"), DateTime::fromQDateTime(QDateTime::currentDateTime()));
        rs.setField(QStringLiteral("Contexte"), contexte);
        rs.setField(QStringLiteral("Erreur"), texteErreur);
        rs.update();
        rs.close();
        commande.setActiveConnection(nullptr);
        connexion.close();
    } catch (...) {
        // The log is best effort: the error is shown to the operator anyway.
    }
}
