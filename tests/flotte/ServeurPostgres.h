#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster for the tests: initdb and pg_ctl of the
// installed server (as the "postgres" system user when the tests run as
// root, since initdb refuses root), listening only on a Unix socket in a
// temporary folder, stopped and removed at the end. Roles: "postgres"
// (trust) and, for the authentication tests, password roles checked with
// scram-sha-256.
class ServeurPostgres
{
public:
    ServeurPostgres();    // QVERIFY-style failures are reported through erreur()
    ~ServeurPostgres();

    bool demarre() const { return m_erreur.isEmpty(); }
    QString erreur() const { return m_erreur; }
    QString dossier() const { return m_dossier.path(); }   // the socket's folder
    int port() const { return 5432; }
    // "host=<folder> port=<port> user=<role> dbname=<base>"
    QString connexion(const QString &role = QStringLiteral("postgres"),
                      const QString &base = QStringLiteral("flotte")) const;
    // Runs SQL as the superuser (psql); returns its standard output, trimmed.
    QString psql(const QString &sql, const QString &base = QStringLiteral("flotte")) const;
    bool arreter();

private:
    bool lancer(const QString &programme, const QStringList &arguments, QString *sortie = nullptr) const;
    QTemporaryDir m_dossier;
    QString m_erreur;
    bool m_enMarche = false;
};
