#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

// A throw-away PostgreSQL cluster of the installed server, on a Unix socket
// in a temporary folder. The role "motdepasse" is checked with scram-sha-256.
class ServeurPostgres
{
public:
    ServeurPostgres()
    {
        const passwd *pw = geteuid() == 0 ? getpwnam("postgres") : nullptr;
        if (geteuid() == 0 && (!pw || chown(QFile::encodeName(dossier()).constData(), pw->pw_uid, pw->pw_gid) != 0)) {
            m_erreur = QStringLiteral("utilisateur système postgres absent (apt-get install postgresql)");
            return;
        }
        const QString donnees = dossier() + QStringLiteral("/donnees");
        const QString hba = QStringLiteral("local all motdepasse scram-sha-256\nlocal all all trust\n");
        const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off -c lc_messages=C "
                                               "-c password_encryption=scram-sha-256")
                                    .arg(dossier())
                                    .arg(port());
        m_enMarche =
            lancer(Binaires + "initdb", {"-D", donnees, "-A", "trust", "-U", "postgres", "--no-sync"}, &m_erreur)
            && lancer("sh", {"-c", "printf '%s' \"$0\" > \"$1\"", hba, donnees + "/pg_hba.conf"}, &m_erreur)
            && lancer(Binaires + "pg_ctl", {"-D", donnees, "-o", options, "-l", dossier() + "/journal", "-w", "start"},
                      &m_erreur);
        if (!m_enMarche || psql(QStringLiteral("CREATE DATABASE flotte"), QStringLiteral("postgres")).isNull())
            m_erreur = QStringLiteral("PostgreSQL 15 ne démarre pas (apt-get install postgresql) : ") + m_erreur;
        else
            m_erreur.clear();
    }
    ~ServeurPostgres()
    {
        if (m_enMarche)
            lancer(Binaires + "pg_ctl", {"-D", dossier() + "/donnees", "-m", "immediate", "-w", "stop"});
    }

    QString erreur() const { return m_erreur; }   // empty once started
    QString dossier() const { return m_dossier.path(); }   // the socket's folder
    int port() const { return 5432; }
    QString connexion(const QString &role = QStringLiteral("postgres"),
                      const QString &base = QStringLiteral("flotte")) const
    {
        return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4").arg(dossier()).arg(port()).arg(role, base);
    }
    // Runs SQL as the superuser (psql): its standard output, trimmed; a null string on failure.
    QString psql(const QString &sql, const QString &base = QStringLiteral("flotte")) const
    {
        QString sortie;
        if (!lancer("psql", {"-XAtq", "-v", "ON_ERROR_STOP=1", connexion("postgres", base), "-c", sql}, &sortie))
            return QString();
        return sortie.isNull() ? QStringLiteral("") : sortie;
    }

private:
    inline static const QString Binaires = QStringLiteral("/usr/lib/postgresql/15/bin/");

    bool lancer(const QString &programme, const QStringList &arguments, QString *sortie = nullptr) const
    {
        QProcess p;
        // initdb refuses root: the package's system user runs the server.
        if (geteuid() == 0)
            p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", programme} + arguments);
        else
            p.start(programme, arguments);
        const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (sortie)
            *sortie = QString::fromUtf8(ok ? p.readAllStandardOutput().trimmed() : p.readAllStandardError());
        return ok;
    }

    QTemporaryDir m_dossier;
    QString m_erreur;
    bool m_enMarche = false;
};
