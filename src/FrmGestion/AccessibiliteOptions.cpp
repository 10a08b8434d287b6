#include "FrmGestion/AccessibiliteOptions.h"

#include <QAccessibleWidget>
#include <QRadioButton>

namespace {

const char *const ProprieteOption = "corvaneOptionAccessible";

class OptionAccessible : public QAccessibleWidget
{
public:
    explicit OptionAccessible(QRadioButton *option) : QAccessibleWidget(option, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            QString nom = bouton()->text();
            return nom.remove(QLatin1Char('&'));
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = bouton()->isChecked();
        s.pressed = bouton()->isDown();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() || action == toggleAction()) {
            if (bouton()->isEnabled())
                bouton()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton *bouton() const { return static_cast<QRadioButton *>(widget()); }
};

QAccessibleInterface *fabrique(const QString &classe, QObject *objet)
{
    auto *option = qobject_cast<QRadioButton *>(objet);
    if (classe != QLatin1String("QRadioButton") || !option || !option->property(ProprieteOption).toBool())
        return nullptr;
    return new OptionAccessible(option);
}

} // namespace

void RendreOptionAccessible(QRadioButton *option)
{
    static const bool installee = [] {
        QAccessible::installFactory(fabrique);
        return true;
    }();
    (void)installee;
    option->setProperty(ProprieteOption, true);
    // The button's interface may already have been made (and kept) while it
    // was built: drop it, so that the next one asked for is this one.
    if (QAccessibleInterface *ancienne = QAccessible::queryAccessibleInterface(option))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(ancienne));
}
