#include "OlvaApp/PlaceChip/ReturnKey.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QToolButton>

namespace olva::app {

bool pressFocusedButton(QWidget& sheet, QKeyEvent& event)
{
    const int key = event.key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    // Enter on the keypad carries the keypad modifier; nothing else may.
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = qobject_cast<QAbstractButton*>(sheet.focusWidget());
    // A switch is no button to press: Return there is the sheet's.
    if (!button || qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) return false;
    if (button->window() != &sheet || !button->isEnabled() || !button->isVisible()) return false;
    auto* tool = qobject_cast<QToolButton*>(button);
    if (tool && tool->menu() && tool->popupMode() != QToolButton::DelayedPopup) tool->showMenu();
    else button->click();
    event.accept();
    return true;
}

}  // namespace olva::app
