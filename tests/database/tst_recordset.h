#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestRecordset : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void ouvertureJournal();
    void tri_data();
    void tri();
    void triRefuse();
    void triGardeLeCourant();
    void triTextesSansCasse();
    void triChiffresEtValeursExtremes_data();
    void triChiffresEtValeursExtremes();
    void champDiffere_data();
    void champDiffere();
    void recherche_data();
    void recherche();
    void rechercheRefuseeNeBougePas();
    void rechercheSautEtArriere();
    void rechercheTrieeCommeLeParcours_data();
    void rechercheTrieeCommeLeParcours();
    void rechercheTypesMelanges_data();
    void rechercheTypesMelanges();
    void signets();
    void finDeFichierEtVide();
    void miseAJour();
    void miseAJourRefusee();
    void ajoutEnFin();
    void ajoutSurTableTriee();

private:
    QString m_base;
    QTemporaryDir m_dossier;
};
