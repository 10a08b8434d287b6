// The period picked on the calendar.
#include "FrmGestion/FrmGestion.h"

#include "database/Dates.h"
#include "shared/Plateforme.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>

void FrmGestion::Command6_Click(int Index)
{
    Frame3->setVisible(true);
    Frame3->raise();
    MonthView1->setVisible(true);
    ChoixDate = Index;
}

// Runs for a mouse click on a day only (QCalendarWidget::clicked): moving the
// selection with the keyboard or scrolling the months stores nothing.
void FrmGestion::MonthView1_DateClick(QDate DateClicked)
{
    const DateTime jour = DateTime::fromDate(DateClicked);
    // A date at midnight is written as the short date alone.
    const QString texte = TexteDate(jour, Plateforme::localeSysteme());
    // The box's accessible name says which date it is; its description, the date.
    if (ChoixDate == 0) {
        Label2[0]->setText(texte);
        Label2[0]->setAccessibleDescription(texte);
        DateDebut = jour;
    } else {
        Label2[1]->setText(texte);
        Label2[1]->setAccessibleDescription(texte);
        DateFin = texte;
    }
    MonthView1->setVisible(false);
    Frame3->setVisible(false);
}
