#include "database/Connection.h"

#include "database/FonctionsJet.h"
#include "database/ReglagesSqlite.h"
#include "database/Surveillance.h"
#include "shared/Chemins.h"
#include "shared/RuntimeError.h"

#include <QFileInfo>
#include <chrono>
#include <cstring>
#include <utility>
#include <sqlite3.h>

namespace {

constexpr int delaiVerrouMs = 2000;
constexpr int pasProgression = 1000;   // engine steps between two checks

using Horloge = std::chrono::steady_clock;

// The bounds on the statements of one connection (see Surveillance.h).
struct Bornes
{
    Horloge::time_point debut = Horloge::now();   // of the last statement started
    bool depasse = false;                          // the last one ran out of time
    std::function<bool()> suivi;
};

// Each statement (not each trigger it fires) restarts the clock.
int surTrace(unsigned type, void *contexte, void *, void *texte)
{
    if (type == SQLITE_TRACE_STMT && std::strncmp(static_cast<const char *>(texte), "--", 2) != 0) {
        auto *b = static_cast<Bornes *>(contexte);
        b->debut = Horloge::now();
        b->depasse = false;
    }
    return 0;
}

int surProgression(void *contexte)
{
    auto *b = static_cast<Bornes *>(contexte);
    if (Surveillance::interrompu())
        return 1;
    if (Horloge::now() - b->debut > Surveillance::delaiRequete()) {
        b->depasse = true;
        return 1;
    }
    return b->suivi && b->suivi() ? 1 : 0;
}

[[noreturn]] void connexionFermee()
{
    throw RuntimeError(Erreurs::OperationObjetFerme,
                       QStringLiteral("L'opération n'est pas autorisée si l'objet est fermé."));
}

QString texteFrancais(int code, const QString &message)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("La base de données est verrouillée par un autre programme.");
    case SQLITE_READONLY: return QStringLiteral("La base de données est en lecture seule.");
    case SQLITE_CORRUPT: return QStringLiteral("La base de données est endommagée.");
    case SQLITE_NOTADB: return QStringLiteral("Le fichier n'est pas une base de données reconnue.");
    case SQLITE_FULL: return QStringLiteral("Le disque est plein.");
    case SQLITE_IOERR: return QStringLiteral("Erreur d'entrée/sortie sur la base de données.");
    case SQLITE_CANTOPEN: return QStringLiteral("Impossible d'ouvrir la base de données.");
    case SQLITE_PERM: return QStringLiteral("Permission refusée sur la base de données.");
    case SQLITE_CONSTRAINT: return QStringLiteral("La modification enfreint une contrainte de la base de données.");
    case SQLITE_INTERRUPT: return QStringLiteral("L'opération sur la base de données a été interrompue.");
    default: break;
    }
    if (message.startsWith(QLatin1String("no such table")))
        return QStringLiteral("Table ou requête introuvable.");
    if (message.startsWith(QLatin1String("no such column")))
        return QStringLiteral("Champ introuvable.");
    if (message.contains(QLatin1String("syntax error")))
        return QStringLiteral("Erreur de syntaxe dans la requête.");
    return QStringLiteral("Erreur du moteur de base de données.");
}

} // namespace

RuntimeError pasUneBase(const QString &chemin)
{
    return RuntimeError(Erreurs::FormatNonReconnu,
                        QStringLiteral("Format de base de données non reconnu : le fichier '%1' "
                                       "n'est pas une base de données reconnue.")
                            .arg(chemin));
}

struct Connection::Private
{
    sqlite3 *db = nullptr;
    QString chemin;
    EtatFonctions fonctions;
    Bornes bornes;
};

Connection::Connection() : d(std::make_unique<Private>()) {}

Connection::~Connection() { close(); }

QHash<QString, QString> Connection::parts(const QString &connectionString)
{
    // "key=value" parts separated by ';'; keys case-blind, blanks around
    // trimmed. A quoted value ends at its closing quote (doubled inside).
    const QString &t = connectionString;
    QHash<QString, QString> parties;
    qsizetype i = 0;
    while (i < t.size()) {
        const qsizetype egal = t.indexOf(QLatin1Char('='), i);
        qsizetype fin = t.indexOf(QLatin1Char(';'), i);
        if (egal < 0 || (fin >= 0 && fin < egal)) {
            i = fin < 0 ? t.size() : fin + 1;
            continue;
        }
        const QString cle = t.mid(i, egal - i).trimmed().toLower();
        i = egal + 1;
        while (i < t.size() && t.at(i).isSpace())
            ++i;
        QString valeur;
        if (i < t.size() && (t.at(i) == QLatin1Char('"') || t.at(i) == QLatin1Char('\''))) {
            const QChar guillemet = t.at(i++);
            for (; i < t.size(); ++i) {
                if (t.at(i) == guillemet && (i + 1 >= t.size() || t.at(i + 1) != guillemet))
                    break;
                valeur += t.at(i);
                if (t.at(i) == guillemet)
                    ++i;
            }
            fin = t.indexOf(QLatin1Char(';'), i);
        } else {
            valeur = t.mid(i, (fin < 0 ? t.size() : fin) - i).trimmed();
        }
        parties.insert(cle, valeur);
        i = fin < 0 ? t.size() : fin + 1;
    }
    return parties;
}

