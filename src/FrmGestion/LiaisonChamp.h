#pragma once

#include "FrmGestion/DataSource.h"
#include "FrmGestion/FormatAffichage.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Binds a text box (QPlainTextEdit or QLineEdit) to one field of a data
// source: the box shows that field of the set's current record, and nothing at
// end of file or when the set has no such field. The binding can be moved to
// another source and field at run time (Set Text1.DataSource = Adodc3).
class LiaisonChamp : public QObject
{
    Q_OBJECT
public:
    explicit LiaisonChamp(QWidget *boite, FormatChamp format = FormatChamp::TelQuel);

    void lier(DataSource *source, const QString &champ);
    DataSource *source() const { return m_source; }
    const QString &champ() const { return m_champ; }

    // The field's value as stored (line ends as the database holds them),
    // which is what the box shows.
    QString valeur() const { return m_valeur; }

private:
    void actualiser();

    QPointer<QWidget> m_boite;
    QPointer<DataSource> m_source;
    QString m_champ;
    FormatChamp m_format;
    QString m_valeur;
};
