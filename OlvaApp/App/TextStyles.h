// The text styles of the app's own windows beside the palette's plain text:
// what went wrong, in a red that reads on the palette it is shown on, and
// secondary remarks, dimmed.
#pragma once

#include <QLabel>

namespace olva::app {

// Dims a label's text the way the palette dims placeholder text.
void makeSecondary(QLabel& label);

// A plain-text label in the error colour, which follows palette changes.
class ErrorLabel : public QLabel {
    Q_OBJECT

public:
    explicit ErrorLabel(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColour();
};

}  // namespace olva::app
