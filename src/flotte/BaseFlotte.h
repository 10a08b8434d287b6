#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

// The fleet's PostgreSQL database through libpq. Every value goes to the
// server as a parameter of its statement; errors become RuntimeError with a
// French description (number ErreursFlotte::*) and the server's own message.
namespace ErreursFlotte {
constexpr int ServeurInjoignable = 3151;    // no server at that address, or it went away
constexpr int AuthentificationRefusee = 3029;
constexpr int DroitRefuse = 3112;           // a right is missing on the fleet's objects
constexpr int Serveur = -2147217900;        // any other error the server reports
constexpr int SchemaInconnu = 3343;         // "corvane" exists but is not ours, or another version
}

class ResultatPg
{
public:
    explicit ResultatPg(pg_result *r) : m_r(r) {}
    int lignes() const;
    bool estNull(int ligne, int colonne) const;
    QString texte(int ligne, int colonne) const;
    QByteArray octets(int ligne, int colonne) const;   // the text form, as the server sent it
    qint64 entier(int ligne, int colonne) const;

private:
    struct Liberer { void operator()(pg_result *r) const; };
    std::unique_ptr<pg_result, Liberer> m_r;
};

class BaseFlotte
{
public:
    // `connexion`: a libpq connection string ("host=... dbname=..."), a URI
    // or a service name (the file ~/.pg_service.conf, PGSERVICE, ~/.pgpass
    // and the PG* variables work as for every PostgreSQL tool).
    explicit BaseFlotte(const QString &connexion);

    // Runs one statement with its parameters (text form; nullopt is NULL).
    ResultatPg executer(const char *sql, const std::vector<std::optional<QByteArray>> &parametres = {});
    // A fixed text of one or more statements, without parameters.
    void executerTexte(const char *sql);

    // Ends a transaction left open by an error (nothing of it is kept).
    void annuler() noexcept;

    // COPY ... FROM STDIN: the statement, then the rows in chunks, then the end.
    void debutCopie(const char *sql);
    void envoyerCopie(const QByteArray &donnees);
    void finCopie();

private:
    [[noreturn]] void echec(pg_result *r, const char *contexte);
    struct Fermer { void operator()(pg_conn *c) const; };
    std::unique_ptr<pg_conn, Fermer> m_c;
};

// A connection string made of a service name alone gets "service=".
QByteArray ChaineConnexionFlotte(const QString &connexion);
