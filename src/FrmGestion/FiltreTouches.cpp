#include "FrmGestion/FiltreTouches.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
constexpr char16_t Supprimer = 0x7f;   // the Delete key's text: types nothing
}

FiltreTouches::FiltreTouches(Gestionnaire gestionnaire, QObject *parent)
    : QObject(parent), m_gestionnaire(std::move(gestionnaire))
{
}

QString FiltreTouches::filtrer(const QString &texte) const
{
    QString resultat;
    resultat.reserve(texte.size());
    for (const QChar c : texte) {
        if (c.unicode() == Supprimer) {
            resultat.append(c);
            continue;
        }
        int code = c.unicode();
        m_gestionnaire(code);
        if (code != 0)
            resultat.append(QChar(char16_t(code)));
    }
    return resultat;
}

bool FiltreTouches::eventFilter(QObject *objet, QEvent *evenement)
{
    if (evenement->type() == QEvent::InputMethod) {
        // Characters composed by an input method are typed too.
        auto *im = static_cast<QInputMethodEvent *>(evenement);
        if (!im->commitString().isEmpty()) {
            const QString garde = filtrer(im->commitString());
            if (garde != im->commitString())
                im->setCommitString(garde, im->replacementStart(), im->replacementLength());
        }
        return false;
    }
    if (evenement->type() != QEvent::KeyPress)
        return false;

    auto *touche = static_cast<QKeyEvent *>(evenement);
    const QString texte = touche->text();
    if (texte.isEmpty())
        return false;

    const Qt::KeyboardModifiers m = touche->modifiers();
    if ((m & (Qt::ControlModifier | Qt::MetaModifier)) && !(m & Qt::AltModifier)) {
        // Ctrl+letter types its control code (Ctrl+C 3, Ctrl+V 22...); other
        // Ctrl combinations type nothing and are left to the box.
        const char16_t c = texte.at(0).unicode();
        if (texte.size() != 1 || !((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c < 0x20))
            return false;
        int code = c & 0x1f;
        m_gestionnaire(code);
        return code == 0;
    }

    const QString garde = filtrer(texte);
    if (garde == texte)
        return false;
    if (!garde.isEmpty())
        if (auto *boite = qobject_cast<QLineEdit *>(objet))
            boite->insert(garde);
    return true;
}
