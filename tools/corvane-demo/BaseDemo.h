#pragma once

#include "Generateur.h"

#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A new database file built from a schema file with the raw SQLite API:
// no journal and no sync while it is built (a failed build is thrown away
// whole), closed normally; the caller makes it durable and moves it into place.
class BaseDemo : public Destination
{
public:
    // Creates the file (which must not exist) and its schema, inside the one
    // transaction that will hold every row.
    BaseDemo(const QString &chemin, const QString &schema);
    ~BaseDemo() override;                              // an unfinished file is left to the caller
    BaseDemo(const BaseDemo &) = delete;
    BaseDemo &operator=(const BaseDemo &) = delete;

    void preparerInsertions();                         // before the first sale or upload
    void parametres(const ParametresKiosque &p);
    void vente(const Vente &v) override;
    void telecollecte(const Telecollecte &t) override;
    void terminer();                                   // commit and close

private:
    struct Requete;
    void executer(const char *sql);
    [[noreturn]] void echec(const QString &quoi) const;

    struct Fermeture
    {
        void operator()(sqlite3 *base) const;
    };

    QString m_chemin;
    std::unique_ptr<sqlite3, Fermeture> m_base;   // before the statements: closed after them
    std::unique_ptr<Requete> m_vente;
    std::unique_ptr<Requete> m_telecollecte;
};
