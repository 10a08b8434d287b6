// The README's screenshot: the real window on a kiosk folder, the journal in
// front and the daily report of the newest sale's month in the list, saved as
// a PNG. Drives the window as the tests do; not installed (scripts/capture.sh
// runs it under Xvfb).
#include "FrmGestion/Application.h"
#include "FrmGestion/FrmGestion.h"
#include "shared/Plateforme.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>
#include <QtTest>

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "Utilisation : corvane-capture <dossier> <image.png>" << Qt::endl;
        return 2;
    }
    Plateforme::definirCheminApplication(QDir(arguments[1]).absolutePath());
    QLocale::setDefault(Plateforme::localeSysteme());

    FrmGestion fenetre;
    fenetre.show();
    if (!QTest::qWaitForWindowExposed(&fenetre)) {
        QTextStream(stderr) << "corvane-capture : la fenêtre ne s'est pas affichée" << Qt::endl;
        return 1;
    }

    // The month of the newest sale (the journal is sorted newest first).
    Recordset &ventes = fenetre.RsVentes;
    const QDate recente = ventes.recordCount() > 0 ? ventes.valueAt(0, ventes.fieldOrdinal(QStringLiteral("Date"))).toDateTime().date()
                                                   : QDate::currentDate();
    const QDate du(recente.year(), recente.month(), 1);
    fenetre.Command6_Click(0);
    fenetre.MonthView1_DateClick(du);
    fenetre.Command6_Click(1);
    fenetre.MonthView1_DateClick(du.addMonths(1).addDays(-1));
    fenetre.Command5->click();
    QTest::qWait(300);
    if (fenetre.List1->count() == 0) {
        QTextStream(stderr) << "corvane-capture : le rapport est vide" << Qt::endl;
        return 1;
    }

    const bool enregistre = fenetre.grab().save(arguments[2]);
    fenetre.close();
    if (!enregistre) {
        QTextStream(stderr) << "corvane-capture : impossible d'écrire " << arguments[2] << Qt::endl;
        return 1;
    }
    return 0;
}
