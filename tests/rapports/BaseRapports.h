#pragma once

#include "TestSupport.h"
#include "database/Connection.h"
#include "journal/JournalErreurs.h"

#include <QtCore>

// A kiosk folder for the report tests: the sales database (dacorvane.mdb)
// built from the schema and the error log MAINTEN.MDB, the folder made the
// application folder.
struct DossierKiosque
{
    // A path may hold any character: every report test runs on such a folder.
    QTemporaryDir dossier{QDir::tempPath() + QStringLiteral("/kiosque; Data Source=x \"é\" l'a-XXXXXX")};
    QString base() const { return dossier.filePath(QStringLiteral("dacorvane.mdb")); }
    QString maintenance() const { return dossier.filePath(QStringLiteral("MAINTEN.MDB")); }
    QString chaineConnexion() const
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + Connection::quoteValue(base())
            + QStringLiteral(";Jet OLEDB:Database Password=");
    }

    // Sales as "YYYY-MM-DD HH:MM:SS|Total|TauxTVA|TypePaiement", NULL for a Null field.
    void creer(const QStringList &ventes)
    {
        QString sql = QStringLiteral("INSERT INTO Parametres (NoParametre) VALUES (1);\n");
        for (const QString &v : ventes) {
            const QStringList c = v.split(QLatin1Char('|'));
            sql += QStringLiteral("INSERT INTO Ventes (LaDate, Total, TauxTVA, TypePaiement, Ticket) "
                                  "VALUES ('%1', %2, %3, %4, 'ticket');\n")
                       .arg(c[0], c[1], c[2], c[3]);
        }
        TestSupport::creerBase(base(), TestSupport::schemaVentes(), sql);
        TestSupport::creerBase(maintenance(), TestSupport::schemaMaintenance());
        Plateforme::definirCheminApplication(dossier.path());
        reinitialiserRepMaintenance();
    }

    // The log's records as "Contexte|Erreur", oldest first.
    QStringList journal() const
    {
        const QString lignes = TestSupport::valeurSql(
            maintenance(), QStringLiteral("SELECT coalesce(group_concat(ifnull(Contexte, '') || '|' || "
                                          "ifnull(Erreur, ''), char(30)), '') FROM (SELECT * FROM Erreurs "
                                          "ORDER BY NoErreur)"));
        return lignes.isEmpty() ? QStringList() : lignes.split(QChar(0x1e));
    }
};

// A daily or monthly report's heading and its groups as the list holds them.
inline const QString Tirets(95, QLatin1Char('-'));
inline QStringList enTete(const QString &titre, const QString &duAu = QStringLiteral("Du 01/12/26 au 05/12/26"))
{
    return {titre, QString(), duAu, QString(), QStringLiteral("Date:        \t\t Nb ventes:\tMontant HT:"), Tirets};
}
// One day ("dd/MM/yy") or month ("MM/yy") of the card sales, and its dashes.
inline QStringList groupe(const QString &periode, const QString &nb, const QString &ht)
{
    const QString tabs = periode.size() == 5 ? QStringLiteral("\t\t| ") : QStringLiteral("\t| ");
    return {periode + "\tCB:     " + tabs + nb + "\t\t| " + ht + " EUR", Tirets};
}

// Every file of a folder with its date and a digest of its bytes.
inline QStringList empreinte(const QString &dossier)
{
    QStringList e;
    for (const QFileInfo &f : QDir(dossier).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile fichier(f.filePath());
        fichier.open(QIODevice::ReadOnly);
        e << f.fileName() + ' ' + f.lastModified().toString(Qt::ISODateWithMs) + ' '
                + QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha256).toHex();
    }
    return e;
}
