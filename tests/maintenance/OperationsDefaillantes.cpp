#include "OperationsDefaillantes.h"
#include "BasesTest.h"

#include "maintenance/ErreurSysteme.h"

#include <QtCore>

static QString nom(const QString &chemin) { return QFileInfo(chemin).fileName(); }

bool OperationsDefaillantes::defaillance(Op op, const QString &appel, const QStringList &deplaces)
{
    journal << appel;
    QStringList vises;
    for (const QString &c : deplaces)
        vises << QFileInfo(c).canonicalFilePath();
    vises.removeAll(QString());
    const QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QString &e : fd.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString cible = QFile::symLinkTarget(fd.filePath(e));
        if (vises.contains(cible))
            fichiersOuverts << cible;
    }
    if (++m_appels[op] != panne.rang || op != panne.op)
        return false;
    journal.last() += QStringLiteral(" !");
    return true;
}

void OperationsDefaillantes::supprimer(const QString &chemin)
{
    if (defaillance(Op::Supprimer, QStringLiteral("supprimer ") + nom(chemin), {chemin}))
        throw erreurSysteme(panne.numeroErrno, guillemets(chemin));
    operationsSysteme().supprimer(chemin);
}

void OperationsDefaillantes::renommer(const QString &de, const QString &vers)
{
    // The backup being replaced is held on purpose, to be freed off the start-up's path.
    const bool sauvegarde = nom(vers).compare(QStringLiteral("OLDK7.BAK"), Qt::CaseInsensitive) == 0;
    if (defaillance(Op::Renommer, QStringLiteral("renommer ") + nom(de) + QLatin1Char(' ') + nom(vers),
                    sauvegarde ? QStringList{de} : QStringList{de, vers}))
        throw erreurSysteme(panne.numeroErrno, guillemets(de));
    operationsSysteme().renommer(de, vers);
}

bool OperationsDefaillantes::lier(const QString &existant, const QString &nouveau)
{
    if (defaillance(Op::Lier, QStringLiteral("lier ") + nom(existant) + QLatin1Char(' ') + nom(nouveau), {existant}))
        throw erreurSysteme(panne.numeroErrno, guillemets(existant));
    return !sansLiens && operationsSysteme().lier(existant, nouveau);
}

void OperationsDefaillantes::copier(const QString &source, const QString &destination)
{
    if (avantCopie)
        avantCopie(source);
    if (defaillance(Op::Copier, QStringLiteral("copier ") + nom(source) + QLatin1Char(' ') + nom(destination), {})) {
        // The medium goes away halfway.
        QFile f(source);
        if (f.open(QIODevice::ReadOnly))
            BasesTest::ecrire(destination, f.read(f.size() / 2));
        throw erreurSysteme(panne.numeroErrno, guillemets(source));
    }
    operationsSysteme().copier(source, destination);
}

void OperationsDefaillantes::synchroniserFichier(const QString &chemin)
{
    if (defaillance(Op::SynchroniserFichier, QStringLiteral("synchroniserFichier ") + nom(chemin), {}))
        throw erreurSysteme(panne.numeroErrno, guillemets(chemin));
    operationsSysteme().synchroniserFichier(chemin);
}

void OperationsDefaillantes::synchroniserDossier(const QString &dossier)
{
    if (defaillance(Op::SynchroniserDossier, QStringLiteral("synchroniserDossier"), {}))
        throw erreurSysteme(panne.numeroErrno, guillemets(dossier));
    operationsSysteme().synchroniserDossier(dossier);
}

void OperationsDefaillantes::compacter(const QString &base, const QString &destination, const Progression &progression)
{
    chemins << base << destination;
    if (defaillance(Op::Compacter, QStringLiteral("compacter"), {})) {
        // The disk fills up halfway: a partial copy and its journal are left.
        BasesTest::ecrire(destination, QByteArray(8192, 'x'));
        BasesTest::ecrire(destination + QStringLiteral("-journal"), QByteArray(512, 'j'));
        throw erreurSysteme(panne.numeroErrno, QStringLiteral("compactage"));
    }
    operationsSysteme().compacter(base, destination, progression);
}
