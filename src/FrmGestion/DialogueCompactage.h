#pragma once

#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;

// The small progress window of the start-up compaction: "Compactage de la base
// de données…" over a progress bar. It appears only once the compaction has
// lasted half a second (a small database is compacted without a flash on the
// screen) and goes away with this object. Fed by the compaction's progress.
class DialogueCompactage
{
public:
    static constexpr qint64 DelaiAffichageMs = 500;

    // `horloge` gives milliseconds (a steady clock unless a test gives its own).
    explicit DialogueCompactage(QWidget *parent, std::function<qint64()> horloge = {});
    ~DialogueCompactage();
    DialogueCompactage(const DialogueCompactage &) = delete;
    DialogueCompactage &operator=(const DialogueCompactage &) = delete;

    // Fraction done, 0 to 1.
    void progression(double fraction);

    QDialog *dialogue() const;   // null until shown
    static QString texte();      // "Compactage de la base de données…"

private:
    QWidget *m_parent;
    std::function<qint64()> m_horloge;
    qint64 m_debut;
    std::unique_ptr<QDialog> m_dialogue;
    QProgressBar *m_barre = nullptr;
};
