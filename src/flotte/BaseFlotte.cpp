#include "flotte/BaseFlotte.h"

#include "shared/RuntimeError.h"

#include <libpq-fe.h>

namespace {

QString messageServeur(const char *m)
{
    return QString::fromUtf8(m).trimmed();
}

// The class of a failure the server or libpq reports, in French.
RuntimeError erreurConnexion(PGconn *c)
{
    const QString message = messageServeur(PQerrorMessage(c));
    if (message.contains(QLatin1String("password authentication failed"))
        || message.contains(QLatin1String("no password supplied"))
        || message.contains(QLatin1String("authentification par mot de passe")))
        return RuntimeError(ErreursFlotte::AuthentificationRefusee,
                            QStringLiteral("Connexion refusée par le serveur PostgreSQL de la flotte (mot de passe "
                                           "ou rôle refusé) : %1")
                                .arg(message));
    return RuntimeError(ErreursFlotte::ServeurInjoignable,
                        QStringLiteral("Le serveur PostgreSQL de la flotte est injoignable : %1").arg(message));
}

} // namespace

QByteArray ChaineConnexionFlotte(const QString &connexion)
{
    const QString t = connexion.trimmed();
    if (t.isEmpty())   // PGSERVICE, PGHOST... alone
        return {};
    if (t.contains(QLatin1Char('=')) || t.startsWith(QLatin1String("postgres")))
        return t.toUtf8();
    return QByteArrayLiteral("service=") + t.toUtf8();
}

void ResultatPg::Liberer::operator()(pg_result *r) const { PQclear(r); }
int ResultatPg::lignes() const { return PQntuples(m_r.get()); }
bool ResultatPg::estNull(int l, int c) const { return PQgetisnull(m_r.get(), l, c) != 0; }
QString ResultatPg::texte(int l, int c) const { return QString::fromUtf8(PQgetvalue(m_r.get(), l, c)); }
QByteArray ResultatPg::octets(int l, int c) const
{
    return QByteArray(PQgetvalue(m_r.get(), l, c), PQgetlength(m_r.get(), l, c));
}
qint64 ResultatPg::entier(int l, int c) const { return QByteArray(PQgetvalue(m_r.get(), l, c)).toLongLong(); }

void BaseFlotte::Fermer::operator()(pg_conn *c) const { PQfinish(c); }

BaseFlotte::BaseFlotte(const QString &connexion)
{
    const QByteArray chaine = ChaineConnexionFlotte(connexion);
    // Client messages in UTF-8; the application's name shows in pg_stat_activity.
    const char *cles[] = {"dbname", "client_encoding", "fallback_application_name", nullptr};
    const char *valeurs[] = {chaine.constData(), "UTF8", "corvane", nullptr};
    m_c.reset(PQconnectdbParams(cles, valeurs, 1));
    if (!m_c)
        throw RuntimeError(7, QStringLiteral("Mémoire insuffisante"));
    if (PQstatus(m_c.get()) != CONNECTION_OK)
        throw erreurConnexion(m_c.get());
    // Dates are exchanged as ISO text whatever the server's settings.
    executer("SET datestyle = 'ISO, YMD'");
}

void BaseFlotte::echec(pg_result *r, const char *contexte)
{
    const char *etat = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const QString code = QString::fromLatin1(etat ? etat : "");
    const QString message = messageServeur(r && *PQresultErrorMessage(r) ? PQresultErrorMessage(r)
                                                                         : PQerrorMessage(m_c.get()));
    PQclear(r);
    if (PQstatus(m_c.get()) == CONNECTION_BAD || code.startsWith(QLatin1String("08"))
        || code == QLatin1String("57P01") || code == QLatin1String("57P02") || code == QLatin1String("57P03"))
        throw RuntimeError(ErreursFlotte::ServeurInjoignable,
                           QStringLiteral("La connexion au serveur PostgreSQL de la flotte est perdue (%1) : %2")
                               .arg(QString::fromUtf8(contexte), message));
    if (code == QLatin1String("42501"))
        throw RuntimeError(ErreursFlotte::DroitRefuse,
                           QStringLiteral("Droit refusé sur la base de la flotte : %1").arg(message));
    throw RuntimeError(ErreursFlotte::Serveur,
                       QStringLiteral("Erreur du serveur PostgreSQL de la flotte (%1) : %2")
                           .arg(QString::fromUtf8(contexte), message));
}

ResultatPg BaseFlotte::executer(const char *sql, const std::vector<std::optional<QByteArray>> &parametres)
{
    std::vector<const char *> valeurs;
    valeurs.reserve(parametres.size());
    for (const auto &p : parametres)
        valeurs.push_back(p ? p->constData() : nullptr);
    pg_result *r = PQexecParams(m_c.get(), sql, int(valeurs.size()), nullptr, valeurs.data(), nullptr, nullptr, 0);
    const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
        echec(r, "requête");
    return ResultatPg(r);
}

void BaseFlotte::executerTexte(const char *sql)
{
    pg_result *r = PQexec(m_c.get(), sql);
    const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
        echec(r, "requête");
    PQclear(r);
}

void BaseFlotte::annuler() noexcept
{
    if (PQstatus(m_c.get()) == CONNECTION_OK && PQtransactionStatus(m_c.get()) != PQTRANS_IDLE)
        PQclear(PQexec(m_c.get(), "ROLLBACK"));
}

void BaseFlotte::debutCopie(const char *sql)
{
    pg_result *r = PQexec(m_c.get(), sql);
    if (!r || PQresultStatus(r) != PGRES_COPY_IN)
        echec(r, "COPY");
    PQclear(r);
}

void BaseFlotte::envoyerCopie(const QByteArray &donnees)
{
    if (PQputCopyData(m_c.get(), donnees.constData(), int(donnees.size())) != 1)
        echec(nullptr, "COPY");
}

void BaseFlotte::finCopie()
{
    if (PQputCopyEnd(m_c.get(), nullptr) != 1)
        echec(nullptr, "COPY");
    while (pg_result *r = PQgetResult(m_c.get())) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            echec(r, "COPY");
        PQclear(r);
    }
}
