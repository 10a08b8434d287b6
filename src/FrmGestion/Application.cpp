#include "FrmGestion/Application.h"

#include "database/Surveillance.h"
#include "shared/Installation.h"
#include "shared/LigneDeCommande.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QIcon>
#include <QMessageBox>
#include <QTextStream>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// The signal handler writes the signal's number here; a thread reads it.
int g_tube[2] = {-1, -1};
std::atomic<int> g_signal{0};       // the first signal received, 0 while none
std::thread g_veilleur;
bool g_fenetrePrete = false;        // the window's start-up is done
QMessageBox *g_boiteOuverte = nullptr;

extern "C" void surSignal(int numero)
{
    const int sauve = errno;
    const char octet = char(numero);
    [[maybe_unused]] const ssize_t n = ::write(g_tube[1], &octet, 1);
    errno = sauve;
}

// Interrupts the statements at once (the main thread may be inside one and
// never reach its event loop), then lets the main thread end the program.
void veiller()
{
    char octet = 0;
    for (;;) {
        const ssize_t n = ::read(g_tube[0], &octet, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;   // the write end closed: the application is going away
        int aucun = 0;
        g_signal.compare_exchange_strong(aucun, int(octet));
        Surveillance::interrompreTout();
        QMetaObject::invokeMethod(qApp, [] { static_cast<Application *>(qApp)->signalRecu(); },
                                  Qt::QueuedConnection);
    }
}

} // namespace

// The window's message box: OK only, no icon, the given title. A signal
// closes it and ends the program there.
class BoiteMessageFenetre : public Plateforme::BoiteMessage
{
public:
    void afficher(const QString &texte, const QString &titre) override
    {
        if (g_signal)
            Application::terminerSurSignal();
        QString lignes = texte;
        lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lignes.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox boite(QMessageBox::NoIcon, titre, lignes, QMessageBox::Ok, QApplication::activeWindow());
        QMessageBox *const englobante = std::exchange(g_boiteOuverte, &boite);
        boite.exec();
        g_boiteOuverte = englobante;
        if (g_signal)
            Application::terminerSurSignal();
    }
};

namespace {
std::unique_ptr<BoiteMessageFenetre> g_boite;
}

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
        ::close(g_tube[1]);
        if (g_veilleur.joinable())
            g_veilleur.join();
        ::close(g_tube[0]);
        g_tube[0] = g_tube[1] = -1;
    }
}

std::optional<int> Application::traiterLigneDeCommande()
{
    // --help and a command line that cannot be read were answered before
    // this object existed (ExecuterAideEnLigne): they need no display.
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments());
    AppliquerLigneDeCommande(options);
    g_boite = std::make_unique<BoiteMessageFenetre>();
    Plateforme::definirBoiteMessage(g_boite.get());
    return Installation::PreparerDossierApplication(Plateforme::estInstalle(), !options.dossier.isEmpty(),
                                                    Plateforme::cheminApplication());
}

int Application::executer()
{
    g_fenetrePrete = true;
    int sortie = 0;
    if (g_signal)
        fermerSurSignal();   // received during the start-up, before any event loop
    else
        sortie = exec();     // 0 from the shut-down; a start-up that ended early asks for its own
    return g_signal ? 128 + g_signal : sortie;
}

void Application::installerSignaux()
{
    // The handler never blocks on a full pipe; the thread waits on it.
    if (::pipe2(g_tube, O_CLOEXEC) != 0 || ::fcntl(g_tube[1], F_SETFL, O_NONBLOCK) != 0) {
        g_tube[0] = g_tube[1] = -1;
        return;
    }
    g_veilleur = std::thread(veiller);
    struct sigaction action = {};
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void Application::signalRecu()
{
    if (g_boiteOuverte)
        g_boiteOuverte->done(QMessageBox::Ok);   // its afficher() ends the program
    else if (g_fenetrePrete)
        fermerSurSignal();
    // Otherwise the start-up is inside a statement, now interrupted: its
    // error path ends the program.
}

void Application::fermerSurSignal()
{
    // The shut-down's write-back must run: statements are allowed again.
    Surveillance::reprendre();
    closeAllWindows();
}

void Application::terminerSurSignal()
{
    if (g_fenetrePrete)
        fermerSurSignal();
    std::fflush(nullptr);
    std::_Exit(128 + g_signal);
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
    // An error caused by a signal's interruption: the signal ends the program.
    if (g_signal)
        terminerSurSignal();
    // The program ends at once, as the platform ends it after its message:
    // no further event, no shut-down, nothing logged.
    SignalerErreurExecution(erreur);
    std::fflush(nullptr);
    std::_Exit(1);
}
