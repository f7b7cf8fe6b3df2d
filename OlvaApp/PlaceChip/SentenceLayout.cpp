#include "OlvaApp/PlaceChip/SentenceLayout.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace olva::app {

namespace {

// A chip's insets around its icon and name, and the gap between them.
constexpr qreal kChipPadX = 5;
constexpr qreal kChipPadY = 1;
constexpr qreal kChipSpacing = 4;
constexpr qreal kChipRadius = 5;

qreal iconSizeFor(const QFontMetricsF& metrics) { return std::round(metrics.height() * 0.875); }

qreal chipChrome(qreal iconSize) { return 2 * kChipPadX + iconSize + kChipSpacing; }

// Gives `space` to items that each want `ideal[i]` and need `least[i]`:
// every item gets the same share until it has what it wants, and the
// leftover goes to the others.
std::vector<qreal> shareOut(const std::vector<qreal>& ideal, const std::vector<qreal>& least, qreal space)
{
    const std::size_t n = ideal.size();
    std::vector<qreal> given(n);
    for (std::size_t i = 0; i < n; ++i) given[i] = std::min(ideal[i], least[i]);
    space -= std::accumulate(given.begin(), given.end(), 0.0);
    if (space <= 0) return given;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return ideal[a] - given[a] < ideal[b] - given[b]; });
    std::size_t left = n;
    for (std::size_t i : order) {
        const qreal want = ideal[i] - given[i];
        const qreal share = space / static_cast<qreal>(left--);
        const qreal extra = std::min(want, share);
        given[i] += extra;
        space -= extra;
    }
    return given;
}

void paintChipShape(QPainter& painter, const QRectF& rect, const QColor& color, qreal provisional)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (provisional < 1) {
        QColor fill = quaternaryTone(color);
        fill.setAlphaF(fill.alphaF() * (1 - provisional));
        QPainterPath shape;
        shape.addRoundedRect(rect, kChipRadius, kChipRadius);
        painter.fillPath(shape, fill);
    }
    if (provisional > 0) {
        QColor line = secondaryTone(color);
        line.setAlphaF(line.alphaF() * provisional);
        QPen pen(line, 1.0, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setDashPattern({3, 2});
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // Inside the edge: the line is inset by half its width.
        painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), kChipRadius - 0.5, kChipRadius - 0.5);
    }
    painter.restore();
}

void paintChipContent(QPainter& painter, const QRectF& rect, const QIcon& icon, const QString& name,
                      const QFont& font, const QColor& color, qreal iconSize)
{
    const QRectF iconRect(rect.left() + kChipPadX, rect.center().y() - iconSize / 2, iconSize, iconSize);
    icon.paint(&painter, iconRect.toAlignedRect());
    const QRectF nameRect(iconRect.right() + kChipSpacing, rect.top(),
                          rect.right() - kChipPadX - iconRect.right() - kChipSpacing, rect.height());
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
}

}  // namespace

