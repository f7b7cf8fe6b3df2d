// Draws a sentence on one line inside an item view's cell: words as text,
// folders as chips with a folder icon, patterns in a fixed-width font. What
// does not fit is elided.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

class QFontMetrics;
class QPainter;

namespace olva::app {

struct SentenceStyle {
    QFont font;
    QColor text;
    QPalette palette;
    bool provisional = false;  // chips drawn dashed: it has not happened
    bool selected = false;
};

// The height a sentence needs in this font.
int sentenceHeight(const QFontMetrics& metrics);
// The width it takes unelided.
int sentenceWidth(const Sentence& sentence, const QFont& font);
void paintSentence(QPainter& painter, const QRect& rect, const Sentence& sentence, const SentenceStyle& style);

}  // namespace olva::app
