#pragma once

#include <QLocale>
#include <QString>

// What the program asks of its platform besides files and the database:
// the application folder and title, the system's regional settings, and the
// modal message box (reached through an interface so tests can answer it and
// command-line runs can send it to standard error).
namespace Plateforme {

// App.Path: dossierApplicationParDefaut unless the command line named another.
QString cheminApplication();
void definirCheminApplication(const QString &dossier);

// True in the installed build (CMake option CORVANE_INSTALLE).
bool estInstalle();

// The application folder when the command line names none: the executable's
// folder from a build tree; once installed (`cmake --install`, the .deb:
// /usr/bin is no place for the kiosk's files), $XDG_DATA_HOME/Corvane, or
// <home>/.local/share/Corvane when XDG_DATA_HOME is unset, empty or relative
// (the XDG base directory rules).
QString dossierApplicationParDefaut(bool installe, const QString &dossierExecutable, const QString &xdgDataHome,
                                    const QString &home);

// App.Title.
inline QString titreApplication() { return QStringLiteral("Corvane"); }

// The system locale for dates and numbers; French (France) when the system
// names none (C/POSIX). Tests may pin another.
QLocale localeSysteme();
void definirLocaleSysteme(const QLocale &locale);
QString formatDateCourte();      // e.g. "dd/MM/yyyy"
QChar separateurDate();          // e.g. '/'
QChar separateurDecimal();       // e.g. ','

class BoiteMessage
{
public:
    virtual ~BoiteMessage() = default;
    // Shows a modal message with only an OK button and no icon; returns when dismissed.
    virtual void afficher(const QString &texte, const QString &titre) = 0;
};

// The current message box; never null (a standard-error one until the window installs its own).
BoiteMessage &boiteMessage();
void definirBoiteMessage(BoiteMessage *boite);   // nullptr restores the standard-error one

} // namespace Plateforme
