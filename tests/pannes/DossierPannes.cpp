#include "DossierPannes.h"

#include "BasesTest.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "journal/JournalErreurs.h"
#include "shared/Plateforme.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QtTest>
#include <signal.h>

using namespace BasesTest;

namespace Pannes {

std::map<QString, QByteArray> empreintes(const QString &dossier)
{
    std::map<QString, QByteArray> r;
    for (const QString &nom : QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System))
        r[nom] = QCryptographicHash::hash(lire(QDir(dossier).filePath(nom)), QCryptographicHash::Sha256);
    return r;
}

Enfant lancer(const QStringList &arguments)
{
    const TestSupport::Execution x = TestSupport::executer(QStringLiteral(PANNES_ENFANT), arguments);
    Enfant e;
    for (const QByteArray &ligne : x.sortie.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(ligne).object();
        if (o.contains(QLatin1String("boite")))
            e.messages << o.value(QLatin1String("texte")).toString();
        else if (!o.isEmpty())
            e.resultat = o;
    }
    e.code = x.statut;
    return e;
}

Detenteur::Detenteur(const QStringList &arguments, const QByteArray &marque, const QByteArray &commande)
{
    m_p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_p.start(QStringLiteral(PANNES_ENFANT), arguments);
    m_p.write(commande);
    QByteArray sortie;
    while (!sortie.contains(marque) && m_p.waitForReadyRead(60000))
        sortie += m_p.readAll();
    m_tenu = sortie.contains(marque);
}

void Detenteur::relacher()
{
    m_p.closeWriteChannel();
    if (!m_p.waitForFinished(60000))
        m_p.kill();
}

void Detenteur::tuer()
{
    ::kill(pid_t(m_p.processId()), SIGKILL);
    m_p.waitForFinished(60000);
}

void DossierPannes::verifierInchange(std::map<QString, QByteArray> avant)
{
    auto apres = empreintes(app());
    apres.erase(Journal);
    avant.erase(Journal);
    QVERIFY(apres == avant);
}

void DossierPannes::verifierIntactes()
{
    QCOMPARE(marqueur(app(Base)), QStringLiteral("courante"));
    QCOMPARE(nombreVentes(app(Base)), ventesRestantes(Ventes));
    QCOMPARE(TestSupport::valeurSql(app(Base), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(marqueur(app(Sauvegarde)), QStringLiteral("précédente"));
    QCOMPARE(TestSupport::valeurSql(app(Sauvegarde), QStringLiteral("PRAGMA integrity_check")),
             QStringLiteral("ok"));
}

void DossierPannes::ouvrirATous(const QString &dossier)
{
    QFile::setPermissions(dossier, QFileDevice::Permissions(0x7755));
    for (const QString &nom : QDir(dossier).entryList(QDir::Files))
        QFile::setPermissions(QDir(dossier).filePath(nom), QFileDevice::Permissions(0x6644));
}

void DossierPannes::preparer()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("app")));
    QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("cle")));
    creer(app(Base), QStringLiteral("courante"), Ventes);
    creer(app(Sauvegarde), QStringLiteral("précédente"), 100);
    creerMaintenance(app(Journal));
    Plateforme::definirCheminApplication(app());
    reinitialiserRepMaintenance();
    m_boite = std::make_unique<TestSupport::BoiteMessageTest>();
}

void DossierPannes::nettoyer()
{
    m_boite.reset();
    Maintenance::definirSourceLecteurs(nullptr);
    QFile::setPermissions(app(), QFileDevice::Permissions(0x7700));
    m_tmp.reset();
    Plateforme::definirCheminApplication(QString());
    reinitialiserRepMaintenance();
}

} // namespace Pannes
