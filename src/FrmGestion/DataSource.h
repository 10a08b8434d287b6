#pragma once

#include "database/Recordset.h"

#include <QObject>
#include <QPointer>

// The data-source control (Adodc1..3): never visible; holds the record set
// handed to it and tells the controls bound to it when the set, its current
// record or its order changes. The record set stays the one owner of the
// current record: bound controls read it and move it, they keep no copy.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(const QString &nom, QObject *parent = nullptr);

    // Set Adodc.Recordset = rs (nullptr unbinds). The set is not owned.
    void setRecordset(Recordset *rs);
    Recordset *recordset() const { return m_recordset; }

signals:
    void recordsetChanged();
    void currentChanged();
    void orderAboutToChange();
    void orderChanged();
    void rowsAppended(int first, int last);

private:
    QPointer<Recordset> m_recordset;
};
