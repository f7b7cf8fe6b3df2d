#include "OlvaApp/PlaceChip/ViewHeader.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

QVBoxLayout* viewHeader(QLabel& title, QLabel& status)
{
    QFont titleFont = semiboldFont(title.font());
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title.setFont(titleFont);
    title.setTextFormat(Qt::PlainText);
    status.setTextFormat(Qt::PlainText);
    status.setForegroundRole(QPalette::PlaceholderText);
    auto* header = new QVBoxLayout;
    header->setContentsMargins(16, 12, 16, 10);
    header->setSpacing(2);
    header->addWidget(&title);
    header->addWidget(&status);
    return header;
}

}  // namespace olva::app