SentenceLayout::SentenceLayout(const Sentence& sentence, const QFont& font, qreal maxWidth, PlaceCache& places)
    : font_(font), patternFont_(patternFont(font))
{
    const QFontMetricsF words(font_);
    const QFontMetricsF patterns(patternFont_);
    iconSize_ = iconSizeFor(words);
    const qreal chipHeight = std::max(iconSize_, words.height()) + 2 * kChipPadY;
    chipHeight_ = chipHeight;
    height_ = std::ceil(std::max({words.height(), patterns.height(), chipHeight}));

    // Ideal widths, and the least each item may shrink to.
    std::vector<qreal> ideal, least;
    QList<QString> full;
    for (qsizetype i = 0; i < sentence.size(); ++i) {
        const Segment& segment = sentence[i];
        Item item;
        item.kind = segment.kind;
        item.segment = i;
        QString shown;
        qreal want = 0, need = 0;
        switch (segment.kind) {
        case Segment::Kind::text: {
            shown = singleLine(segment.value);
            want = words.horizontalAdvance(shown);
            // The opening word of the sentence says what kind of sentence
            // it is ("Would …", "Couldn’t …"): it is not cut.
            QString least = QStringLiteral("…");
            if (i == 0) {
                const qsizetype space = shown.indexOf(u' ', 1);
                least = (space < 0 ? shown : shown.left(space)) + least;
            }
            need = std::min(want, words.horizontalAdvance(least));
            break;
        }
        case Segment::Kind::pattern:
            shown = singleLine(segment.value);
            want = patterns.horizontalAdvance(shown);
            need = std::min(want, patterns.horizontalAdvance(QStringLiteral("…")));
            break;
        case Segment::Kind::place: {
            item.path = segment.value;
            const Place& place = places.lookup(expandedPlace(segment.value));
            item.icon = place.icon;
            item.exists = place.exists;
            shown = singleLine(placeName(segment.value));
            want = chipChrome(iconSize_) + words.horizontalAdvance(shown);
            need = chipChrome(iconSize_);
            break;
        }
        }
        want = std::ceil(want);
        item.shown = shown;
        full.push_back(shown);
        ideal.push_back(want);
        least.push_back(std::ceil(need));
        items_.push_back(std::move(item));
    }
    idealWidth_ = std::accumulate(ideal.begin(), ideal.end(), 0.0);

    std::vector<qreal> widths = ideal;
    if (maxWidth >= 0 && idealWidth_ > maxWidth) {
        // Three ranks: words before a chip keep their width; other words and
        // patterns give way first; chips after them.
        auto rank = [&](qsizetype i) {
            if (items_[i].kind == Segment::Kind::place) return 1;
            if (items_[i].kind == Segment::Kind::text && i + 1 < items_.size()
                && items_[i + 1].kind == Segment::Kind::place)
                return 2;
            return 0;
        };
        qreal space = maxWidth;
        for (qsizetype i = 0; i < items_.size(); ++i)
            if (rank(i) == 2) space -= ideal[i];
        std::vector<qsizetype> flexible, chips;
        qreal chipsIdeal = 0;
        for (qsizetype i = 0; i < items_.size(); ++i) {
            if (rank(i) == 0) flexible.push_back(i);
            if (rank(i) == 1) {
                chips.push_back(i);
                chipsIdeal += ideal[i];
            }
        }
        auto give = [&](const std::vector<qsizetype>& which, qreal room) {
            std::vector<qreal> want, need;
            for (qsizetype i : which) {
                want.push_back(ideal[i]);
                need.push_back(least[i]);
            }
            auto given = shareOut(want, need, room);
            for (std::size_t k = 0; k < which.size(); ++k) widths[which[k]] = given[k];
        };
        qreal flexibleLeast = 0;
        for (qsizetype i : flexible) flexibleLeast += least[i];
        if (space - chipsIdeal >= flexibleLeast) {
            give(flexible, space - chipsIdeal);
        } else {
            for (qsizetype i : flexible) widths[i] = least[i];
            give(chips, space - flexibleLeast);
        }
    }

    qreal x = 0;
    for (qsizetype i = 0; i < items_.size(); ++i) {
        Item& item = items_[i];
        const qreal w = widths[i];
        if (item.kind == Segment::Kind::place) {
            const qreal top = (height_ - chipHeight) / 2;
            item.rect = QRectF(x, top, w, chipHeight);
            if (w < ideal[i]) item.shown = words.elidedText(full[i], Qt::ElideMiddle, w - chipChrome(iconSize_));
        } else {
            item.rect = QRectF(x, 0, w, height_);
            if (w < ideal[i]) {
                item.shown = item.kind == Segment::Kind::pattern
                                 ? patterns.elidedText(full[i], Qt::ElideMiddle, w)
                                 : words.elidedText(full[i], Qt::ElideRight, w);
            }
        }
        x += w;
    }
}

