#include "flotte/LectureBorne.h"

#include "database/ReglagesSqlite.h"
#include "jet/ConvertisseurJet.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

namespace {

[[noreturn]] void erreurSqlite(sqlite3 *db, const QString &chemin)
{
    throw RuntimeError(Erreurs::NumeroBaseDeDonnees,
                       QStringLiteral("Base de la borne illisible (%1) : %2")
                           .arg(chemin, QString::fromUtf8(db ? sqlite3_errmsg(db) : "mémoire insuffisante")));
}

void executer(sqlite3 *db, const char *sql, const QString &chemin)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        erreurSqlite(db, chemin);
}

} // namespace

LectureBorne::LectureBorne(const QString &dossier)
{
    if (!QFileInfo(dossier).isDir())
        throw RuntimeError(Erreurs::CheminIntrouvable, QStringLiteral("Dossier de borne introuvable : %1").arg(dossier));
    m_chemin = resoudreChemin(CheminBaseConfiguree(dossier));
    if (!QFileInfo(m_chemin).isFile())
        throw RuntimeError(Erreurs::FichierBaseIntrouvable,
                           QStringLiteral("Base de données de la borne introuvable : %1").arg(m_chemin));
    QString source = m_chemin;
    if (Jet::EstBaseJet(m_chemin)) {
        m_temporaire.emplace();
        if (!m_temporaire->isValid())
            throw RuntimeError(Erreurs::AccesChemin, QStringLiteral("Dossier temporaire impossible à créer."));
        source = m_temporaire->filePath(QStringLiteral("borne.sqlite"));
        Jet::ConvertirBaseJet(m_chemin, source);
    }
    // Read-only, never creating anything beside the file.
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath()).toEncoded() + "?mode=ro";
    if (sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(Erreurs::NumeroBaseDeDonnees,
                           QStringLiteral("Base de la borne illisible (%1) : %2").arg(m_chemin, message));
    }
    // The file comes from outside: the defensive engine settings of every open before any read.
    if (appliquerReglagesSqlite(m_db) != SQLITE_OK)
        erreurSqlite(m_db, m_chemin);
    executer(m_db, "PRAGMA query_only=ON; PRAGMA busy_timeout=10000", m_chemin);
    // A view runs whatever SQL the file holds: only real tables are read.
    RequeteBorne tables(*this, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' "
                               "AND name IN ('Ventes', 'Telecollectes') COLLATE NOCASE");
    if (!tables.suivante() || sqlite3_column_int(tables.handle(), 0) != 2)
        throw RuntimeError(Erreurs::FormatNonReconnu,
                           QStringLiteral("La base de la borne (%1) n'a pas les tables Ventes et Telecollectes.")
                               .arg(m_chemin));
    RequeteBorne controle(*this, "PRAGMA quick_check");
    if (!controle.suivante()
        || QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(controle.handle(), 0))) != "ok")
        throw RuntimeError(Erreurs::FormatNonReconnu,
                           QStringLiteral("Base de la borne endommagée (%1) : le contrôle d'intégrité a échoué.")
                               .arg(m_chemin));
}

LectureBorne::~LectureBorne() { sqlite3_close(m_db); }

RequeteBorne::RequeteBorne(const LectureBorne &base, const char *sql) : m_db(base.handle())
{
    if (sqlite3_prepare_v2(m_db, sql, -1, &m_st, nullptr) != SQLITE_OK)
        erreurSqlite(m_db, base.chemin());
}

RequeteBorne::~RequeteBorne() { sqlite3_finalize(m_st); }

bool RequeteBorne::suivante()
{
    const int r = sqlite3_step(m_st);
    if (r == SQLITE_ROW)
        return true;
    if (r == SQLITE_DONE)
        return false;
    erreurSqlite(m_db, QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
}
