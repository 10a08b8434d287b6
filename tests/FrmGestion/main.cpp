#include "tst_fenetre.h"

#include "TestSupport.h"

#include <QApplication>
#include <QtTest>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TestSupport::epinglerFrancais();
    int echecs = 0;
    TestControles controles;
    echecs += QTest::qExec(&controles, argc, argv);
    TestDemarrage demarrage;
    echecs += QTest::qExec(&demarrage, argc, argv);
    TestVues vues;
    echecs += QTest::qExec(&vues, argc, argv);
    TestFormats formats;
    echecs += QTest::qExec(&formats, argc, argv);
    return echecs == 0 ? 0 : 1;
}
