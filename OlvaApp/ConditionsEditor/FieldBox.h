// Screen readers on Linux name a combo box by its current choice, relying
// on a label beside it to say what it is for. The rule sheet's boxes have
// no such label ("Extension" "is" "pdf" reads as a sentence), so a box
// given an accessible name ("Attribute", "Test") is read by that name, with
// its choice as its value.
#pragma once

#include <QComboBox>

namespace olva::app {

// A combo box that screen readers read by its accessible name.
class FieldBox : public QComboBox {
    Q_OBJECT

public:
    explicit FieldBox(QWidget* parent = nullptr);
};

}  // namespace olva::app
