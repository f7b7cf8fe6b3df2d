#include "OlvaApp/App/TextStyles.h"

#include <QEvent>

namespace olva::app {

QColor errorColour(const QPalette& palette)
{
    // A dark window needs a lighter red to keep its contrast.
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xff, 0x7b, 0x72) : QColor(0xc0, 0x1c, 0x28);
}

void makeSecondary(QLabel& label) { label.setForegroundRole(QPalette::PlaceholderText); }

ErrorLabel::ErrorLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    applyColour();
}

void ErrorLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) applyColour();
}

void ErrorLabel::applyColour()
{
    QPalette own = palette();
    const QColor colour = errorColour(own);
    if (own.color(QPalette::WindowText) == colour) return;
    own.setColor(QPalette::WindowText, colour);
    setPalette(own);
}

}  // namespace olva::app
