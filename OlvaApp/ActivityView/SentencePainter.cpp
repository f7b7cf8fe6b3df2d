#include "OlvaApp/ActivityView/SentencePainter.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>

namespace olva::app {

namespace {

constexpr int chipIcon = 14;
constexpr int chipPadding = 5;
constexpr int chipSpacing = 4;

QFont patternFont(const QFont& font)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() : fixed.pointSizeF());
    return fixed;
}

QIcon folderIcon()
{
    static const QIcon icon = [] {
        QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
        if (folder.isNull()) folder = QIcon::fromTheme(QStringLiteral("folder-symbolic"));
        return folder;
    }();
    return icon;
}

int chipWidth(const QString& name, const QFontMetrics& metrics)
{
    // A pixel to spare: elision measures finer than the advance rounds.
    return chipPadding + chipIcon + chipSpacing + metrics.horizontalAdvance(name) + 1 + chipPadding;
}

void paintChip(QPainter& painter, const QRect& rect, const QString& name, const SentenceStyle& style)
{
    const QFontMetrics metrics(style.font);
    QColor ink = style.text;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (style.provisional) {
        QColor stroke = ink;
        stroke.setAlphaF(0.55);
        QPen pen(stroke, 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setDashPattern({3, 2});
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
    } else {
        QColor fill = ink;
        fill.setAlphaF(style.selected ? 0.22 : 0.10);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
    }
    painter.drawRoundedRect(frame, 5, 5);
    painter.restore();

    const QRect iconRect(rect.left() + chipPadding, rect.center().y() - chipIcon / 2 + 1, chipIcon, chipIcon);
    folderIcon().paint(&painter, iconRect);
    const QRect textRect(iconRect.right() + 1 + chipSpacing, rect.top(),
                         rect.right() - chipPadding - iconRect.right() - chipSpacing, rect.height());
    painter.setPen(ink);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(name, Qt::ElideMiddle, textRect.width()));
}

}  // namespace

int sentenceHeight(const QFontMetrics& metrics) { return std::max(metrics.height(), chipIcon) + 2; }

int sentenceWidth(const Sentence& sentence, const QFont& font)
{
    const QFontMetrics metrics(font);
    const QFontMetrics fixed(patternFont(font));
    int width = 0;
    for (const Segment& segment : sentence) {
        switch (segment.kind) {
        case Segment::Kind::text: width += metrics.horizontalAdvance(segment.value); break;
        case Segment::Kind::pattern: width += fixed.horizontalAdvance(segment.value); break;
        case Segment::Kind::place: width += chipWidth(placeName(segment.value), metrics); break;
        }
    }
    return width;
}

void paintSentence(QPainter& painter, const QRect& rect, const Sentence& sentence, const SentenceStyle& style)
{
    const QFontMetrics metrics(style.font);
    const QFont fixedFont = patternFont(style.font);
    const QFontMetrics fixed(fixedFont);
    const int height = sentenceHeight(metrics);
    const QRect line(rect.left(), rect.center().y() - height / 2 + 1, rect.width(), height);

    painter.save();
    painter.setClipRect(rect);
    int x = line.left();
    for (const Segment& segment : sentence) {
        const int room = line.right() + 1 - x;
        if (room <= 0) break;
        switch (segment.kind) {
        case Segment::Kind::text:
        case Segment::Kind::pattern: {
            const bool isPattern = segment.kind == Segment::Kind::pattern;
            const QFontMetrics& m = isPattern ? fixed : metrics;
            painter.setFont(isPattern ? fixedFont : style.font);
            painter.setPen(style.text);
            const int width = m.horizontalAdvance(segment.value);
            const QString shown = width <= room
                ? segment.value
                : m.elidedText(segment.value, isPattern ? Qt::ElideMiddle : Qt::ElideRight, room);
            painter.drawText(QRect(x, line.top(), room, line.height()), Qt::AlignVCenter | Qt::AlignLeft, shown);
            x += std::min(width, room);
            break;
        }
        case Segment::Kind::place: {
            painter.setFont(style.font);
            const QString name = placeName(segment.value);
            const int width = std::min(chipWidth(name, metrics), room);
            paintChip(painter, QRect(x, line.top(), width, line.height()), name, style);
            x += width;
            break;
        }
        }
    }
    painter.restore();
}

}  // namespace olva::app
