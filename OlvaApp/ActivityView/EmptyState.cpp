#include "OlvaApp/ActivityView/EmptyState.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/ActivityTexts.h"

#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLayoutItem>
#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int iconSize = 48;

QLabel* centredLabel(QWidget* parent)
{
    QLabel* label = plainLabel({}, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

}  // namespace

EmptyState::EmptyState(QWidget* parent)
    : QWidget(parent), icon_(new QLabel(this)), title_(centredLabel(this)), description_(centredLabel(this)),
      actions_(new QVBoxLayout)
{
    icon_->setAlignment(Qt::AlignCenter);
    icon_->setTextFormat(Qt::PlainText);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title_->setFont(titleFont);
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(8);
    layout->addStretch(1);
    layout->addWidget(icon_);
    layout->addWidget(title_);
    layout->addWidget(description_);
    actions_->setSpacing(12);
    actions_->setContentsMargins(0, 8, 0, 0);
    layout->addLayout(actions_);
    layout->addStretch(1);
    updateColors();
}

void EmptyState::showPlaceholder(const Placeholder& placeholder)
{
    title_->setText(placeholder.title);
    description_->setText(placeholder.description);
    description_->setVisible(!placeholder.description.isEmpty());
    setAccessibleName(placeholder.title);
    setAccessibleDescription(placeholder.description);
    iconName_ = placeholder.iconName;
    // Found as every other icon is: the theme's, else the one the app ships.
    const QIcon icon = namedIcon(iconName_);
    icon_->setPixmap(icon.pixmap(iconSize, iconSize, QIcon::Disabled));
    icon_->setVisible(!icon.isNull());
    while (QLayoutItem* item = actions_->takeAt(0)) {
        if (QWidget* widget = item->widget()) widget->deleteLater();
        if (QLayout* inner = item->layout()) {
            while (QLayoutItem* innerItem = inner->takeAt(0)) {
                if (QWidget* widget = innerItem->widget()) widget->deleteLater();
                delete innerItem;
            }
        }
        delete item;
    }
    QWidget::show();
}

QString EmptyState::title() const { return title_->text(); }
QString EmptyState::description() const { return description_->isHidden() ? QString() : description_->text(); }

void EmptyState::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) updateColors();
    QWidget::changeEvent(event);
}

void EmptyState::updateColors() { setTextColor(description_, secondaryTextColor(palette())); }

}  // namespace olva::app
