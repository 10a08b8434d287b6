#include "BasesTest.h"

#include "TestSupport.h"

#include <QFile>
#include <sys/stat.h>

namespace BasesTest {

void creer(const QString &chemin, const QString &marqueur, int ventes)
{
    const QString n = QString::number(ventes);
    TestSupport::creerBase(
        chemin, TestSupport::schemaVentes(),
        QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                       "INSERT INTO Ventes SELECT i, datetime('2026-01-01', '+' || i || ' minutes'), "
                       "12.5, 1.2, 1 + i % 2, 3, '4970' || i, 20, 7.5, "
                       "'Vente ' || i || ' ' || hex(randomblob(80)) FROM c;"
                       "INSERT INTO Telecollectes VALUES (1, '2026-01-01 00:00:00', '%2');"
                       "INSERT INTO Parametres (NoParametre, Caisse) VALUES (1, 100);"
                       "DELETE FROM Ventes WHERE NoVente > %1 - %1 / 4;")
            .arg(n, marqueur));
}

void marquer(const QString &chemin, const QString &marqueur)
{
    TestSupport::executerSql(
        chemin, QStringLiteral("UPDATE Telecollectes SET Ticket = '%1' WHERE NoTelecollecte = 1").arg(marqueur));
}

QString marqueur(const QString &chemin)
{
    return TestSupport::valeurSql(chemin, QStringLiteral("SELECT Ticket FROM Telecollectes WHERE NoTelecollecte = 1"));
}

int nombreVentes(const QString &chemin)
{
    return TestSupport::valeurSql(chemin, QStringLiteral("SELECT count(*) FROM Ventes")).toInt();
}

int pagesLibres(const QString &chemin)
{
    return TestSupport::valeurSql(chemin, QStringLiteral("PRAGMA freelist_count")).toInt();
}

bool existe(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

quint64 inode(const QString &chemin)
{
    struct stat st;
    return ::stat(QFile::encodeName(chemin).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

QString etat(const QString &chemin, const QString &courante)
{
    if (!existe(chemin))
        return QStringLiteral("absent");
    const QString m = marqueur(chemin);
    if (m != courante)
        return m;
    return pagesLibres(chemin) > 0 ? QStringLiteral("originale") : QStringLiteral("compactée");
}

} // namespace BasesTest
