// Start-up (Form_Load), shut-down (Form_Unload) and the "Fin" button.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/DataSource.h"
#include "database/Dates.h"
#include "database/OuvertureRecordset.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/Installation.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>

namespace {

// FileDateTime: the last-modified date and time of a file, its name matched
// without regard to case.
QDateTime DateFichier(const QString &chemin)
{
    const QFileInfo info(resoudreChemin(chemin));
    if (!info.exists() || info.isDir())
        throw RuntimeError(Erreurs::FichierIntrouvable, QStringLiteral("Fichier introuvable"));
    return info.lastModified();
}

// Opens the set on the command and hands it to its data source.
void OuvrirSource(Connection &connexion, Command &commande, const QString &texte, Recordset &rs,
                  DataSource *source)
{
    OuvrirRecordset(connexion, commande, texte, rs);
    source->setRecordset(&rs);
}

} // namespace

void FrmGestion::Form_Load()
{
    m_charge = true;

    // 1. A database on a USB key replaces the local one (errors reported there).
    ChercherSurCleUSB();
    // The installed program's first start: the keys may have filled its
    // empty folder; if not, it says where to put the files and ends.
    if (const std::optional<int> sortie = Installation::VerifierDossierApresCles(Plateforme::cheminApplication())) {
        terminerAvantChargement(*sortie);
        return;
    }

    // 2-3. The configuration names the database (errors reported by the reader).
    const QString dossier = Plateforme::cheminApplication();
    CheminIni = FichierConfiguration(dossier);
    const QString chemin = CheminBaseConfiguree(dossier);
    CheminBase = chemin.mid(dossier.size() + 1);

    // 4-5. The caption names the file and its date before the compaction.
    const QDateTime modifie = DateFichier(chemin);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + CheminBase + QStringLiteral("  ")
                   + TexteDate(DateTime::fromQDateTime(modifie), Plateforme::localeSysteme()));

    // 6-7.
    CheminBase = chemin;
    // A path holding a ';' (or a quote first) is quoted, so that it reads back whole.
    ChaineConnexion = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
                      + Connection::quoteValue(CheminBase) + QStringLiteral(";Jet OLEDB:Database Password=");

    // 8. Compaction while no connection is open (errors reported there).
    ReparerDatabase();

    // 9-12.
    Connexion.open(ChaineConnexion, QString(), QString());
    OuvrirSource(Connexion, CmdParametres, QStringLiteral("Parametres"), RsParametres, Adodc1);
    // The receipts are read for the current record only, by the sale's number
    // or the upload's own key.
    RsVentes.setDeferredField(QStringLiteral("Ticket"), QStringLiteral("ReqVentes"), QStringLiteral("NoVente"),
                              QStringLiteral("Date"));
    RsTelecollectes.setDeferredField(QStringLiteral("Ticket"), QStringLiteral("Telecollectes"), QString(),
                                     QStringLiteral("LaDate"));
    OuvrirSource(Connexion, CmdVentes, QStringLiteral("select * from ReqVentes order by Date Desc"), RsVentes, Adodc2);
    OuvrirSource(Connexion, CmdTelecollectes, QStringLiteral("SELECT * from Telecollectes order by LaDate Desc"),
                 RsTelecollectes, Adodc3);

    // 13. The journal view.
    Command1_Click();
}

void FrmGestion::terminerAvantChargement(int sortie)
{
    // Nothing was opened: the window never appears, and the program ends
    // with that status as soon as its event loop runs.
    setAttribute(Qt::WA_DontShowOnScreen);
    m_decharge = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [sortie] { QCoreApplication::exit(sortie); }, Qt::QueuedConnection);
}

void FrmGestion::Form_Unload()
{
    m_decharge = true;
    // Every error is ignored: a failing step is skipped and the next one runs.
    try {
        if (Recordset *rs = Adodc1->recordset())
            rs->update();
    } catch (...) {
    }
    try {
        Connexion.close();
    } catch (...) {
    }
    // End: leave the event loop (a no-op when none runs, as in the tests).
    QCoreApplication::exit(0);
}

void FrmGestion::Command3_Click()
{
    close();
}

void FrmGestion::showEvent(QShowEvent *event)
{
    // Loading the window runs the start-up; an error there reaches the
    // application's unhandled-error handler.
    if (!m_charge)
        Form_Load();
    QWidget::showEvent(event);
}

void FrmGestion::closeEvent(QCloseEvent *event)
{
    // The unload is never cancelled.
    if (!m_decharge)
        Form_Unload();
    event->accept();
}
