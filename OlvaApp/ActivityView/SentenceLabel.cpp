#include "OlvaApp/ActivityView/SentenceLabel.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/SentencePainter.h"

#include "Core/Paths.h"

#include <QPainter>

namespace olva::app {

SentenceLabel::SentenceLabel(Sentence sentence, bool provisional, QWidget* parent)
    : QWidget(parent), sentence_(std::move(sentence)), provisional_(provisional)
{
    setAccessibleName(accessibilityText(sentence_));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SentenceLabel::sizeHint() const
{
    return {sentenceWidth(sentence_, font()), sentenceHeight(fontMetrics())};
}

QSize SentenceLabel::minimumSizeHint() const { return {0, sentenceHeight(fontMetrics())}; }

void SentenceLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintSentence(painter, rect(), sentence_,
                  SentenceStyle{.font = font(),
                                .text = palette().color(QPalette::WindowText),
                                .palette = palette(),
                                .provisional = provisional_,
                                .selected = false});
}

PathLabel::PathLabel(const QString& path, QWidget* parent)
    : QLabel(parent), path_(path), shown_(QString::fromStdString(olva::abbreviate(path.toStdString())))
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
    setText(shown_);
    setAccessibleName(shown_);
    setToolTip(QString());
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QSize PathLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void PathLabel::resizeEvent(QResizeEvent* event)
{
    setText(fontMetrics().elidedText(shown_, Qt::ElideMiddle, width()));
    QLabel::resizeEvent(event);
}

}  // namespace olva::app
