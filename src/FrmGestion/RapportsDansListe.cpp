// The three reports over the period, written into List1.
#include "FrmGestion/FrmGestion.h"

#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"

#include <QListWidget>

namespace {

// List1 as the list a report writes.
class ListeList1 : public ListeRapport
{
public:
    explicit ListeList1(QListWidget *liste) : m_liste(liste) {}
    void effacer() override { m_liste->clear(); }
    void ajouter(const QString &ligne) override { m_liste->addItem(ligne); }

private:
    QListWidget *m_liste;
};

} // namespace

void FrmGestion::TotalVentes()
{
    ListeList1 liste(List1);
    ::TotalVentes(Connexion, DateDebut, DateFin, liste);
}

void FrmGestion::TotalVentesparJours()
{
    ListeList1 liste(List1);
    ::TotalVentesparJours(Connexion, DateDebut, DateFin, liste);
}

void FrmGestion::TotalVentesparmois()
{
    ListeList1 liste(List1);
    ::TotalVentesparmois(Connexion, DateDebut, DateFin, liste);
}
