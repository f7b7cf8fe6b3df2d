#include "OlvaApp/ActivityView/ClampedLabel.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QTextLayout>

#include <algorithm>

namespace olva::app {

ClampedLabel::ClampedLabel(const QString& text, int maxLines, QWidget* parent)
    : QLabel(parent), full_(text), maxLines_(std::max(1, maxLines))
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setText(full_);
}

QStringList ClampedLabel::linesAt(int width, bool* cut) const
{
    *cut = false;
    QStringList lines;
    const int room = std::max(1, width - contentsMargins().left() - contentsMargins().right());
    // Lines the way the label breaks them: at its own line breaks, then
    // between words, inside a word only where one word is longer.
    const QStringList paragraphs = full_.split(u'\n');
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const QString& paragraph = paragraphs[p];
        QTextLayout layout(paragraph, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(room);
            if (lines.size() == maxLines_) {
                *cut = true;
                break;
            }
            lines << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        if (paragraph.isEmpty() && lines.size() < maxLines_) lines << QString();
        if (*cut) break;
        if (lines.size() == maxLines_ && p + 1 < paragraphs.size()) {
            *cut = true;
            break;
        }
    }
    if (*cut && !lines.isEmpty()) {
        // The last line shown ends in "…", with what the cut left out.
        const QFontMetrics metrics(font());
        QString last = lines.back().trimmed() + QStringLiteral("…");
        while (metrics.horizontalAdvance(last) > room && last.size() > 1) last.remove(last.size() - 2, 1);
        lines.back() = last;
    }
    for (QString& line : lines)
        while (line.endsWith(u' ')) line.chop(1);
    return lines;
}

int ClampedLabel::heightForWidth(int width) const
{
    bool cut = false;
    const auto count = std::max<qsizetype>(1, linesAt(width, &cut).size());
    return static_cast<int>(count) * fontMetrics().lineSpacing() + contentsMargins().top()
           + contentsMargins().bottom() + 1;
}

QSize ClampedLabel::minimumSizeHint() const
{
    // Narrow as a few characters: the text wraps, and is cut, to fit.
    return {fontMetrics().averageCharWidth() * 6, fontMetrics().lineSpacing()};
}

void ClampedLabel::clamp()
{
    bool cut = false;
    const QString shown = linesAt(width(), &cut).join(u'\n');
    clamped_ = cut;
    if (text() != shown) setText(shown);
    setAccessibleName(cut ? full_ : QString());
}

bool ClampedLabel::event(QEvent* event)
{
    // The tooltip is shown here rather than set: a tooltip set on the label
    // would also be read out as its description, in its markup.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (clamped_) QToolTip::showText(help->globalPos(), plainToolTip(full_), this);
        else QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void ClampedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    clamp();
}

void ClampedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        clamp();
        updateGeometry();
    }
}

}  // namespace olva::app
