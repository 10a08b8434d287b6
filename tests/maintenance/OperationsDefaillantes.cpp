#include "OperationsDefaillantes.h"

#include "maintenance/ErreurSysteme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString nom(const QString &chemin) { return QFileInfo(chemin).fileName(); }

void ecrire(const QString &chemin, const QByteArray &octets)
{
    QFile f(chemin);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(octets);
}
} // namespace

void OperationsDefaillantes::echouer(Op op, int n, int numeroErrno)
{
    m_op = op;
    m_rang = n;
    m_errno = numeroErrno;
}

bool OperationsDefaillantes::defaillance(Op op)
{
    if (++m_appels[op] != m_rang || op != m_op)
        return false;
    journal.last() += QStringLiteral(" !");
    return true;
}

void OperationsDefaillantes::verifierFermes(const QStringList &chemins)
{
    QStringList vises;
    for (const QString &c : chemins) {
        const QString canonique = QFileInfo(c).canonicalFilePath();
        if (!canonique.isEmpty())
            vises << canonique;
    }
    const QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QString &e : fd.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString cible = QFile::symLinkTarget(fd.filePath(e));
        if (vises.contains(cible))
            fichiersOuverts << cible;
    }
}

void OperationsDefaillantes::supprimer(const QString &chemin)
{
    journal << QStringLiteral("supprimer ") + nom(chemin);
    verifierFermes({chemin});
    if (defaillance(Op::Supprimer))
        throw erreurSysteme(m_errno, QStringLiteral("suppression de ") + guillemets(chemin));
    operationsSysteme().supprimer(chemin);
}

void OperationsDefaillantes::renommer(const QString &de, const QString &vers)
{
    journal << QStringLiteral("renommer ") + nom(de) + QLatin1Char(' ') + nom(vers);
    // The backup being replaced is held on purpose, to be freed off the start-up's path.
    const bool sauvegarde = QFileInfo(vers).fileName().compare(QStringLiteral("OLDK7.BAK"), Qt::CaseInsensitive) == 0;
    verifierFermes(sauvegarde ? QStringList{de} : QStringList{de, vers});
    if (defaillance(Op::Renommer))
        throw erreurSysteme(m_errno, QStringLiteral("renommage de ") + guillemets(de));
    operationsSysteme().renommer(de, vers);
}

bool OperationsDefaillantes::lier(const QString &existant, const QString &nouveau)
{
    journal << QStringLiteral("lier ") + nom(existant) + QLatin1Char(' ') + nom(nouveau);
    verifierFermes({existant});
    if (defaillance(Op::Lier))
        throw erreurSysteme(m_errno, QStringLiteral("lien de ") + guillemets(existant));
    if (sansLiens)
        return false;
    return operationsSysteme().lier(existant, nouveau);
}

void OperationsDefaillantes::copier(const QString &source, const QString &destination)
{
    journal << QStringLiteral("copier ") + nom(source) + QLatin1Char(' ') + nom(destination);
    if (avantCopie)
        avantCopie(source);
    if (defaillance(Op::Copier)) {
        // The medium goes away halfway.
        QFile f(source);
        if (f.open(QIODevice::ReadOnly))
            ecrire(destination, f.read(f.size() / 2));
        throw erreurSysteme(m_errno, QStringLiteral("copie de ") + guillemets(source));
    }
    operationsSysteme().copier(source, destination);
}

void OperationsDefaillantes::synchroniserFichier(const QString &chemin)
{
    journal << QStringLiteral("synchroniserFichier ") + nom(chemin);
    if (defaillance(Op::SynchroniserFichier))
        throw erreurSysteme(m_errno, QStringLiteral("écriture de ") + guillemets(chemin));
    operationsSysteme().synchroniserFichier(chemin);
}

void OperationsDefaillantes::synchroniserDossier(const QString &dossier)
{
    journal << QStringLiteral("synchroniserDossier");
    if (defaillance(Op::SynchroniserDossier))
        throw erreurSysteme(m_errno, QStringLiteral("écriture du dossier ") + guillemets(dossier));
    operationsSysteme().synchroniserDossier(dossier);
}

void OperationsDefaillantes::compacter(const QString &base, const QString &destination, const Progression &progression)
{
    journal << QStringLiteral("compacter");
    chemins << base << destination;
    if (defaillance(Op::Compacter)) {
        // The disk fills up halfway: a partial copy and its journal are left.
        ecrire(destination, QByteArray(8192, 'x'));
        ecrire(destination + QStringLiteral("-journal"), QByteArray(512, 'j'));
        throw erreurSysteme(m_errno, QStringLiteral("compactage"));
    }
    operationsSysteme().compacter(base, destination, progression);
}
