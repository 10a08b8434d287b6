#pragma once

#include <QObject>

// The window as designed.
class TestControles : public QObject
{
    Q_OBJECT
private slots:
    void controles_data();
    void controles();
    void fenetre();
    void nomsAccessibles_data();
    void nomsAccessibles();
    void colonnes_data();
    void colonnes();
};

// Start-up, its unhandled-error path, and shut-down.
class TestDemarrage : public QObject
{
    Q_OBJECT
private slots:
    void ouvreLeJournal();
    void nomDeLaBase_data();
    void nomDeLaBase();
    void legende_data();
    void legende();
    void erreurDemarrage_data();
    void erreurDemarrage();
    void messageErreurExecution();
    void programmeSignal_data();
    void programmeSignal();
    void dossierQuelconque_data();
    void dossierQuelconque();
    void finEcritParametres();
    void finParametresVide();
};

// Journal and card-batch views, grid and ticket bindings, header sort.
class TestVues : public QObject
{
    Q_OBJECT
private slots:
    void cellules_data();
    void cellules();
    void valeursLisibles();
    void basculeGardeEnregistrements();
    void grilleEtEnregistrement();
    void triEntete_data();
    void triEntete();
    void triEnteteEchoue_data();
    void triEnteteEchoue();
    void journalVide();
    void panneauParametres();
    void modeles();
};

// Display formats and the command line.
class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void formatMonetaire_data();
    void formatMonetaire();
    void texteAffiche_data();
    void texteAffiche();
    void ligneDeCommande_data();
    void ligneDeCommande();
};