SentenceLayout SentenceLayout::wrapped(const Sentence& sentence, const QFont& font, qreal width, PlaceCache& places)
{
    // The one-line layout knows every item's whole width and the line's
    // height; the items are then set on lines, words broken after spaces.
    const SentenceLayout line(sentence, font, -1, places);
    SentenceLayout result = line.withoutItems();
    const qreal lineHeight = line.height_;
    const QFontMetricsF words(line.font_);
    const QFontMetricsF patterns(line.patternFont_);
    width = std::max<qreal>(width, 1);

    qreal x = 0;
    int row = 0;
    auto newLine = [&] {
        x = 0;
        ++row;
    };
    // Puts an item of width `w` at the pen, on a new line when it does not
    // fit (`fits` is its width without a trailing space).
    auto put = [&](Item item, qreal w, qreal fits) {
        if (x > 0 && x + fits > width) newLine();
        const qreal top = row * lineHeight;
        if (item.kind == Segment::Kind::place)
            item.rect = QRectF(x, top + (lineHeight - result.chipHeight_) / 2, w, result.chipHeight_);
        else
            item.rect = QRectF(x, top, w, lineHeight);
        // Runs of one segment's words on one line are drawn as one.
        if (!result.items_.isEmpty()) {
            Item& last = result.items_.back();
            if (item.kind == Segment::Kind::text && last.kind == Segment::Kind::text && last.segment == item.segment
                && qFuzzyCompare(last.rect.top(), item.rect.top())) {
                last.shown += item.shown;
                last.rect.setRight(item.rect.right());
                x = item.rect.right();
                return;
            }
        }
        x = item.rect.right();
        result.items_.push_back(std::move(item));
    };

    for (const Item& whole : line.items_) {
        if (whole.kind == Segment::Kind::place) {
            Item chip = whole;
            qreal w = whole.rect.width();
            if (w > width) {
                w = width;
                chip.shown = words.elidedText(whole.shown, Qt::ElideMiddle, w - chipChrome(result.iconSize_));
            }
            put(chip, w, w);
            continue;
        }
        if (whole.kind == Segment::Kind::pattern) {
            Item pattern = whole;
            qreal w = whole.rect.width();
            if (w > width) {
                w = width;
                pattern.shown = patterns.elidedText(whole.shown, Qt::ElideMiddle, w);
            }
            put(pattern, w, w);
            continue;
        }
        // Words: each with the spaces after it, which may hang past the edge.
        const QString& text = whole.shown;
        qsizetype at = 0;
        while (at < text.size()) {
            qsizetype end = at;
            while (end < text.size() && text[end] != u' ') ++end;
            const qsizetype wordEnd = end;
            while (end < text.size() && text[end] == u' ') ++end;
            QString word = text.mid(at, wordEnd - at);
            const QString spaces = text.mid(wordEnd, end - wordEnd);
            at = end;
            // A word longer than a line is broken where the line ends.
            while (words.horizontalAdvance(word) > width && word.size() > 1) {
                if (x > 0) newLine();
                qsizetype fit = 1;
                while (fit < word.size() && words.horizontalAdvance(word.left(fit + 1)) <= width) ++fit;
                Item piece = whole;
                piece.shown = word.left(fit);
                put(piece, words.horizontalAdvance(piece.shown), words.horizontalAdvance(piece.shown));
                word = word.mid(fit);
                newLine();
            }
            Item piece = whole;
            piece.shown = word + spaces;
            put(piece, words.horizontalAdvance(piece.shown), words.horizontalAdvance(word));
        }
    }
    result.height_ = result.items_.isEmpty() ? lineHeight : (row + 1) * lineHeight;
    return result;
}

