#include "tst_recherche.h"

#include "TestSupport.h"

#include <QApplication>
#include <QtTest>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TestSupport::epinglerFrancais();
    int echecs = 0;
    TestRecherche recherche;
    echecs += QTest::qExec(&recherche, argc, argv);
    TestPeriode periode;
    echecs += QTest::qExec(&periode, argc, argv);
    return echecs == 0 ? 0 : 1;
}
