#include "BaseRapports.h"

#include "journal/JournalErreurs.h"

#include <sqlite3.h>

namespace {
QString litteral(const QString &champ, bool texte)
{
    if (champ == QLatin1String("NULL"))
        return champ;
    return texte ? QLatin1Char('\'') + champ + QLatin1Char('\'') : champ;
}
} // namespace

QString insererVentes(const QStringList &ventes)
{
    QString sql;
    for (const QString &v : ventes) {
        const QStringList c = v.split(QLatin1Char('|'));
        Q_ASSERT(c.size() == 4);
        sql += QStringLiteral("INSERT INTO Ventes (LaDate, Total, TauxTVA, TypePaiement, Ticket) VALUES (%1, %2, %3, %4, 'ticket');\n")
                   .arg(litteral(c[0], true), litteral(c[1], false), litteral(c[2], false),
                        litteral(c[3], false));
    }
    return sql;
}

void DossierKiosque::creer(const QStringList &ventes)
{
    Q_ASSERT(dossier.isValid());
    TestSupport::creerBase(base(), TestSupport::schemaVentes(),
                           QStringLiteral("INSERT INTO Parametres (NoParametre) VALUES (1);\n") + insererVentes(ventes));
    TestSupport::creerBase(maintenance(), TestSupport::schemaMaintenance());
    Plateforme::definirCheminApplication(dossier.path());
    reinitialiserRepMaintenance();
}

QStringList DossierKiosque::journal() const
{
    QStringList lignes;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(maintenance().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT Contexte, Erreur FROM Erreurs ORDER BY NoErreur", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                lignes << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))) + QLatin1Char('|')
                        + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return lignes;
}
