#pragma once

#include "FrmGestion/ModeleGrille.h"

#include <QFrame>

class QLabel;
class QTableView;

// The data grid: a caption bar over a read-only table bound to a data source.
// The table follows the set's current record, and moving in the table (mouse,
// keyboard) moves the set's current record; the set stays the one owner of it.
// Header clicks are passed on (headerClicked) and never sort by themselves.
class DataGrid : public QFrame
{
    Q_OBJECT
public:
    DataGrid(const QString &nom, const QString &legende, QWidget *parent = nullptr);

    // Binds the grid to a data source with its columns (widths from twips).
    void lier(DataSource *source, const QList<ColonneGrille> &colonnes);

    QTableView *table() const { return m_table; }
    QLabel *barreLegende() const { return m_legende; }
    ModeleGrille *modele() const { return m_modele; }

signals:
    void headerClicked(int colonne);

private:
    void suivreEnregistrement();
    void deplacerEnregistrement(const QModelIndex &courant);

    QLabel *m_legende = nullptr;
    QTableView *m_table = nullptr;
    ModeleGrille *m_modele = nullptr;
    bool m_synchronisation = false;
};
