#include "BasesTest.h"

#include "TestSupport.h"
#include "journal/JournalErreurs.h"

#include <QtCore>
#include <map>
#include <sys/stat.h>

namespace BasesTest {

namespace {
// A copy of the model file of that many sales (an error log for -1), each built once (building from the
// schema costs many fsyncs), that only its owner may read and write.
void copierModele(int ventes, const QString &chemin)
{
    static QTemporaryDir dossier;
    static std::map<int, QString> modeles;
    QString &modele = modeles[ventes];
    if (modele.isEmpty() && ventes < 0) {
        modele = dossier.filePath(QStringLiteral("MAINTEN.MDB"));
        TestSupport::creerBase(modele, TestSupport::schemaMaintenance());
    } else if (modele.isEmpty()) {
        modele = dossier.filePath(QStringLiteral("modele%1.mdb").arg(ventes));
        TestSupport::creerBase(
            modele, TestSupport::schemaVentes(),
            QStringLiteral("BEGIN; WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                           "INSERT INTO Ventes SELECT i, datetime('2026-01-01', '+' || i || ' minutes'), "
                           "12.5, 1.2, 1 + i % 2, 3, '4970' || i, 20, 7.5, "
                           "'Vente ' || i || ' ' || replace(hex(zeroblob(160)), '00', char(65 + i % 26)) FROM c;"
                           "INSERT INTO Telecollectes VALUES (1, '2026-01-01 00:00:00', 'modèle');"
                           "INSERT INTO Parametres (NoParametre, Caisse) VALUES (1, 100);"
                           "DELETE FROM Ventes WHERE NoVente > %1 - %1 / 4; COMMIT;")
                .arg(ventes));
    }
    if (!QFile::copy(modele, chemin))
        qFatal("cannot copy a model database to %s", qPrintable(chemin));
    QFile(chemin).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
} // namespace

void creerMaintenance(const QString &chemin) { copierModele(-1, chemin); }

void preparerApplication(const QString &dossier, bool journal)
{
    Plateforme::definirCheminApplication(dossier);
    reinitialiserRepMaintenance();
    if (journal)
        creerMaintenance(dossier + QStringLiteral("/MAINTEN.MDB"));
}

void creer(const QString &chemin, const QString &marqueur, int ventes)
{
    copierModele(ventes, chemin);
    marquer(chemin, marqueur);
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

bool existe(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

// Zeros for a missing file.
static struct stat statut(const QString &chemin)
{
    struct stat st{};
    ::stat(QFile::encodeName(chemin).constData(), &st);
    return st;
}

quint64 inode(const QString &chemin) { return quint64(statut(chemin).st_ino); }

int mode(const QString &chemin) { return int(statut(chemin).st_mode & 07777); }

QString etat(const QString &chemin, const QString &courante)
{
    if (!existe(chemin))
        return QStringLiteral("absent");
    if (!lire(chemin).startsWith(QByteArray("SQLite format 3", 16)))
        return QStringLiteral("pas une base");
    const QString m = marqueur(chemin);
    if (m != courante)
        return m;
    return TestSupport::valeurSql(chemin, QStringLiteral("PRAGMA freelist_count")).toInt() > 0
               ? QStringLiteral("originale") : QStringLiteral("compactée");
}

QStringList erreurs(const QString &journal)
{
    const QString lignes = TestSupport::valeurSql(
        journal, QStringLiteral("SELECT group_concat(ifnull(Contexte || '|' || Erreur, 'NULL'), char(30)) "
                                "FROM (SELECT * FROM Erreurs ORDER BY NoErreur)"));
    return lignes == QLatin1String("NULL") ? QStringList() : lignes.split(QChar(30));
}

QStringList fichiers(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray lire(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ecrire(const QString &chemin, const QByteArray &octets)
{
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size())
        qFatal("cannot write %s", qPrintable(chemin));
}

} // namespace BasesTest
