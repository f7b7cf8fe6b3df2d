#include "OlvaApp/ConditionsEditor/FieldBox.h"

#include "OlvaApp/PlaceChip/AccessibleFactory.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QComboBox>

namespace olva::app {

namespace {

class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name: {
            const QString name = box()->accessibleName();
            return name.isEmpty() ? box()->currentText() : name;
        }
        case QAccessible::Value: return box()->currentText();
        default: return QAccessibleWidget::text(kind);
        }
    }

    // The list it drops down, as the platform's own combo box has it.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() || name == pressAction()) box()->showPopup();
        else QAccessibleWidget::doAction(name);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

}  // namespace

FieldBox::FieldBox(QWidget* parent) : QComboBox(parent) { installAccessible<FieldBox, NamedComboBox>(); }

}  // namespace olva::app