SentenceLayout SentenceLayout::cutAtEnd(const Sentence& sentence, const QFont& font, qreal width, PlaceCache& places)
{
    SentenceLayout line(sentence, font, -1, places);
    if (line.idealWidth_ <= width) return line;
    SentenceLayout result = line.withoutItems();
    result.cut_ = true;
    const QFontMetricsF words(line.font_);
    const QFontMetricsF patterns(line.patternFont_);
    const QString ellipsis = QStringLiteral("…");
    const qreal ellipsisWidth = std::ceil(words.horizontalAdvance(ellipsis));

    qreal x = 0;
    auto ending = [&](qsizetype segment) {
        Item dots;
        dots.kind = Segment::Kind::text;
        dots.segment = segment;
        dots.shown = ellipsis;
        dots.rect = QRectF(x, 0, ellipsisWidth, result.height_);
        result.items_.push_back(dots);
    };
    for (qsizetype i = 0; i < line.items_.size(); ++i) {
        const Item& whole = line.items_[i];
        const qreal w = whole.rect.width();
        const bool last = i + 1 == line.items_.size();
        // Whole while it leaves room for the "…" that ends the line, if
        // anything follows it.
        if (x + w + (last ? 0 : ellipsisWidth) <= width) {
            Item kept = whole;
            kept.rect.moveLeft(x);
            result.items_.push_back(kept);
            x += w;
            continue;
        }
        const qreal room = width - x;
        Item cut = whole;
        if (whole.kind == Segment::Kind::place) {
            // A chip keeps at least a few letters of its name, or goes.
            // (the last item's shortened name says it was cut by itself)
            const qreal nameRoom = room - (last ? 0 : ellipsisWidth) - chipChrome(result.iconSize_);
            const bool kept = nameRoom >= words.averageCharWidth() * 3;
            if (kept) {
                cut.shown = words.elidedText(whole.shown, Qt::ElideMiddle, nameRoom);
                cut.rect = QRectF(x, whole.rect.top(), chipChrome(result.iconSize_) + nameRoom, whole.rect.height());
                result.items_.push_back(cut);
                x = cut.rect.right();
            }
            if ((!kept || !last) && width - x >= ellipsisWidth) ending(whole.segment);
        } else {
            const QFontMetricsF& metrics = whole.kind == Segment::Kind::pattern ? patterns : words;
            cut.shown = metrics.elidedText(whole.shown, Qt::ElideRight, std::max<qreal>(room, 0));
            // What is left of it says nothing (", …"): the "…" alone.
            QString kept = cut.shown;
            if (kept.endsWith(ellipsis)) kept.chop(ellipsis.size());
            if (std::none_of(kept.begin(), kept.end(), [](QChar c) { return c.isLetterOrNumber(); }))
                cut.shown = room >= ellipsisWidth ? ellipsis : QString();
            if (!cut.shown.isEmpty()) {
                cut.rect = QRectF(x, 0, std::ceil(metrics.horizontalAdvance(cut.shown)), result.height_);
                result.items_.push_back(cut);
            }
        }
        break;
    }
    return result;
}

SentenceLayout SentenceLayout::withoutItems() const
{
    SentenceLayout empty = *this;
    empty.items_.clear();
    return empty;
}

qreal SentenceLayout::width() const
{
    qreal right = 0;
    for (const Item& item : items_) right = std::max(right, item.rect.right());
    return right;
}

const SentenceLayout::Item* SentenceLayout::placeAt(const QPointF& point) const
{
    for (const Item& item : items_)
        if (item.kind == Segment::Kind::place && item.rect.contains(point)) return &item;
    return nullptr;
}

void SentenceLayout::paint(QPainter& painter, const QPointF& origin, const SentenceColors& colors,
                           qreal provisional) const
{
    painter.save();
    painter.translate(origin);
    for (const Item& item : items_) {
        switch (item.kind) {
        case Segment::Kind::text:
        case Segment::Kind::pattern:
            painter.setFont(item.kind == Segment::Kind::pattern ? patternFont_ : font_);
            painter.setPen(colors.words);
            painter.drawText(item.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.shown);
            break;
        case Segment::Kind::place:
            paintChipShape(painter, item.rect, colors.chip, provisional);
            paintChipContent(painter, item.rect, item.icon, item.shown, font_, colors.chip, iconSize_);
            break;
        }
    }
    painter.restore();
}

QSizeF chipSize(const QString& name, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal iconSize = iconSizeFor(metrics);
    return {std::ceil(chipChrome(iconSize) + metrics.horizontalAdvance(singleLine(name))),
            std::ceil(std::max(iconSize, metrics.height()) + 2 * kChipPadY)};
}

void paintChip(QPainter& painter, const QRectF& rect, const QIcon& icon, const QString& name, const QFont& font,
               const QColor& color, qreal provisional)
{
    const QFontMetricsF metrics(font);
    const qreal iconSize = iconSizeFor(metrics);
    const QString line = singleLine(name);
    const qreal room = rect.width() - chipChrome(iconSize);
    const QString shown = metrics.horizontalAdvance(line) > room ? metrics.elidedText(line, Qt::ElideMiddle, room) : line;
    paintChipShape(painter, rect, color, provisional);
    paintChipContent(painter, rect, icon, shown, font, color, iconSize);
}

}  // namespace olva::app
