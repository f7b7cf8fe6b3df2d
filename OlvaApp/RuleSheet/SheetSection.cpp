#include "OlvaApp/RuleSheet/SheetSection.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

SheetSection::SheetSection(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), detail_(new QLabel(this))
{
    auto* heading = new QLabel(title, this);
    heading->setFont(headlineFont(font()));
    detail_->setTextFormat(Qt::PlainText);
    detail_->setForegroundRole(QPalette::PlaceholderText);
    // Shown once there is something to say.
    detail_->hide();
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(heading);
    header->addStretch(1);
    header->addWidget(detail_);

    auto* box = new QGroupBox(this);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(4, 4, 4, 4);
    boxLayout->addWidget(content);
    content->setParent(box);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(box, 1);
    heading->setBuddy(content);
    setAccessibleName(title);
}

void SheetSection::setDetail(const QString& detail)
{
    detail_->setText(detail);
    detail_->setVisible(!detail.isEmpty());
}

QString SheetSection::detail() const { return detail_->text(); }

}  // namespace olva::app
