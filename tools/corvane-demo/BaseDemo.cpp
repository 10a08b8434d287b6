#include "BaseDemo.h"

#include "Erreur.h"
#include "database/ReglagesSqlite.h"

#include <QFile>
#include <sqlite3.h>

struct BaseDemo::Requete
{
    sqlite3_stmt *st = nullptr;
    ~Requete() { sqlite3_finalize(st); }
};

BaseDemo::BaseDemo(const QString &chemin, const QString &schema)
    : m_chemin(chemin)
{
    QFile fichier(schema);
    if (!fichier.open(QIODevice::ReadOnly))
        throw ErreurDemo{QStringLiteral("Impossible de lire le schéma %1 : %2").arg(schema, fichier.errorString())};
    const QByteArray sql = fichier.readAll();

    sqlite3 *base = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(chemin).constData(), &base,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    m_base.reset(base);
    if (rc != SQLITE_OK || appliquerReglagesSqlite(base) != SQLITE_OK)
        echec(QStringLiteral("Impossible de créer"));
    executer("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
             "PRAGMA cache_size=-65536; PRAGMA temp_store=MEMORY; BEGIN;");
    char *message = nullptr;
    if (sqlite3_exec(m_base.get(), sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString texte = QString::fromUtf8(message ? message : "?");
        sqlite3_free(message);
        throw ErreurDemo{QStringLiteral("Le schéma %1 est invalide : %2").arg(schema, texte)};
    }
}

BaseDemo::~BaseDemo() = default;

void BaseDemo::Fermeture::operator()(sqlite3 *base) const
{
    sqlite3_close(base);
}

void BaseDemo::echec(const QString &quoi) const
{
    const QString raison = m_base ? QString::fromUtf8(sqlite3_errmsg(m_base.get())) : QStringLiteral("mémoire insuffisante");
    throw ErreurDemo{QStringLiteral("%1 %2 : %3").arg(quoi, m_chemin, raison)};
}

void BaseDemo::executer(const char *sql)
{
    if (sqlite3_exec(m_base.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        echec(QStringLiteral("Écriture impossible dans"));
}

void BaseDemo::preparerInsertions()
{
    m_vente = std::make_unique<Requete>();
    m_telecollecte = std::make_unique<Requete>();
    if (sqlite3_prepare_v3(m_base.get(),
                           "INSERT INTO Ventes (NoVente, LaDate, Total, TauxTVA, TypePaiement, NbJeton,"
                           " Client, Paye, Rendu, Ticket) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
                           -1, SQLITE_PREPARE_PERSISTENT, &m_vente->st, nullptr) != SQLITE_OK
        || sqlite3_prepare_v3(m_base.get(), "INSERT INTO Telecollectes (NoTelecollecte, LaDate, Ticket) VALUES (?1, ?2, ?3)",
                              -1, SQLITE_PREPARE_PERSISTENT, &m_telecollecte->st, nullptr) != SQLITE_OK)
        echec(QStringLiteral("Le schéma ne convient pas à"));
}

namespace {
double euros(std::int64_t centimes) { return double(centimes) / 100.0; }
} // namespace

void BaseDemo::parametres(const ParametresKiosque &p)
{
    Requete r;
    if (sqlite3_prepare_v2(m_base.get(),
                           "INSERT INTO Parametres (NoParametre, Tarif1, Tarif2, Tarif3, Tarif4, Tarif5,"
                           " Jeton1, Jeton2, Jeton3, Jeton4, Jeton5, Hopper1, Hopper2, Caisse)"
                           " VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)",
                           -1, &r.st, nullptr) != SQLITE_OK)
        echec(QStringLiteral("Le schéma ne convient pas à"));
    for (int i = 0; i < 5; ++i) {
        sqlite3_bind_double(r.st, 1 + i, euros(p.tarifs[i]));
        sqlite3_bind_int(r.st, 6 + i, p.jetons[i]);
    }
    sqlite3_bind_int(r.st, 11, p.hopper1);
    sqlite3_bind_int(r.st, 12, p.hopper2);
    sqlite3_bind_double(r.st, 13, euros(p.caisse));
    if (sqlite3_step(r.st) != SQLITE_DONE)
        echec(QStringLiteral("Écriture impossible dans"));
}

void BaseDemo::vente(const Vente &v)
{
    sqlite3_stmt *st = m_vente->st;
    sqlite3_bind_int64(st, 1, v.noVente);
    sqlite3_bind_text(st, 2, v.laDate, sizeof v.laDate, SQLITE_STATIC);
    sqlite3_bind_double(st, 3, euros(v.total));
    sqlite3_bind_double(st, 4, v.tauxTVA);
    sqlite3_bind_int(st, 5, v.typePaiement);
    sqlite3_bind_int(st, 6, v.nbJeton);
    if (v.client.empty())
        sqlite3_bind_null(st, 7);
    else
        sqlite3_bind_text(st, 7, v.client.data(), int(v.client.size()), SQLITE_STATIC);
    sqlite3_bind_double(st, 8, euros(v.paye));
    sqlite3_bind_double(st, 9, euros(v.rendu));
    sqlite3_bind_text(st, 10, v.ticket.data(), int(v.ticket.size()), SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_DONE)
        echec(QStringLiteral("Écriture impossible dans"));
    sqlite3_reset(st);
}

void BaseDemo::telecollecte(const Telecollecte &t)
{
    sqlite3_stmt *st = m_telecollecte->st;
    sqlite3_bind_int64(st, 1, t.noTelecollecte);
    sqlite3_bind_text(st, 2, t.laDate, sizeof t.laDate, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, t.ticket.data(), int(t.ticket.size()), SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_DONE)
        echec(QStringLiteral("Écriture impossible dans"));
    sqlite3_reset(st);
}

void BaseDemo::terminer()
{
    m_vente.reset();
    m_telecollecte.reset();
    executer("COMMIT");
    if (sqlite3_close(m_base.get()) != SQLITE_OK)
        echec(QStringLiteral("Fermeture impossible de"));
    (void)m_base.release();
}
