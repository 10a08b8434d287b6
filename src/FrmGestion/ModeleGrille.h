#pragma once

#include "FrmGestion/FormatAffichage.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <cstdint>
#include <vector>

class DataSource;
class Recordset;

// One column of a data grid: header caption, field shown, display, alignment
// and width (twips, as the grid's design gives them).
struct ColonneGrille
{
    QString legende;
    QString champ;
    FormatChamp format = FormatChamp::TelQuel;
    Qt::Alignment alignement = Qt::AlignLeft;
    int largeurTwips = 0;
};

// A read-only table over the record set of a data source: one row per record
// in the set's current sort order. Rows are read on demand from the set, so
// a journal of a million sales costs no copy. A column whose field the set
// does not have shows nothing. A sort is told to the views before it applies,
// and persistent indexes follow their record to its new row.
class ModeleGrille : public QAbstractTableModel
{
    Q_OBJECT
public:
    ModeleGrille(DataSource *source, QList<ColonneGrille> colonnes, QObject *parent = nullptr);

    const QList<ColonneGrille> &colonnes() const { return m_colonnes; }
    Recordset *recordset() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void recharger();
    void ordreVaChanger();
    void ordreChange();
    void lignesAjoutees(int first, int last);
    void verifierOuverture();
    int nombreEnregistrements() const;

    QPointer<DataSource> m_source;
    QList<ColonneGrille> m_colonnes;
    QList<int> m_ordinaux;   // field ordinal of each column, -1 when missing
    int m_lignes = 0;        // rows as last announced to the views
    bool m_ouvert = false;
    // Between orderAboutToChange and orderChanged: the persistent indexes and
    // the records (bookmarks) they name.
    QModelIndexList m_persistants;
    std::vector<std::uint32_t> m_signets;
    bool m_triEnCours = false;
};
