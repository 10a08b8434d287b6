#include "ServeurPostgres.h"

#include <QFile>
#include <QProcess>
#include <pwd.h>
#include <unistd.h>

namespace {
const QString binaires = QStringLiteral("/usr/lib/postgresql/15/bin/");
}

bool ServeurPostgres::lancer(const QString &programme, const QStringList &arguments, QString *sortie) const
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

ServeurPostgres::ServeurPostgres()
{
    const passwd *pw = geteuid() == 0 ? getpwnam("postgres") : nullptr;
    if (geteuid() == 0 && (!pw || chown(QFile::encodeName(dossier()).constData(), pw->pw_uid, pw->pw_gid) != 0)) {
        m_erreur = QStringLiteral("utilisateur système postgres absent (apt-get install postgresql)");
        return;
    }
    const QString donnees = dossier() + QStringLiteral("/donnees");
    // Password roles through scram-sha-256; everything else trusted.
    const QString hba = QStringLiteral("local all motdepasse scram-sha-256\nlocal all all trust\n");
    const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c password_encryption=scram-sha-256 "
                                           "-c fsync=off -c lc_messages=C")
                                .arg(dossier())
                                .arg(port());
    m_enMarche = lancer(binaires + "initdb", {"-D", donnees, "-A", "trust", "-U", "postgres", "--no-sync"}, &m_erreur)
        && lancer("sh", {"-c", "printf '%s' \"$0\" > \"$1\"", hba, donnees + "/pg_hba.conf"}, &m_erreur)
        && lancer(binaires + "pg_ctl", {"-D", donnees, "-o", options, "-l", dossier() + "/journal", "-w", "start"},
                  &m_erreur);
    if (m_enMarche && psql(QStringLiteral("CREATE DATABASE flotte"), QStringLiteral("postgres")).isNull())
        m_erreur = QStringLiteral("CREATE DATABASE a échoué");
    else if (m_enMarche)
        m_erreur.clear();
    else
        m_erreur = QStringLiteral("PostgreSQL 15 ne démarre pas (apt-get install postgresql) : ") + m_erreur;
}

ServeurPostgres::~ServeurPostgres()
{
    if (m_enMarche)
        lancer(binaires + "pg_ctl", {"-D", dossier() + "/donnees", "-m", "immediate", "-w", "stop"});
}

QString ServeurPostgres::psql(const QString &sql, const QString &base) const
{
    QString sortie;
    if (!lancer("psql", {"-XAtq", "-v", "ON_ERROR_STOP=1", connexion("postgres", base), "-c", sql}, &sortie))
        return QString();
    return sortie.isNull() ? QStringLiteral("") : sortie;
}
