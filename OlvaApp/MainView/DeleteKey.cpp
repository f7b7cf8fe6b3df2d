#include "OlvaApp/MainView/DeleteKey.h"

#include <QKeyEvent>

namespace olva::app {

bool isDeleteKey(const QKeyEvent& key)
{
    // The keypad's Delete is the same key.
    return (key.key() == Qt::Key_Delete || key.key() == Qt::Key_Backspace)
           && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace olva::app
