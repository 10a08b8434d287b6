#include "BaseRapports.h"

#include "journal/JournalErreurs.h"

#include <QCryptographicHash>

void DossierKiosque::creer(const QStringList &ventes)
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

QStringList DossierKiosque::journal() const
{
    const QString lignes = TestSupport::valeurSql(
        maintenance(), QStringLiteral("SELECT coalesce(group_concat(ifnull(Contexte, '') || '|' || ifnull(Erreur, ''), "
                                      "char(30)), '') FROM (SELECT * FROM Erreurs ORDER BY NoErreur)"));
    return lignes.isEmpty() ? QStringList() : lignes.split(QChar(0x1e));
}

QStringList empreinte(const QString &dossier)
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
