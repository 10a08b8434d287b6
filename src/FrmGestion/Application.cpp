#include "FrmGestion/Application.h"

#include "shared/Installation.h"
#include "shared/LigneDeCommande.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int g_tube[2] = {-1, -1};   // self-pipe: the signal handler writes, the event loop reads

extern "C" void surSignal(int numero)
{
    const int sauve = errno;
    const char octet = char(numero);
    [[maybe_unused]] const ssize_t n = ::write(g_tube[1], &octet, 1);
    errno = sauve;
}

// The window's message box: OK only, no icon, the given title.
class BoiteMessageFenetre : public Plateforme::BoiteMessage
{
public:
    void afficher(const QString &texte, const QString &titre) override
    {
        QString lignes = texte;
        lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lignes.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox boite(QMessageBox::NoIcon, titre, lignes, QMessageBox::Ok, QApplication::activeWindow());
        boite.exec();
    }
};

std::unique_ptr<BoiteMessageFenetre> g_boite;

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("corvane"));
    // The desktop matches the window with its menu entry (Wayland's app id),
    // and the installed icon stands in the title bar.
    setDesktopFileName(QStringLiteral("fr.corvane.Corvane"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("corvane")));
    installerSignaux();
}

Application::~Application()
{
    if (g_boite) {
        Plateforme::definirBoiteMessage(nullptr);
        g_boite.reset();
    }
    if (g_tube[0] >= 0) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        ::close(g_tube[0]);
        ::close(g_tube[1]);
        g_tube[0] = g_tube[1] = -1;
    }
}

std::optional<int> Application::traiterLigneDeCommande()
{
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments());
    if (!options.erreur.isEmpty()) {
        QTextStream(stderr) << "corvane : " << options.erreur << "\n"
                            << "Essayez « corvane --help » pour plus d'informations." << Qt::endl;
        return 2;
    }
    if (options.aide) {
        QTextStream(stdout) << TexteAide() << Qt::flush;
        return 0;
    }
    AppliquerLigneDeCommande(options);
    g_boite = std::make_unique<BoiteMessageFenetre>();
    Plateforme::definirBoiteMessage(g_boite.get());
    return Installation::PreparerDossierApplication(Installation::estInstalle(), !options.dossier.isEmpty(),
                                                    Plateforme::cheminApplication());
}

void Application::installerSignaux()
{
    if (::pipe2(g_tube, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_tube[0] = g_tube[1] = -1;
        return;
    }
    m_notificateur = new QSocketNotifier(g_tube[0], QSocketNotifier::Read, this);
    connect(m_notificateur, &QSocketNotifier::activated, this, &Application::signalRecu);
    struct sigaction action = {};
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void Application::signalRecu()
{
    char octets[16];
    while (::read(g_tube[0], octets, sizeof octets) > 0) {
    }
    // Closing the windows runs their shut-down, which ends the program.
    closeAllWindows();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const RuntimeError &erreur) {
        terminerSurErreur(erreur);
    } catch (const std::bad_alloc &) {
        terminerSurErreur(RuntimeError(7, QStringLiteral("Mémoire insuffisante")));
    } catch (const std::exception &e) {
        terminerSurErreur(RuntimeError(51, QStringLiteral("Erreur interne : ") + QString::fromLocal8Bit(e.what())));
    } catch (...) {
        terminerSurErreur(RuntimeError(51, QStringLiteral("Erreur interne")));
    }
}

QString Application::TitreErreurExecution()
{
    return QStringLiteral("Erreur d'exécution");
}

QString Application::MessageErreurExecution(const RuntimeError &erreur)
{
    return QStringLiteral("Erreur d'exécution '%1':\n\n%2").arg(erreur.number()).arg(erreur.description());
}

void Application::SignalerErreurExecution(const RuntimeError &erreur)
{
    const QString message = MessageErreurExecution(erreur);
    QTextStream(stderr) << message << Qt::endl;
    Plateforme::boiteMessage().afficher(message, TitreErreurExecution());
}

void Application::terminerSurErreur(const RuntimeError &erreur)
{
    // The program ends at once, as the platform ends it after its message:
    // no further event, no shut-down, nothing logged.
    SignalerErreurExecution(erreur);
    std::fflush(nullptr);
    std::_Exit(1);
}
