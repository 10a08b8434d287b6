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
        connect(source, &DataSource::orderAboutToChange, this, &ModeleGrille::ordreVaChanger);
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

void ModeleGrille::ordreVaChanger()
{
    // Told before the set re-sorts: each persistent index is noted by the
    // record it names, to follow that record to its new row.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_triEnCours = true;
    m_persistants = persistentIndexList();
    m_signets.clear();
    Recordset *rs = recordset();
    const int lignes = nombreEnregistrements();
    for (const QModelIndex &i : std::as_const(m_persistants))
        m_signets.push_back(i.row() < lignes ? rs->bookmarkAt(i.row()) : Recordset::Bookmark(-1));
}

void ModeleGrille::ordreChange()
{
    if (!m_triEnCours) // a sort not announced: persistent indexes keep their rows
        ordreVaChanger();
    Recordset *rs = recordset();
    const std::vector<int> positions = rs && rs->isOpen() ? rs->positionsOf(m_signets) : std::vector<int>();
    QModelIndexList nouveaux;
    for (qsizetype i = 0; i < m_persistants.size(); ++i) {
        const int ligne = std::size_t(i) < positions.size() ? positions[std::size_t(i)] : -1;
        nouveaux << (ligne < 0 || ligne >= m_lignes ? QModelIndex() : index(ligne, m_persistants.at(i).column()));
    }
    changePersistentIndexList(m_persistants, nouveaux);
    m_persistants.clear();
    m_signets.clear();
    m_triEnCours = false;
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
