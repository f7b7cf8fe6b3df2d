#include "OlvaApp/App/TextStyles.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QEvent>

namespace olva::app {

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
    const QColor colour = errorRed(own);
    if (own.color(QPalette::WindowText) == colour) return;
    own.setColor(QPalette::WindowText, colour);
    setPalette(own);
}

}  // namespace olva::app
