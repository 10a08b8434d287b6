#include "ServeurPostgres.h"

#include <QDir>
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
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                                                      programme} + arguments);
    else
        p.start(programme, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (sortie)
            *sortie = QString::fromUtf8(p.readAllStandardError());
        return false;
    }
    if (sortie)
        *sortie = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

ServeurPostgres::ServeurPostgres()
{
    if (!QFile::exists(binaires + QStringLiteral("initdb"))) {
        m_erreur = QStringLiteral("PostgreSQL 15 absent (apt-get install postgresql)");
        return;
    }
    if (geteuid() == 0) {
        const passwd *pw = getpwnam("postgres");
        if (!pw || chown(QFile::encodeName(dossier()).constData(), pw->pw_uid, pw->pw_gid) != 0) {
            m_erreur = QStringLiteral("utilisateur système postgres absent");
            return;
        }
    }
    const QString donnees = dossier() + QStringLiteral("/donnees");
    QString message;
    if (!lancer(binaires + QStringLiteral("initdb"),
                {QStringLiteral("-D"), donnees, QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
                 QStringLiteral("postgres"), QStringLiteral("--no-sync")},
                &message)) {
        m_erreur = QStringLiteral("initdb : ") + message;
        return;
    }
    // Password roles through scram-sha-256; everything else trusted.
    const QString hba = QStringLiteral("local all motdepasse scram-sha-256\nlocal all all trust\n");
    if (!lancer(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$0\" > \"$1\""), hba,
                                        donnees + QStringLiteral("/pg_hba.conf")})) {
        m_erreur = QStringLiteral("pg_hba.conf impossible à écrire");
        return;
    }
    const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c password_encryption=scram-sha-256 "
                                           "-c fsync=off -c lc_messages=C")
                                .arg(dossier())
                                .arg(port());
    if (!lancer(binaires + QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), donnees, QStringLiteral("-o"), options, QStringLiteral("-l"),
                 dossier() + QStringLiteral("/journal"), QStringLiteral("-w"), QStringLiteral("start")},
                &message)) {
        m_erreur = QStringLiteral("pg_ctl start : ") + message;
        return;
    }
    m_enMarche = true;
    if (psql(QStringLiteral("CREATE DATABASE flotte"), QStringLiteral("postgres")).isNull())
        m_erreur = QStringLiteral("CREATE DATABASE a échoué");
}

ServeurPostgres::~ServeurPostgres() { arreter(); }

bool ServeurPostgres::arreter()
{
    if (!m_enMarche)
        return true;
    m_enMarche = !lancer(binaires + QStringLiteral("pg_ctl"),
                         {QStringLiteral("-D"), dossier() + QStringLiteral("/donnees"), QStringLiteral("-m"),
                          QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    return !m_enMarche;
}

QString ServeurPostgres::connexion(const QString &role, const QString &base) const
{
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4").arg(dossier()).arg(port()).arg(role, base);
}

QString ServeurPostgres::psql(const QString &sql, const QString &base) const
{
    QString sortie;
    if (!lancer(QStringLiteral("psql"), {QStringLiteral("-XAtq"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                         connexion(QStringLiteral("postgres"), base), QStringLiteral("-c"), sql},
                &sortie))
        return QString();
    return sortie.isNull() ? QStringLiteral("") : sortie;
}
