#pragma once

#include <QObject>
#include <functional>

// Hands each character typed in a text box to a key-press handler before it is
// inserted, as the original platform's KeyPress event: the handler gets the
// character's code (by reference) and cancels the key by
// setting it to 0. Keys that type no character (arrows, Delete, clipboard
// shortcuts) are never handed over; Ctrl+letter arrives as its control code
// (1-26). Text that does not come from the keyboard (a paste, the program's
// own setText) is not filtered.
class FiltreTouches : public QObject
{
    Q_OBJECT
public:
    // The code is a UTF-16 unit (0-65535), never negative, so that no
    // character above 32767 slips past a "greater than" test.
    using Gestionnaire = std::function<void(int &code)>;

    FiltreTouches(Gestionnaire gestionnaire, QObject *parent);

    bool eventFilter(QObject *objet, QEvent *evenement) override;

private:
    // The characters of `texte` that the handler lets through.
    QString filtrer(const QString &texte) const;

    Gestionnaire m_gestionnaire;
};
