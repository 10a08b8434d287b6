#pragma once

#include <QApplication>
#include <optional>

class RuntimeError;

// The application object of the window program. It reads the command line,
// installs the window's message box, and its notify() is the one place where
// an error that no procedure traps ends the program: the message "Erreur
// d'exécution" with the number and description, the same on standard error,
// exit status 1, nothing logged.
//
// SIGTERM and SIGINT end the program at any moment, with exit status 128 +
// the signal. A thread waiting on the signals interrupts the statements
// running on every connection (the compaction, the journal's load), whose
// operation then unwinds through its own error path, removing what it had
// half-written; that path ends the program instead of showing its message.
// A message box open is closed and the program ends there. Once the window is
// up, it is closed as "Fin" closes it, through its shut-down.
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

    // Runs the event loop of the window shown (its start-up done); returns
    // the exit status.
    int executer();

    bool notify(QObject *receiver, QEvent *event) override;

    // "Erreur d'exécution '<number>':" followed by an empty line and the description.
    static QString MessageErreurExecution(const RuntimeError &erreur);
    static QString TitreErreurExecution();
    // Shows the message in the current message box and writes it to standard error.
    static void SignalerErreurExecution(const RuntimeError &erreur);

    // On the main thread, once the signal thread has seen a signal.
    void signalRecu();

private:
    [[noreturn]] static void terminerSurErreur(const RuntimeError &erreur);
    void installerSignaux();
    static void fermerSurSignal();
    [[noreturn]] static void terminerSurSignal();
    friend class BoiteMessageFenetre;
};
