#include "maintenance/VerificationCle.h"

#include "database/FonctionsJet.h"
#include "database/ReglagesSqlite.h"
#include "jet/ConvertisseurJet.h"
#include "maintenance/ErreurSysteme.h"
#include "shared/RuntimeError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QUrl>
#include <memory>
#include <sqlite3.h>

namespace Maintenance {

namespace {

constexpr qint64 DureeMaxMs = 120000;

struct Fermeture
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
struct Finalisation
{
    void operator()(sqlite3_stmt *st) const { sqlite3_finalize(st); }
};
using Base = std::unique_ptr<sqlite3, Fermeture>;
using Instruction = std::unique_ptr<sqlite3_stmt, Finalisation>;

RuntimeError refus(int numero, const QString &source, const QString &raison)
{
    return RuntimeError(numero, QStringLiteral("Le fichier ") + guillemets(source) + QStringLiteral(" de la clé ")
                                    + raison + QStringLiteral(" : il n'a rien remplacé"));
}

int interrompre(void *minuteur)
{
    return static_cast<QElapsedTimer *>(minuteur)->elapsed() > DureeMaxMs ? 1 : 0;
}

// Read-only, immutable (a private copy: no lock, no journal, no shared memory
// file beside it), with the engine's defensive settings.
Base ouvrir(const QString &chemin, const QString &source)
{
    sqlite3 *db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(chemin).toString(QUrl::FullyEncoded).toUtf8() + "?immutable=1";
    const int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Base base(db);
    if (rc != SQLITE_OK)
        throw refus(Erreurs::FormatNonReconnu, source, QStringLiteral("ne peut pas être ouvert (")
                                                           + QString::fromUtf8(sqlite3_errmsg(db)) + QLatin1Char(')'));
    if (appliquerReglagesSqlite(db) != SQLITE_OK)
        throw refus(Erreurs::FormatNonReconnu, source, QStringLiteral("ne peut pas être ouvert (")
                                                           + QString::fromUtf8(sqlite3_errmsg(db)) + QLatin1Char(')'));
    // A kiosk's views may use them, as the connection that opens the database does.
    static EtatFonctions etat;
    enregistrerFonctionsJet(db, &etat);
    return base;
}

// The rows of a one-column query, as text; throws on any engine error.
QStringList lignes(sqlite3 *db, const char *sql, const QString &source)
{
    sqlite3_stmt *brut = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &brut, nullptr);
    Instruction st(brut);
    QStringList r;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(st.get());
        if (rc == SQLITE_ROW)
            r << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0)));
    }
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(db) & 0xff;
        throw refus(code == SQLITE_NOTADB ? Erreurs::FormatNonReconnu : Jet::ConversionImpossible, source,
                    code == SQLITE_NOTADB ? QStringLiteral("n'est pas une base de données reconnue")
                                          : QStringLiteral("est endommagé (")
                                                + QString::fromUtf8(sqlite3_errmsg(db)) + QLatin1Char(')'));
    }
    return r;
}

void exiger(bool present, const QString &source, const QString &manque)
{
    if (!present)
        throw refus(Jet::ConversionImpossible, source,
                    QStringLiteral("n'est pas une base de ventes (") + manque + QStringLiteral(" manque)"));
}

void verifierBase(const QString &chemin, const QString &source, bool estLaBase)
{
    const Base base = ouvrir(chemin, source);
    QElapsedTimer minuteur;
    minuteur.start();
    sqlite3_progress_handler(base.get(), 10000, interrompre, &minuteur);
    const QStringList verification = lignes(base.get(), "PRAGMA quick_check(1)", source);
    if (verification != QStringList{QStringLiteral("ok")})
        throw refus(Jet::ConversionImpossible, source,
                    QStringLiteral("est endommagé (") + verification.value(0) + QLatin1Char(')'));
    if (lignes(base.get(), "SELECT count(*) FROM sqlite_schema", source).value(0).toInt() == 0)
        throw refus(Erreurs::FormatNonReconnu, source, QStringLiteral("n'est pas une base de données reconnue"));
    if (!estLaBase)
        return;
    const auto colonnes = [&](const char *sql) {
        QSet<QString> r;
        for (const QString &c : lignes(base.get(), sql, source))
            r.insert(c.toLower());
        return r;
    };
    exiger(!lignes(base.get(), "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'Parametres' "
                               "COLLATE NOCASE", source).isEmpty(),
           source, QStringLiteral("la table « Parametres »"));
    const QSet<QString> journal = colonnes("SELECT name FROM pragma_table_info('ReqVentes')");
    for (const char *c : {"NoVente", "Date", "Montant", "Type paiement", "Client", "Nb Jeton", "Payé", "Rendu",
                          "Ticket"})
        exiger(journal.contains(QString::fromUtf8(c).toLower()), source,
               QStringLiteral("la colonne « %1 » de « ReqVentes »").arg(QString::fromUtf8(c)));
    exiger(colonnes("SELECT name FROM pragma_table_info('Telecollectes')").contains(QStringLiteral("ladate")),
           source, QStringLiteral("la colonne « LaDate » de « Telecollectes »"));
}

} // namespace

void verifierFichierCle(const QString &copie, const QString &source, bool estLaBase, const QString &conversion)
{
    if (!Jet::EstBaseJet(copie)) {
        verifierBase(copie, source, estLaBase);
        return;
    }
    QFile::remove(conversion);
    try {
        Jet::ConvertirBaseJet(copie, conversion);
    } catch (const RuntimeError &e) {
        QFile::remove(conversion);
        if (e.number() != Jet::ConversionImpossible && e.number() != Erreurs::FormatNonReconnu)
            throw;
        throw refus(e.number(), source, QStringLiteral("n'a pas pu être lu (") + e.description() + QLatin1Char(')'));
    }
    try {
        verifierBase(conversion, source, estLaBase);
    } catch (...) {
        QFile::remove(conversion);
        throw;
    }
    QFile::remove(conversion);
}

} // namespace Maintenance
