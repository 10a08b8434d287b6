#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster for the tests: initdb and pg_ctl of the
// installed server (as the "postgres" system user when the tests run as
// root, since initdb refuses root), listening only on a Unix socket in a
// temporary folder, stopped and removed at the end. Roles: "postgres"
// (trust) and, for the authentication tests, the role "motdepasse" checked
// with scram-sha-256.
class ServeurPostgres
{
public:
    ServeurPostgres();
    ~ServeurPostgres();

    QString erreur() const { return m_erreur; }   // empty once started
    QString dossier() const { return m_dossier.path(); }   // the socket's folder
    int port() const { return 5432; }
    QString connexion(const QString &role = QStringLiteral("postgres"),
                      const QString &base = QStringLiteral("flotte")) const
    {
        return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4").arg(dossier()).arg(port()).arg(role, base);
    }
    // Runs SQL as the superuser (psql): its standard output, trimmed; a null string on failure.
    QString psql(const QString &sql, const QString &base = QStringLiteral("flotte")) const;

private:
    bool lancer(const QString &programme, const QStringList &arguments, QString *sortie = nullptr) const;
    QTemporaryDir m_dossier;
    QString m_erreur;
    bool m_enMarche = false;
};
