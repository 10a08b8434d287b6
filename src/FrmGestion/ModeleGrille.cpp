#include "FrmGestion/ModeleGrille.h"

#include "FrmGestion/DataSource.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

ModeleGrille::ModeleGrille(DataSource *source, QList<ColonneGrille> colonnes, QObject *parent)
    : QAbstractTableModel(parent), m_source(source), m_colonnes(std::move(colonnes))
{
    m_ordinaux.fill(-1, m_colonnes.size());
    if (source) {
        connect(source, &DataSource::recordsetChanged, this, &ModeleGrille::recharger);
        connect(source, &DataSource::orderChanged, this, &ModeleGrille::ordreChange);
        connect(source, &DataSource::rowsAppended, this, &ModeleGrille::lignesAjoutees);
        // Opening or closing the set is told as a move of the current record.
        connect(source, &DataSource::currentChanged, this, &ModeleGrille::verifierOuverture);
    }
    recharger();
}

Recordset *ModeleGrille::recordset() const
{
    return m_source ? m_source->recordset() : nullptr;
}

int ModeleGrille::nombreEnregistrements() const
{
    Recordset *rs = recordset();
    return rs && rs->isOpen() ? rs->recordCount() : 0;
}

void ModeleGrille::recharger()
{
    beginResetModel();
    Recordset *rs = recordset();
    m_ouvert = rs && rs->isOpen();
    m_lignes = nombreEnregistrements();
    for (qsizetype i = 0; i < m_colonnes.size(); ++i)
        m_ordinaux[i] = m_ouvert ? rs->fieldOrdinal(m_colonnes.at(i).champ) : -1;
    endResetModel();
}

void ModeleGrille::verifierOuverture()
{
    Recordset *rs = recordset();
    if ((rs && rs->isOpen()) != m_ouvert || nombreEnregistrements() != m_lignes)
        recharger();
}

void ModeleGrille::ordreChange()
{
    // The set has already re-sorted: every position may name another row.
    // Persistent indexes keep their positions; the grid puts its current
    // index back on the set's current record afterwards.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ModeleGrille::lignesAjoutees(int, int)
{
    const int total = nombreEnregistrements();
    if (total <= m_lignes) {
        recharger();
        return;
    }
    beginInsertRows({}, m_lignes, total - 1);
    m_lignes = total;
    endInsertRows();
}

int ModeleGrille::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_lignes;
}

int ModeleGrille::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_colonnes.size());
}

QVariant ModeleGrille::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ColonneGrille &colonne = m_colonnes.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {   // the whole value, where the column cuts it
        const int ordinal = m_ordinaux.at(index.column());
        Recordset *rs = recordset();
        if (ordinal < 0 || !rs)
            return QString();
        try {
            return TexteAffiche(rs->valueAt(index.row(), ordinal), colonne.format);
        } catch (const RuntimeError &) {
            return QString();
        }
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(colonne.alignement | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ModeleGrille::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_colonnes.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_colonnes.at(section).legende;
    return {};
}

Qt::ItemFlags ModeleGrille::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
