#include "FrmGestion/DataSource.h"

DataSource::DataSource(const QString &nom, QObject *parent) : QObject(parent)
{
    setObjectName(nom);
}

void DataSource::setRecordset(Recordset *rs)
{
    if (m_recordset == rs)
        return;
    if (m_recordset)
        disconnect(m_recordset, nullptr, this, nullptr);
    m_recordset = rs;
    if (rs) {
        connect(rs, &Recordset::currentChanged, this, &DataSource::currentChanged);
        connect(rs, &Recordset::orderAboutToChange, this, &DataSource::orderAboutToChange);
        connect(rs, &Recordset::orderChanged, this, &DataSource::orderChanged);
        connect(rs, &Recordset::rowsAppended, this, &DataSource::rowsAppended);
        // A set destroyed under us unbinds every control.
        connect(rs, &QObject::destroyed, this, &DataSource::recordsetChanged);
    }
    emit recordsetChanged();
}
