#include "OlvaApp/ActivityView/CheckRow.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/ClampedLabel.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/Titles.h"

#include "Core/base/TextSearch.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int markWidth = 14;

// The pass or fail mark, painted so that its colour follows the palette.
class Mark : public QWidget {
public:
    Mark(bool pass, QWidget* parent) : QWidget(parent), pass_(pass)
    {
        setFixedWidth(markWidth);
        setAccessibleName(pass ? CheckRow::tr("Passed") : CheckRow::tr("Failed"));
    }

    QSize sizeHint() const override { return {markWidth, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        // Sits on the first line of text, whatever the row's height.
        const QRectF box(0, 0, markWidth, fontMetrics().height());
        const QRectF glyph = box.adjusted(1, (box.height() - 11) / 2, -1, -(box.height() - 11) / 2);
        if (pass_) paintCheckMark(painter, glyph, secondaryTextColor(palette()));
        else paintCross(painter, glyph, errorRed(palette()));
    }

private:
    bool pass_;
};

}  // namespace

QString checkConditionText(const olva::Check& check)
{
    return CheckRow::tr("%1 %2 “%3”")
        .arg(title(check.attr), title(check.op), QString::fromStdString(check.value));
}

std::optional<QString> checkActualText(const olva::Check& check)
{
    if (SearchText(check.value).equals(check.actual, Folding::caseOnly)) return std::nullopt;
    if (check.actual.empty()) return CheckRow::tr("Empty");
    return QString::fromStdString(check.actual);
}

CheckRow::CheckRow(const olva::Check& check, QWidget* parent)
    : QWidget(parent), pass_(check.pass), mark_(new Mark(check.pass, this)),
      condition_(plainLabel(checkConditionText(check), this, Selectable::yes))
{
    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->addWidget(condition_);
    if (auto actual = checkActualText(check)) {
        // At most two lines of it; a longer one ends in "…" and shows whole
        // in its tooltip.
        actual_ = new ClampedLabel(*actual, 2, this);
        actual_->setFont(captionFont(actual_->font()));
        lines->addWidget(actual_);
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(mark_, 0, Qt::AlignTop);
    row->addLayout(lines, 1);
    setAccessibleName(condition_->text());
    updateColors();
}

QString CheckRow::conditionText() const { return condition_->text(); }
QString CheckRow::actualText() const { return actual_ ? actual_->fullText() : QString(); }

void CheckRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) updateColors();
    QWidget::changeEvent(event);
}

void CheckRow::updateColors()
{
    if (actual_) setTextColor(actual_, secondaryTextColor(palette()));
}

}  // namespace olva::app
