#pragma once

// The fixture of the tests of failing machines and busy folders: a kiosk
// folder (database, backup, error log) and a key folder in a temporary
// folder, and the child process that runs one start-up step on them.
#include "BasesTest.h"
#include "TestSupport.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QJsonObject>
#include <QTemporaryDir>
#include <map>
#include <memory>

namespace Pannes {

inline const QString Base = QStringLiteral("dacorvane.mdb");
inline const QString Sauvegarde = QStringLiteral("OLDK7.BAK");
inline const QString Journal = QStringLiteral("MAINTEN.MDB");
constexpr int Ventes = 2000;

// Every file of a folder with the digest of its bytes.
std::map<QString, QByteArray> empreintes(const QString &dossier);

// What the child process wrote: its message boxes and its result.
struct Enfant
{
    QStringList messages;
    QJsonObject resultat;
    int code = -1;
};
Enfant lancer(const QStringList &arguments);

// Another process that holds the folder or a database (a lock, a window, a
// shell) until it is told to let go; ready once its output shows `marque`.
class Detenteur
{
public:
    Detenteur(const QStringList &arguments, const QByteArray &marque, const QByteArray &commande = {});
    ~Detenteur() { relacher(); }
    bool tenu() const { return m_tenu && m_p.state() == QProcess::Running; }
    int code() { return m_p.state() == QProcess::Running ? -1 : m_p.exitCode(); }
    void ecrire(const QByteArray &commande) { m_p.write(commande); }
    void relacher();
    void tuer();

private:
    QProcess m_p;
    bool m_tenu = false;
};

class DossierPannes : public QObject
{
protected:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<TestSupport::BoiteMessageTest> m_boite;

    QString app(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("app/") + nom); }
    QString cle(const QString &nom = {}) const { return m_tmp->filePath(QStringLiteral("cle/") + nom); }
    QStringList erreursJournal() const { return BasesTest::erreurs(app(Journal)); }
    // The folder's files hold the bytes they held (the error log aside).
    void verifierInchange(std::map<QString, QByteArray> avant);
    // The database and its backup open and hold what they held.
    void verifierIntactes();
    // The folder readable by all (a child may run as another user).
    static void ouvrirATous(const QString &dossier);
    void preparer();
    void nettoyer();
};

} // namespace Pannes
