#include "TestSupport.h"
#include "tst_connexion.h"
#include "tst_recordset.h"

#include <QCoreApplication>
#include <QtTest>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestSupport::epinglerFrancais();
    int echecs = 0;
    {
        TestConnexion t;
        echecs += QTest::qExec(&t, argc, argv);
    }
    {
        TestRecordset t;
        echecs += QTest::qExec(&t, argc, argv);
    }
    return echecs == 0 ? 0 : 1;
}
