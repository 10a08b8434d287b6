#include "database/Connection.h"

#include "database/FonctionsJet.h"
#include "shared/Chemins.h"
#include "shared/RuntimeError.h"

#include <QFileInfo>
#include <utility>
#include <sqlite3.h>

namespace {

constexpr int delaiVerrouMs = 2000;

[[noreturn]] void connexionFermee()
{
    throw RuntimeError(Erreurs::OperationObjetFerme,
                       QStringLiteral("L'opération n'est pas autorisée si l'objet est fermé."));
}

RuntimeError pasUneBase(const QString &chemin)
{
    return RuntimeError(Erreurs::FormatNonReconnu,
                        QStringLiteral("Format de base de données non reconnu : le fichier '%1' "
                                       "n'est pas une base de données reconnue.")
                            .arg(chemin));
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

struct Connection::Private
{
    sqlite3 *db = nullptr;
    QString chemin;
    EtatFonctions fonctions;
};

Connection::Connection() : d(std::make_unique<Private>()) {}

Connection::~Connection() { close(); }

QString Connection::dataSource(const QString &connectionString)
{
    // "key=value" parts separated by ';'; keys case-blind, blanks around trimmed.
    for (const QString &partie : connectionString.split(QLatin1Char(';'))) {
        const qsizetype egal = partie.indexOf(QLatin1Char('='));
        if (egal < 0)
            continue;
        if (partie.left(egal).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) != 0)
            continue;
        QString valeur = partie.mid(egal + 1).trimmed();
        if (valeur.size() >= 2 && (valeur.startsWith(QLatin1Char('"')) || valeur.startsWith(QLatin1Char('\'')))
            && valeur.endsWith(valeur.at(0)))
            valeur = valeur.mid(1, valeur.size() - 2);
        return valeur;
    }
    return {};
}

void Connection::open(const QString &connectionString, const QString &, const QString &)
{
    if (d->db)
        throw RuntimeError(3705, QStringLiteral("L'opération n'est pas autorisée si l'objet est ouvert."));
    const QString source = dataSource(connectionString);
    const QString chemin = source.isEmpty() ? source : resoudreChemin(source);
    const QFileInfo info(chemin);
    if (chemin.isEmpty() || !info.exists())
        throw RuntimeError(Erreurs::FichierBaseIntrouvable, QStringLiteral("Fichier '%1' introuvable.").arg(chemin));
    // An empty file would open as an empty database: it is no database of ours.
    if (!info.isFile() || info.size() == 0)
        throw pasUneBase(chemin);

    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(chemin).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    d->db = db; // closed by close() whatever happens below
    d->chemin = chemin;
    if (rc != SQLITE_OK) {
        const RuntimeError e = lastError(rc);
        close();
        throw e;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, delaiVerrouMs);
    // The file header is read by the first statement: a foreign file fails here.
    const int lecture = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (lecture != SQLITE_OK) {
        const RuntimeError e = (lecture & 0xff) == SQLITE_NOTADB ? pasUneBase(chemin) : lastError(lecture);
        close();
        throw e;
    }
    enregistrerFonctionsJet(db, &d->fonctions);
}

void Connection::close()
{
    if (d->db) {
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
    return RuntimeError(Erreurs::NumeroBaseDeDonnees,
                        texteFrancais(resultCode, message) + QStringLiteral(" (") + message + QLatin1Char(')'));
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
