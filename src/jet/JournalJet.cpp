#include "jet/JournalJet.h"

#include "jet/ConvertisseurJet.h"
#include "jet/FichiersDurables.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/RuntimeError.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Jet {

namespace {

const QString NomJournal = QStringLiteral("MAINTEN.MDB");
const QString NomConverti = QStringLiteral("MAINTEN.NEW");        // the converted log before it takes its place
const QString NomOriginal = QStringLiteral("MAINTEN.JET");        // the Jet original afterwards
const QString NomOriginalTemporaire = QStringLiteral("MAINTEN.JTM");

std::string local(const QString &chemin) { return QFile::encodeName(chemin).toStdString(); }

RuntimeError echec(const QString &quoi)
{
    return RuntimeError(ConversionImpossible, QStringLiteral("Le journal des erreurs ") + NomJournal
                                                  + QStringLiteral(" n'a pas pu être converti : ") + quoi);
}

// Holds an exclusive lock on the Jet log, so that two Corvane (the window and
// a command line) do not convert it at once.
class Verrou
{
public:
    explicit Verrou(const QString &chemin)
        : m_fd(::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC))
    {
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            throw echec(QStringLiteral("il est occupé"));
    }
    ~Verrou() { ::close(m_fd); }
    Verrou(const Verrou &) = delete;
    Verrou &operator=(const Verrou &) = delete;

private:
    int m_fd;
};

void supprimer(const QString &chemin)
{
    QFile::remove(chemin);
    QFile::remove(chemin + QStringLiteral("-journal"));
}

} // namespace

void PreparerJournalJet(const QString &dossierJournal)
{
    static QSet<QString> echecs;   // files (name, size, date) already refused in this run
    const QString journal = resoudreChemin(NormaliserRepertoire(dossierJournal) + NomJournal);
    if (!EstBaseJet(journal))
        return;
    // The folder as it is named on disk (the application folder comes upper-cased).
    const QString dossier = NormaliserRepertoire(QFileInfo(journal).absolutePath());
    const QFileInfo info(journal);
    const QString cle = journal + QLatin1Char('|') + QString::number(info.size()) + QLatin1Char('|')
                        + QString::number(info.lastModified().toMSecsSinceEpoch());
    if (echecs.contains(cle))
        throw echec(QStringLiteral("une conversion a déjà échoué"));

    const Verrou verrou(journal);
    if (!EstBaseJet(journal))   // converted meanwhile by another Corvane
        return;
    const QString converti = resoudreChemin(dossier + NomConverti);
    supprimer(converti);
    LimitesConversion limites;
    limites.delaiMillisecondes = 120000;   // an error is waiting to be shown
    try {
        ConvertirBaseJet(journal, converti, {}, limites);
    } catch (const RuntimeError &) {
        echecs.insert(cle);
        throw;
    }

    // The original takes a second name, which then replaces an older one in
    // one step; the log never leaves its own name.
    const QString temporaire = resoudreChemin(dossier + NomOriginalTemporaire);
    try {
        supprimer(temporaire);
        if (::link(QFile::encodeName(journal).constData(), QFile::encodeName(temporaire).constData()) != 0) {
            if (!QFile::copy(journal, temporaire))
                throw echec(QStringLiteral("copie de l'original impossible"));
            Jet::synchroniserFichier(local(temporaire));
        }
        Jet::synchroniserDossier(local(dossier));
        if (::rename(QFile::encodeName(temporaire).constData(),
                     QFile::encodeName(resoudreChemin(dossier + NomOriginal)).constData())
            != 0)
            throw echec(QStringLiteral("l'original ne peut pas être renommé ") + NomOriginal);
        if (::rename(QFile::encodeName(converti).constData(), QFile::encodeName(journal).constData()) != 0)
            throw echec(QStringLiteral("le journal converti ne peut pas prendre sa place"));
        Jet::synchroniserDossier(local(dossier));
    } catch (const Jet::ErreurFichier &e) {
        supprimer(temporaire);
        supprimer(converti);
        throw echec(QString::fromUtf8(e.what()));
    } catch (...) {
        supprimer(temporaire);
        supprimer(converti);
        throw;
    }
}

} // namespace Jet
