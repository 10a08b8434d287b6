#pragma once

#include <QObject>

// Search modes, the key filter and the search, through the real window.
class TestRecherche : public QObject
{
    Q_OBJECT
private slots:
    void parDate_data();
    void parDate();
    void dateImpossible();
    void parCarte_data();
    void parCarte();
    void parFacture_data();
    void parFacture();
    void echecRelanceUneFois_data();
    void echecRelanceUneFois();
    void filtreTouches_data();
    void filtreTouches();
    void touchesDeControle();
    void methodeDeSaisie();
    void collerNonFiltre();
    void changementDeMode_data();
    void changementDeMode();
    void journalVide_data();
    void journalVide();
    void telecollectes_data();
    void telecollectes();
};

// The period picked on the calendar.
class TestPeriode : public QObject
{
    Q_OBJECT
private slots:
    void avantToutChoix();
    void choix_data();
    void choix();
    void sansClicRienNEstRetenu_data();
    void sansClicRienNEstRetenu();
    void rouvreSurLeDernierJour();
    void calendrierEnFrancais();
    void calendrierOpaque();
    void anneeSurQuatreChiffres_data();
    void anneeSurQuatreChiffres();
};
