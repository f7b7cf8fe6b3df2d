// One sentence laid out on one line: its words, its patterns in the
// fixed-width face and its places as chips, each item with the rectangle it
// takes. The sentence widget and every delegate that draws a sentence in a
// row (rules, activity, preview) use it to draw, and to find the chip under
// the pointer for its tooltip and its context menu.
//
// When the line is too short, words and patterns give way first (cut at
// their end, patterns in the middle), then the chips' names (in the middle);
// words right before a chip keep their width, so "move to" stays with its
// folder, and the sentence's first word stays whole ("Would …" of a dry
// run). Where there is room for more lines, a sentence can instead wrap
// between words, each chip and pattern kept whole on one line.
#pragma once

#include "OlvaApp/PlaceChip/PlaceCache.h"
#include "OlvaApp/Sentences/Segment.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace olva::app {

struct SentenceColors {
    QColor words;  // text and patterns
    QColor chip;   // a chip's name; its fill and outline are tones of it
};

class SentenceLayout {
public:
    struct Item {
        Segment::Kind kind = Segment::Kind::text;
        qsizetype segment = 0;  // its index in the sentence
        QRectF rect;            // in layout coordinates: the line starts at (0, 0)
        QString shown;          // the words drawn, cut to fit
        QString path;           // a place: the path as the sentence holds it
        QIcon icon;             // a place: its folder's icon
        bool exists = false;    // a place: whether it was there when last looked at
    };

    SentenceLayout() = default;
    // Lays `sentence` out in `font`, at most `maxWidth` wide; a negative
    // width lays it out at its ideal width. Places are looked up in
    // `places` (the process's cache by default).
    SentenceLayout(const Sentence& sentence, const QFont& font, qreal maxWidth = -1,
                   PlaceCache& places = PlaceCache::shared());
    // The sentence on as many lines of at most `width` as it needs, broken
    // after spaces; a word, pattern or chip wider than a line is broken
    // (words) or cut in its middle (patterns, chip names) to fit.
    static SentenceLayout wrapped(const Sentence& sentence, const QFont& font, qreal width,
                                  PlaceCache& places = PlaceCache::shared());
    // The sentence on one line of at most `width`, whole from its start and
    // cut at its end with "…" where the line runs out, as a long value is.
    static SentenceLayout cutAtEnd(const Sentence& sentence, const QFont& font, qreal width,
                                   PlaceCache& places = PlaceCache::shared());
    // Whether some of the sentence was left out or shortened.
    bool isCut() const { return cut_; }

    // The width the sentence takes uncut on one line, and the height of
    // all its lines.
    qreal idealWidth() const { return idealWidth_; }
    qreal height() const { return height_; }
    // The width of the items as laid out.
    qreal width() const;
    QSizeF size() const { return {width(), height_}; }
    const QList<Item>& items() const { return items_; }

    // The place under `point` (layout coordinates), or null.
    const Item* placeAt(const QPointF& point) const;

    // Draws the line with its top-left corner at `origin`. `provisional`
    // from 0 (settled: filled chips) to 1 (not settled yet: dashed
    // outlines); values between blend the two looks.
    void paint(QPainter& painter, const QPointF& origin, const SentenceColors& colors, qreal provisional) const;

private:
    // The same fonts and measures with no items: where the wrapped and the
    // cut layouts start from the one-line one.
    SentenceLayout withoutItems() const;

    QFont font_;
    QFont patternFont_;
    QList<Item> items_;
    qreal idealWidth_ = 0;
    qreal height_ = 0;
    qreal iconSize_ = 14;
    qreal chipHeight_ = 0;
    bool cut_ = false;
};

// A chip by itself, as the place chip widget draws it: its ideal size, and
// its drawing in `rect`.
QSizeF chipSize(const QString& name, const QFont& font);
void paintChip(QPainter& painter, const QRectF& rect, const QIcon& icon, const QString& name, const QFont& font,
               const QColor& color, qreal provisional);

}  // namespace olva::app
