#include "FrmGestion/DataGrid.h"

#include "FrmGestion/DataSource.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
int pixels(int twips) { return qRound(twips / 15.0); }
}

DataGrid::DataGrid(const QString &nom, const QString &legende, QWidget *parent) : QFrame(parent)
{
    setObjectName(nom);
    setFrameShape(QFrame::Box);
    setAccessibleName(legende);

    m_legende = new QLabel(legende, this);
    m_legende->setObjectName(nom + QStringLiteral("_Legende"));
    m_legende->setAlignment(Qt::AlignCenter);
    m_legende->setAutoFillBackground(true);
    m_legende->setBackgroundRole(QPalette::Dark);
    m_legende->setForegroundRole(QPalette::BrightText);

    m_table = new QTableView(this);
    m_table->setObjectName(nom + QStringLiteral("_Table"));
    m_table->setAccessibleName(legende);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSortingEnabled(false);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(false);
    // A fixed row height keeps a million rows cheap to lay out.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->verticalHeader()->setVisible(false);
    QHeaderView *entete = m_table->horizontalHeader();
    entete->setSectionsClickable(true);
    entete->setSortIndicatorShown(false);
    entete->setHighlightSections(false);
    entete->setStretchLastSection(false);
    connect(entete, &QHeaderView::sectionClicked, this, &DataGrid::headerClicked);

    auto *disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(0);
    disposition->addWidget(m_legende);
    disposition->addWidget(m_table, 1);
}

void DataGrid::lier(DataSource *source, const QList<ColonneGrille> &colonnes)
{
    delete m_modele;
    m_modele = new ModeleGrille(source, colonnes, this);
    m_table->setModel(m_modele);
    for (qsizetype i = 0; i < colonnes.size(); ++i)
        m_table->setColumnWidth(int(i), pixels(colonnes.at(i).largeurTwips));

    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &courant) { deplacerEnregistrement(courant); });
    connect(m_modele, &QAbstractItemModel::modelReset, this, &DataGrid::suivreEnregistrement);
    connect(source, &DataSource::currentChanged, this, &DataGrid::suivreEnregistrement);
    suivreEnregistrement();
}

void DataGrid::suivreEnregistrement()
{
    Recordset *rs = m_modele ? m_modele->recordset() : nullptr;
    const int position = rs && rs->isOpen() && !rs->isEof() ? rs->absolutePosition() : -1;
    QItemSelectionModel *selection = m_table->selectionModel();
    if (!selection)
        return;
    m_synchronisation = true;
    if (position < 0 || position >= m_modele->rowCount()) {
        selection->clear();
    } else {
        const int colonne = qMax(0, m_table->currentIndex().column());
        const QModelIndex cible = m_modele->index(position, colonne);
        if (m_table->currentIndex() != cible || !selection->isRowSelected(position, {}))
            selection->setCurrentIndex(cible, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->scrollTo(cible);
    }
    m_synchronisation = false;
}

void DataGrid::deplacerEnregistrement(const QModelIndex &courant)
{
    if (m_synchronisation || !courant.isValid())
        return;
    Recordset *rs = m_modele ? m_modele->recordset() : nullptr;
    if (!rs || !rs->isOpen())
        return;
    try {
        if (rs->isEof() || rs->absolutePosition() != courant.row())
            rs->moveTo(courant.row());
    } catch (const RuntimeError &) {
        // The grid cannot move the set: put it back where the set is.
        suivreEnregistrement();
    }
}
