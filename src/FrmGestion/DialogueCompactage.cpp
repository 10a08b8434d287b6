#include "FrmGestion/DialogueCompactage.h"

#include "shared/Plateforme.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr int Graduations = 1000;
}

DialogueCompactage::DialogueCompactage(QWidget *parent, std::function<qint64()> horloge)
    : m_parent(parent), m_horloge(std::move(horloge))
{
    if (!m_horloge) {
        auto chrono = std::make_shared<QElapsedTimer>();
        chrono->start();
        m_horloge = [chrono] { return chrono->elapsed(); };
    }
    m_debut = m_horloge();
}

DialogueCompactage::~DialogueCompactage() = default;

QString DialogueCompactage::texte() { return QStringLiteral("Compactage de la base de données…"); }

QDialog *DialogueCompactage::dialogue() const { return m_dialogue.get(); }

void DialogueCompactage::progression(double fraction)
{
    if (!m_dialogue) {
        if (fraction >= 1.0 || m_horloge() - m_debut < DelaiAffichageMs)
            return;
        m_dialogue = std::make_unique<QDialog>(m_parent, Qt::Dialog | Qt::CustomizeWindowHint
                                                             | Qt::WindowTitleHint);
        m_dialogue->setObjectName(QStringLiteral("DialogueCompactage"));
        m_dialogue->setWindowTitle(Plateforme::titreApplication());
        m_dialogue->setWindowModality(Qt::ApplicationModal);
        auto *disposition = new QVBoxLayout(m_dialogue.get());
        auto *etiquette = new QLabel(texte(), m_dialogue.get());
        m_barre = new QProgressBar(m_dialogue.get());
        m_barre->setObjectName(QStringLiteral("BarreCompactage"));
        m_barre->setAccessibleName(texte());
        m_barre->setRange(0, Graduations);
        m_barre->setMinimumWidth(320);
        disposition->addWidget(etiquette);
        disposition->addWidget(m_barre);
        m_dialogue->show();
    }
    m_barre->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * Graduations)));
    // Nothing else runs during the compaction: let the window paint, take no input.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
