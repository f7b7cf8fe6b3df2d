#include "OlvaApp/ActivityView/EmptyState.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayoutItem>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

namespace {


QLabel* centredLabel(QWidget* parent)
{
    QLabel* label = plainLabel({}, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

// A link-style button: flat, in the palette's link colour.
QPushButton* linkButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
    button->setPalette(palette);
    return button;
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
    icon_->setPixmap(icon.pixmap(sizes::largeIcon, sizes::largeIcon, QIcon::Disabled));
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

void EmptyState::addButton(const Choice& choice)
{
    auto* button = new QPushButton(choice.text, this);
    connect(button, &QPushButton::clicked, this, choice.run);
    actions_->addWidget(button, 0, Qt::AlignHCenter);
}

void EmptyState::addChoices(const Choice& main, const std::vector<Choice>& others)
{
    auto* button = new QPushButton(main.text, this);
    button->setDefault(true);
    button->setMinimumHeight(button->sizeHint().height() + 8);
    QFont large = button->font();
    large.setPointSizeF(large.pointSizeF() * 1.1);
    button->setFont(large);
    connect(button, &QPushButton::clicked, this, main.run);
    auto* links = new QHBoxLayout;
    links->setSpacing(16);
    links->addStretch(1);
    for (const Choice& other : others) {
        QPushButton* link = linkButton(other.text, this);
        connect(link, &QPushButton::clicked, this, other.run);
        links->addWidget(link);
    }
    links->addStretch(1);
    actions_->addWidget(button, 0, Qt::AlignHCenter);
    actions_->addLayout(links);
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
