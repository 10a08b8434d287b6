#pragma once

#include "shared/Plateforme.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

// Fixtures for the tests: real SQLite files built from the project's schema.
namespace TestSupport {

// Paths of the schema files (from the ctest environment, else the source tree).
QString schemaVentes();
QString schemaMaintenance();

// Creates a database file at `chemin` from a schema file, then runs `sqlSupplementaire`.
void creerBase(const QString &chemin, const QString &schema, const QString &sqlSupplementaire = {});
// Runs SQL on an existing file.
void executerSql(const QString &chemin, const QString &sql);
// First column of the first row of a query, as text ("" when no row, "NULL" for Null).
QString valeurSql(const QString &chemin, const QString &sql);

// Pins the French (France) locale for the program and Qt's default; call before any widget.
void epinglerFrancais();

// A message box that records what it was asked to show instead of showing it.
class BoiteMessageTest : public Plateforme::BoiteMessage
{
public:
    BoiteMessageTest();             // installs itself
    ~BoiteMessageTest() override;   // restores the standard one
    void afficher(const QString &texte, const QString &titre) override;
    QStringList textes;
    QStringList titres;
};

// The number of the RuntimeError `f` throws (0 when none); the same and its description as
// "number description" ("" when none).
int numeroErreur(const std::function<void()> &f);
QString erreur(const std::function<void()> &f);

// How a program run by a test ended: its exit status (-1 when it did not end normally, or
// not within five minutes), its standard output and standard error.
struct Execution
{
    int statut = -1;
    QByteArray sortie;
    QString erreurs;
};
// Runs a program to its end; a name without '/' is one of the build's programs (CORVANE_BIN).
// An empty `environnement` keeps the test's own.
Execution executer(const QString &programme, const QStringList &arguments,
                   const QProcessEnvironment &environnement = {});

// Registers a test class for the shared main (tests/support/PrincipalTests.cpp).
bool enregistrerClasse(const char *nom, QObject *(*fabrique)());

} // namespace TestSupport

// Ends each test file: the shared main runs the class with the others of its program.
#define CORVANE_TEST(Classe)                                                                  \
    namespace {                                                                               \
    [[maybe_unused]] const bool corvaneEnregistre##Classe =                                   \
        TestSupport::enregistrerClasse(#Classe, []() -> QObject * { return new Classe; });    \
    }