QString Connection::dataSource(const QString &connectionString)
{
    return parts(connectionString).value(QStringLiteral("data source"));
}

QString Connection::quoteValue(const QString &value)
{
    const bool aCiter = value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('"'))
                        || value.startsWith(QLatin1Char('\'')) || value != value.trimmed();
    if (!aCiter)
        return value;
    QString cite = value;
    cite.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + cite + QLatin1Char('"');
}

void Connection::open(const QString &connectionString, const QString &, const QString &)
{
    openPath(dataSource(connectionString));
}

void Connection::openPath(const QString &path)
{
    if (d->db)
        throw RuntimeError(3705, QStringLiteral("L'opération n'est pas autorisée si l'objet est ouvert."));
    const QString chemin = path.isEmpty() ? path : resoudreChemin(path);
    const QFileInfo info(chemin);
    if (chemin.isEmpty() || !info.exists())
        throw RuntimeError(Erreurs::FichierBaseIntrouvable, QStringLiteral("Fichier '%1' introuvable.").arg(chemin));
    // An empty file would open as an empty database: it is no database of ours.
    if (!info.isFile() || info.size() == 0)
        throw pasUneBase(chemin);

    // A connection is used by one thread; the only call from another thread is
    // sqlite3_interrupt (Surveillance), which takes no lock: no mutex needed.
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(chemin).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    d->db = db; // closed by close() whatever happens below
    d->chemin = chemin;
    if (rc != SQLITE_OK) {
        const RuntimeError e = lastError(rc);
        close();
        throw e;
    }
    Surveillance::inscrire(db);
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, delaiVerrouMs);
    d->bornes = Bornes{};
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, surTrace, &d->bornes);
    sqlite3_progress_handler(db, pasProgression, surProgression, &d->bornes);
    // The file header is read by the first statement: a foreign file fails here.
    int lecture = appliquerReglagesSqlite(db);
    if (lecture == SQLITE_OK)
        lecture = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (lecture != SQLITE_OK) {
        const RuntimeError e = (lecture & 0xff) == SQLITE_NOTADB ? pasUneBase(chemin) : lastError(lecture);
        close();
        throw e;
    }
    enregistrerFonctionsJet(db, &d->fonctions);
}

DelaiVerrou::DelaiVerrou(const Connection &c, int ms) : m_db(c.handle())
{
    sqlite3_busy_timeout(m_db, ms);
}

DelaiVerrou::~DelaiVerrou()
{
    sqlite3_busy_timeout(m_db, delaiVerrouMs);
}

void Connection::close()
{
    if (d->db) {
        Surveillance::desinscrire(d->db);
        sqlite3_close_v2(d->db);
        d->db = nullptr;
    }
}

bool Connection::isOpen() const { return d->db != nullptr; }

sqlite3 *Connection::handle() const
{
    if (!d->db)
        connexionFermee();
    return d->db;
}

const QString &Connection::path() const { return d->chemin; }

void Connection::setProgressCheck(std::function<bool()> check) { d->bornes.suivi = std::move(check); }

void Connection::execute(const QString &sql)
{
    sqlite3 *db = handle();
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw lastError(rc);
}

RuntimeError Connection::lastError(int resultCode) const
{
    const QString message = d->db ? QString::fromUtf8(sqlite3_errmsg(d->db))
                                  : QString::fromUtf8(sqlite3_errstr(resultCode));
    if (d->fonctions.numero != 0) {
        // Only when the engine's error is the one the function raised.
        const EtatFonctions f = std::exchange(d->fonctions, EtatFonctions{});
        if (message == f.description)
            return RuntimeError(f.numero, f.description);
    }
    const QString texte = (resultCode & 0xff) == SQLITE_INTERRUPT && d->bornes.depasse
        ? QStringLiteral("La requête a dépassé le délai de %1 secondes et a été interrompue.")
              .arg(Surveillance::delaiRequete().count() / 1000)
        : texteFrancais(resultCode, message);
    return RuntimeError(Erreurs::NumeroBaseDeDonnees, texte + QStringLiteral(" (") + message + QLatin1Char(')'));
}

// ---- Transaction ----

Transaction::Transaction(Connection &c) : m_connection(c)
{
    m_savepoint = sqlite3_get_autocommit(c.handle()) == 0;
    // IMMEDIATE takes the write lock now, waiting out the busy timeout, rather
    // than failing half-way through the writes.
    c.execute(m_savepoint ? QStringLiteral("SAVEPOINT corvane") : QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    try {
        m_connection.execute(m_savepoint ? QStringLiteral("ROLLBACK TO corvane; RELEASE corvane")
                                         : QStringLiteral("ROLLBACK"));
    } catch (const RuntimeError &) {
        // Nothing more can be done: the engine rolls back on close anyway.
    }
}

void Transaction::commit()
{
    m_connection.execute(m_savepoint ? QStringLiteral("RELEASE corvane") : QStringLiteral("COMMIT"));
    m_done = true;
}
