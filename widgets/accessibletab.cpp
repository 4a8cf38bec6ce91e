#include "widgets/accessibletab.h"

#include <QAbstractButton>
#include <QAccessibleWidget>

namespace {

const char kTabProperty[] = "nuvoxaPageTab";

class TabInterface : public QAccessibleWidget
{
public:
    explicit TabInterface(QAbstractButton *button)
        : QAccessibleWidget(button, QAccessible::PageTab)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto *button = static_cast<QAbstractButton *>(widget());
        state.selectable = true;
        state.selected = button->isChecked();
        // The selected tab is disabled only so that it cannot be toggled off.
        if (button->isChecked())
            state.disabled = false;
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        auto *button = static_cast<QAbstractButton *>(widget());
        if (action == pressAction() && button->isEnabled())
            button->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *factory(const QString &, QObject *object)
{
    auto *button = qobject_cast<QAbstractButton *>(object);
    if (button && button->property(kTabProperty).toBool())
        return new TabInterface(button);
    return nullptr;
}

}  // namespace

void AccessibleTab::mark(QAbstractButton *button)
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(factory);
        installed = true;
    }
    button->setProperty(kTabProperty, true);
    // Setting the name in the form already made and kept the plain button's
    // interface (the toolkit does so even with no reader running); drop it
    // so that the next query comes to the factory.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(button);
    if (made && made->role() != QAccessible::PageTab)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
