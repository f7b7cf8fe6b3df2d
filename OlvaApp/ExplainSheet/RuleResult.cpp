#include "OlvaApp/ExplainSheet/RuleResult.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/CheckRow.h"
#include "OlvaApp/PlaceChip/DryRunBadge.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

QString ruleVerdict(const Explained& explained, std::size_t position)
{
    const Explanation& explanation = explained.rules.at(position);
    if (explanation.alreadyApplied && explanation.rule.dryRun) return RuleResult::tr("Already logged as a dry run");
    if (explanation.alreadyApplied) return RuleResult::tr("Already handled");
    if (!explanation.outcome.pass) return RuleResult::tr("Doesn’t match");
    if (const auto winner = explained.winner(); winner && *winner < position)
        return RuleResult::tr("Matches, an earlier rule wins");
    return RuleResult::tr("Matches");
}

RuleResult::RuleResult(const Explanation& explanation, const QString& verdict, QWidget* parent)
    : QWidget(parent), name_(new QLabel(singleLine(QString::fromStdString(explanation.rule.name)), this)),
      verdict_(new QLabel(verdict, this))
{
    name_->setTextFormat(Qt::PlainText);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name_->setFont(semiboldFont(name_->font()));
    verdict_->setTextFormat(Qt::PlainText);
    verdict_->setObjectName(QStringLiteral("verdict"));

    auto* heading = new QHBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(name_);
    if (explanation.rule.dryRun) {
        badge_ = new DryRunBadge(this);
        heading->addWidget(badge_);
    }
    heading->addStretch(1);
    heading->addWidget(verdict_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(heading);
    if (explanation.outcome.checks.empty()) {
        noConditions_ = new QLabel(tr("No conditions, so it matches every file."), this);
        noConditions_->setTextFormat(Qt::PlainText);
        noConditions_->setWordWrap(true);
        layout->addWidget(noConditions_);
    }
    for (const olva::Check& check : explanation.outcome.checks) layout->addWidget(new CheckRow(check, this));
    setAccessibleName(name_->text());
    setAccessibleDescription(verdict);
    updateColors();
}

QString RuleResult::ruleName() const { return name_->text(); }
QString RuleResult::verdict() const { return verdict_->text(); }

void RuleResult::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) updateColors();
    QWidget::changeEvent(event);
}

void RuleResult::updateColors()
{
    setTextColor(verdict_, secondaryTextColor(palette()));
    if (noConditions_) setTextColor(noConditions_, secondaryTextColor(palette()));
}

}  // namespace olva::app
