#pragma once

#include <QApplication>
#include <optional>

class QSocketNotifier;
class RuntimeError;

// The application object of the window program. It reads the command line,
// installs the window's message box, turns SIGTERM and SIGINT into closing
// the windows (so they end through their own shut-down), and its notify() is
// the one place where an error that no procedure traps ends the program: the
// message "Erreur d'exécution" with the number and description, the same on
// standard error, exit status 1, nothing logged.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    ~Application() override;

    // Reads the command line. Returns the exit status when the run ends here
    // (--help, a command line that cannot be read), nothing when the window
    // is to be shown.
    std::optional<int> traiterLigneDeCommande();

    bool notify(QObject *receiver, QEvent *event) override;

    // "Erreur d'exécution '<number>':" followed by an empty line and the description.
    static QString MessageErreurExecution(const RuntimeError &erreur);
    static QString TitreErreurExecution();
    // Shows the message in the current message box and writes it to standard error.
    static void SignalerErreurExecution(const RuntimeError &erreur);

private:
    [[noreturn]] static void terminerSurErreur(const RuntimeError &erreur);
    void installerSignaux();
    void signalRecu();

    QSocketNotifier *m_notificateur = nullptr;
};
