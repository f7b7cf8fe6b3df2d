#include "OlvaApp/ExplainSheet/ExplainSheet.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/FileIcon.h"
#include "OlvaApp/ExplainSheet/RuleResult.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int sheetWidth = 480;
constexpr int bodyHeightLimit = 420;

}  // namespace

ExplainSheet::ExplainSheet(Model& model, QWidget* parent) : QDialog(parent), model_(model)
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Explain"));
    connect(this, &QDialog::finished, this, [this] { model_.setExplained(std::nullopt); });

    const Explained explained = model_.explained().value_or(Explained{});
    const QString path = QString::fromStdString(explained.file.string());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(sizes::sheetMargin, sizes::sheetMargin, sizes::sheetMargin, sizes::sheetMargin);
    layout->setSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Header: the file, and what happens to it.
    auto* icon = new QLabel(this);
    icon->setTextFormat(Qt::PlainText);
    icon->setPixmap(iconForFileName(path).pixmap(sizes::largeIcon, sizes::largeIcon));
    icon->setFixedSize(sizes::largeIcon, sizes::largeIcon);
    icon->setAccessibleName(fileIconType(path));
    name_ = plainLabel(singleLine(lastComponent(path)), this);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    name_->setFont(headlineFont(name_->font()));
    sentence_ = plainLabel(Model::explanationSentence(explained), this);
    sentence_->setObjectName(QStringLiteral("sentence"));
    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    words->addWidget(name_);
    words->addWidget(sentence_);
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(icon, 0, Qt::AlignVCenter);
    header->addLayout(words, 1);
    layout->addLayout(header);

    const int innerWidth = sheetWidth - 2 * sizes::sheetMargin;
    if (explained.rules.empty()) {
        noRules_ = plainLabel(tr("This folder has no enabled rules."), this);
        noRules_->setFixedWidth(innerWidth);
        layout->addWidget(noRules_);
    } else {
        auto* content = new QWidget;
        auto* rules = new QVBoxLayout(content);
        rules->setContentsMargins(0, 0, 0, 0);
        rules->setSpacing(16);
        for (std::size_t i = 0; i < explained.rules.size(); ++i)
            rules->addWidget(new RuleResult(explained.rules[i], ruleVerdict(explained, i), content));
        body_ = new QScrollArea(this);
        body_->setObjectName(QStringLiteral("rules"));
        // The sheet opens with the focus here: a screen reader says what.
        body_->setAccessibleName(tr("Rules"));
        body_->setFrameShape(QFrame::NoFrame);
        body_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        body_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        body_->setWidgetResizable(true);
        body_->setWidget(content);
        body_->setFixedWidth(innerWidth);
        // As tall as the rules, up to the limit; beyond it they scroll.
        const int scrollBar = body_->verticalScrollBar()->sizeHint().width();
        const int contentHeight = content->hasHeightForWidth()
            ? content->heightForWidth(innerWidth - scrollBar)
            : content->sizeHint().height();
        body_->setFixedHeight(std::min(contentHeight, bodyHeightLimit));
        layout->addWidget(body_);
    }

    done_ = new QPushButton(tr("Done"), this);
    done_->setDefault(true);
    done_->setAutoDefault(true);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(done_);
    layout->addLayout(footer);

    for (QLabel* label : {name_, sentence_}) label->setFixedWidth(innerWidth - sizes::largeIcon - 12);
    updateColors();
}

ExplainSheet::~ExplainSheet() = default;

QString ExplainSheet::fileName() const { return name_->text(); }
QString ExplainSheet::sentence() const { return sentence_->text(); }

QList<RuleResult*> ExplainSheet::ruleResults() const
{
    if (!body_) return {};
    return body_->widget()->findChildren<RuleResult*>(QString(), Qt::FindDirectChildrenOnly);
}

void ExplainSheet::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) updateColors();
    QDialog::changeEvent(event);
}

void ExplainSheet::updateColors()
{
    setTextColor(sentence_, secondaryTextColor(palette()));
    if (noRules_) setTextColor(noRules_, secondaryTextColor(palette()));
}

}  // namespace olva::app
