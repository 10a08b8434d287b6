#include "rapports/LignesRapport.h"

#include "rapports/FormatRapport.h"
#include "rapports/ListeRapport.h"

namespace LignesRapport {

namespace {
const QString &tirets()
{
    static const QString t(95, QLatin1Char('-'));
    return t;
}
} // namespace

void total(ListeRapport &liste, const std::optional<DateTime> &dateDebut, const QString &dateFin,
           qint64 nbCarte, const SommeHT &htCarte, qint64 nbType1, const SommeHT &htType1, Currency ttc)
{
    liste.effacer();
    liste.ajouter(QStringLiteral("TOTAL DE VENTE"));
    liste.ajouter(FormatRapport::ligneDuAu(dateDebut, dateFin));
    liste.ajouter(QString());
    liste.ajouter(QStringLiteral("Carte Bancaire:"));
    liste.ajouter(QStringLiteral("Nb de vente: ") + QString::number(nbCarte));
    liste.ajouter(QStringLiteral("Montant HT: ") + FormatRapport::montant(htCarte.valeur) + QStringLiteral(" EUR"));
    liste.ajouter(QString(20, QLatin1Char('_')));
    liste.ajouter(QStringLiteral("Nb Total vente: ") + QString::number(nbCarte + nbType1));
    liste.ajouter(QStringLiteral("TOTAL HT: \t") + FormatRapport::montant((htCarte + htType1).valeur)
                  + QStringLiteral(" EUR"));
    liste.ajouter(QStringLiteral("TOTAL TTC: \t") + FormatRapport::montant(ttc) + QStringLiteral(" EUR"));
}

void entete(ListeRapport &liste, Groupe g, const std::optional<DateTime> &dateDebut, const QString &dateFin)
{
    liste.effacer();
    liste.ajouter(g == Groupe::Jour ? QStringLiteral("VENTES JOURNALIéRE").toUpper() : QStringLiteral("VENTES MENSUEL"));
    liste.ajouter(QString());
    liste.ajouter(FormatRapport::ligneDuAu(dateDebut, dateFin));
    liste.ajouter(QString());
    liste.ajouter(QStringLiteral("Date:        \t\t Nb ventes:\tMontant HT:"));
    liste.ajouter(tirets());
}

void groupe(ListeRapport &liste, Groupe g, const DateTime &date, qint64 nb, const SommeHT &ht)
{
    const QString montant = FormatRapport::montant(ht.valeur);
    if (g == Groupe::Jour)
        liste.ajouter(FormatRapport::jour(date) + QStringLiteral("\tCB:     \t| ") + QString::number(nb)
                      + QStringLiteral("\t\t| ") + montant + QStringLiteral(" EUR"));
    else
        liste.ajouter(FormatRapport::mois(date) + QStringLiteral("\tCB:     \t\t| ") + QString::number(nb)
                      + QStringLiteral("\t\t| ") + montant + QStringLiteral(" EUR"));
    liste.ajouter(tirets());
}

} // namespace LignesRapport
