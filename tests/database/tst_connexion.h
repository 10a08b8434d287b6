#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestConnexion : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sourceDeDonnees_data();
    void sourceDeDonnees();
    void cheminCite_data();
    void cheminCite();
    void reglages_data();
    void reglages();
    void instructionBornee_data();
    void instructionBornee();
    void ouvertureRefusee_data();
    void ouvertureRefusee();
    void nomSansCasse();
    void fermee();
    void erreurMoteurEnFrancais();
    void fonctionsJet_data();
    void fonctionsJet();
    void requetesRapports_data();
    void requetesRapports();
    void requeteDateIllisible();
    void transactions();
    void baseVerrouillee();

private:
    QTemporaryDir m_dossier;
    QString m_base;
};
