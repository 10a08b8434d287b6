// The one main of every test program: runs the classes its files registered.
#include "TestSupport.h"

#include <QApplication>
#include <QtTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {
std::map<std::string, QObject *(*)()> &classes()
{
    static std::map<std::string, QObject *(*)()> c;
    return c;
}
} // namespace

bool TestSupport::enregistrerClasse(const char *nom, QObject *(*fabrique)())
{
    classes().emplace(nom, fabrique);
    return true;
}

// `programme [Classe] [options of QTest]`: a class name first runs that class only.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TestSupport::epinglerFrancais();
    std::vector<char *> arguments(argv, argv + argc);
    std::string seule;
    if (argc > 1 && classes().count(argv[1])) {
        seule = argv[1];
        arguments.erase(arguments.begin() + 1);
    }
    int echecs = 0;
    for (const auto &[nom, fabrique] : classes()) {
        if (!seule.empty() && nom != seule)
            continue;
        const std::unique_ptr<QObject> test(fabrique());
        echecs += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    return echecs == 0 ? 0 : 1;
}
