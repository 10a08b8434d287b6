#include "FrmGestion/LiaisonChamp.h"

#include "FrmGestion/DataSource.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

#include <QLineEdit>
#include <QPlainTextEdit>

LiaisonChamp::LiaisonChamp(QWidget *boite, FormatChamp format)
    : QObject(boite), m_boite(boite), m_format(format)
{
}

void LiaisonChamp::lier(DataSource *source, const QString &champ)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_champ = champ;
    if (source) {
        connect(source, &DataSource::recordsetChanged, this, &LiaisonChamp::actualiser);
        connect(source, &DataSource::currentChanged, this, &LiaisonChamp::actualiser);
        connect(source, &DataSource::orderChanged, this, &LiaisonChamp::actualiser);
    }
    actualiser();
}

void LiaisonChamp::actualiser()
{
    QString texte;
    Recordset *rs = m_source ? m_source->recordset() : nullptr;
    if (rs && rs->isOpen() && !rs->isEof()) {
        try {
            const int ordinal = rs->fieldOrdinal(m_champ);
            if (ordinal >= 0)
                texte = TexteAffiche(rs->field(ordinal), m_format);
        } catch (const RuntimeError &) {
            texte.clear();
        }
    }
    if (texte == m_valeur)
        return;
    m_valeur = texte;
    if (auto *plein = qobject_cast<QPlainTextEdit *>(m_boite.data()))
        plein->setPlainText(texte);
    else if (auto *ligne = qobject_cast<QLineEdit *>(m_boite.data()))
        ligne->setText(texte);
}
