#include "maintenance/CompactageSqlite.h"

#include "database/Connection.h"
#include "database/ReglagesSqlite.h"
#include "maintenance/ErreurSysteme.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <memory>
#include <sqlite3.h>
#include <thread>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

RuntimeError erreurCompactage(const Connection &connexion, int code, const QString &source)
{
    if ((code & 0xff) == SQLITE_NOTADB)
        return pasUneBase(source);
    return connexion.lastError(code);
}

// The first fault SQLite's quick check finds in the source, "" when none.
QString defautSource(const Connection &source)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(source.handle(), "PRAGMA quick_check(1)", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return {};
    }
    const int rc = sqlite3_step(st);
    QString defaut;
    if (rc == SQLITE_ROW) {
        defaut = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        if (defaut == QLatin1String("ok"))
            defaut.clear();
    } else if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB) {
        defaut = QString::fromUtf8(sqlite3_errmsg(source.handle()));
    }
    sqlite3_finalize(st);
    return defaut;
}

// The copy could not be created or written (a read-only folder, a full
// disk): the system's reason, naming the copy, says more than the engine's
// "unable to open database file". Only the destination is written. SQLite
// retries a failed creation read-only, so the reason for that one is asked
// of the system again.
RuntimeError erreurEcriture(const Connection &source, int code, const QString &destination)
{
    const QString operation = QStringLiteral("écriture de la copie compactée ") + guillemets(destination);
    if ((code & 0xff) == SQLITE_CANTOPEN) {
        const QByteArray nom = QFile::encodeName(destination);
        const int fd = ::open(nom.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return erreurSysteme(errno, operation);
        ::close(fd);
        ::unlink(nom.constData());
    } else if (code == SQLITE_IOERR_WRITE || code == SQLITE_IOERR_FSYNC || code == SQLITE_IOERR_TRUNCATE) {
        if (const int systeme = sqlite3_system_errno(source.handle()))
            return erreurSysteme(systeme, operation);
    }
    // The engine's message, taken before the check below replaces it.
    const RuntimeError moteur = (code & 0xff) == SQLITE_FULL ? erreurSysteme(ENOSPC, operation)
                                                             : erreurCompactage(source, code, source.path());
    // A damaged source can stop the copy with any error, "disk full" among
    // them: the operator is told the database is damaged.
    if ((code & 0xff) != SQLITE_CORRUPT) {
        const QString defaut = defautSource(source);
        if (!defaut.isEmpty())
            return RuntimeError(Erreurs::NumeroBaseDeDonnees,
                                QStringLiteral("La base de données est endommagée. (") + defaut + QLatin1Char(')'));
    }
    return moteur;
}

// Has the system start writing the copy to disk now, without waiting: the
// end of the check overlaps the disk's work, and the caller's fsync finds
// little left to do.
void commencerEcriture(const QString &destination)
{
    const int fd = ::open(QFile::encodeName(destination).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    ::close(fd);
}

// The first fault integrity_check finds in the file, "" when none.
QString defautIntegrite(sqlite3 *db, int ouverture)
{
    sqlite3_stmt *st = nullptr;
    QString defaut;
    if (ouverture != SQLITE_OK || appliquerReglagesSqlite(db) != SQLITE_OK
        || sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &st, nullptr) != SQLITE_OK) {
        defaut = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        if (sqlite3_step(st) == SQLITE_ROW)
            defaut = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        else
            defaut = QString::fromUtf8(sqlite3_errmsg(db));
        if (defaut == QLatin1String("ok"))
            defaut.clear();
    }
    sqlite3_finalize(st);
    return defaut;
}

// VACUUM INTO copies the rows of a damaged source as it reads them and can
// report success over a copy whose tree is out of order: such a copy must
// not replace the database (nor push the good backup out). A copy of a
// source that passed the check needs none; this one is for the copy of a
// source that failed it (the damage may lie where a copy does not read).
void verifierCopie(const QString &destination)
{
    sqlite3 *db = nullptr;
    const int ouverture = sqlite3_open_v2(QFile::encodeName(destination).constData(), &db,
                                          SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> garde(db, sqlite3_close);
    const QString defaut = defautIntegrite(db, ouverture);
    if (!defaut.isEmpty())
        throw RuntimeError(Erreurs::NumeroBaseDeDonnees,
                           QStringLiteral("La base de données est endommagée. (copie compactée incohérente : ")
                               + defaut + QLatin1Char(')'));
}

// integrity_check of the source on its own read-only connection and thread,
// while the copy is written: the check then costs little more time than the
// copy. The operator can reach nothing meanwhile (the compaction runs before
// the window opens); every other step stays on the program's one thread.
class VerificationSource
{
public:
    explicit VerificationSource(const QString &chemin)
    {
        const int ouverture = sqlite3_open_v2(QFile::encodeName(chemin).constData(), &m_db,
                                              SQLITE_OPEN_READONLY, nullptr);
        m_fil = std::thread([this, ouverture] { m_defaut = defautIntegrite(m_db, ouverture); });
    }
    ~VerificationSource()
    {
        if (m_fil.joinable()) {
            sqlite3_interrupt(m_db);
            m_fil.join();
        }
        sqlite3_close(m_db);
    }
    VerificationSource(const VerificationSource &) = delete;
    VerificationSource &operator=(const VerificationSource &) = delete;

    // Waits for the check: true when the source has no fault.
    bool saine()
    {
        m_fil.join();
        return m_defaut.isEmpty();
    }

private:
    sqlite3 *m_db = nullptr;
    QString m_defaut;
    std::thread m_fil;
};

class Instruction
{
public:
    Instruction(const Connection &connexion, const char *sql)
    {
        const int rc = sqlite3_prepare_v2(connexion.handle(), sql, -1, &m_st, nullptr);
        if (rc != SQLITE_OK)
            throw erreurCompactage(connexion, rc, connexion.path());
    }
    ~Instruction() { sqlite3_finalize(m_st); }
    Instruction(const Instruction &) = delete;
    Instruction &operator=(const Instruction &) = delete;
    sqlite3_stmt *get() const { return m_st; }

private:
    sqlite3_stmt *m_st = nullptr;
};

sqlite3_int64 entierPragma(const Connection &connexion, const char *sql)
{
    Instruction st(connexion, sql);
    const int rc = sqlite3_step(st.get());
    if (rc != SQLITE_ROW)
        throw erreurCompactage(connexion, rc, connexion.path());
    return sqlite3_column_int64(st.get(), 0);
}

// Called by SQLite every few thousand virtual-machine steps of the copy.
struct Suivi
{
    QByteArray destination;
    double total = 1;
    const Progression *progression = nullptr;
    double dernier = 0;
    std::exception_ptr erreur;
};

int rappelProgression(void *contexte)
{
    auto *s = static_cast<Suivi *>(contexte);
    struct stat st;
    if (::stat(s->destination.constData(), &st) != 0)
        return 0;
    const double fraction = std::min(0.99, double(st.st_size) / s->total);
    if (fraction - s->dernier < 0.002)
        return 0;
    s->dernier = fraction;
    try {
        (*s->progression)(fraction);
    } catch (...) {
        // No exception may cross SQLite's C frames: stop the copy, rethrow after.
        s->erreur = std::current_exception();
        return 1;
    }
    return 0;
}

// Through the connection's own check, which keeps its time limit and interruption.
class GardeProgression
{
public:
    GardeProgression(Connection &connexion, Suivi *suivi) : m_connexion(connexion)
    {
        connexion.setProgressCheck([suivi] { return rappelProgression(suivi) != 0; });
    }
    ~GardeProgression() { m_connexion.setProgressCheck({}); }
    GardeProgression(const GardeProgression &) = delete;
    GardeProgression &operator=(const GardeProgression &) = delete;

private:
    Connection &m_connexion;
};

} // namespace

void compacterSqlite(const QString &base, const QString &destination, const Progression &progression)
{
    Connection source;
    source.openPath(base);
    sqlite3 *db = source.handle();
    const QString cheminSource = source.path();

    // VACUUM INTO writes the copy with the source connection's setting: no
    // sync of its own, the copy is made durable by the caller once checked.
    source.execute(QStringLiteral("PRAGMA synchronous=OFF"));

    // An empty file opens as an empty database; it is no database of ours.
    if (entierPragma(source, "PRAGMA page_count") == 0)
        throw pasUneBase(cheminSource);

    Suivi suivi;
    suivi.destination = QFile::encodeName(destination);
    suivi.progression = &progression;
    if (progression) {
        const sqlite3_int64 pages = entierPragma(source, "PRAGMA page_count")
                                    - entierPragma(source, "PRAGMA freelist_count");
        const sqlite3_int64 taillePage = entierPragma(source, "PRAGMA page_size");
        suivi.total = std::max<double>(1.0, double(pages) * double(taillePage));
        progression(0.0);
    }
    VerificationSource verification(cheminSource);
    {
        Instruction vacuum(source, "VACUUM INTO ?1");
        const QByteArray cible = destination.toUtf8();
        sqlite3_bind_text(vacuum.get(), 1, cible.constData(), int(cible.size()), SQLITE_TRANSIENT);
        std::unique_ptr<GardeProgression> garde;
        if (progression)
            garde = std::make_unique<GardeProgression>(source, &suivi);
        const int rc = sqlite3_step(vacuum.get());
        garde.reset();
        if (suivi.erreur)
            std::rethrow_exception(suivi.erreur);
        if (rc != SQLITE_DONE)
            throw erreurEcriture(source, sqlite3_extended_errcode(db), destination);
    }
    source.close();
    commencerEcriture(destination);
    if (!verification.saine())
        verifierCopie(destination);
    if (progression)
        progression(1.0);
}
