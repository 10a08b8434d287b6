#pragma once

#include "TestSupport.h"
#include "database/Connection.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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
    void creer(const QStringList &ventes);
    // The log's records as "Contexte|Erreur", oldest first.
    QStringList journal() const;
};

// Every file of a folder with its date and a digest of its bytes.
QStringList empreinte(const QString &dossier);
