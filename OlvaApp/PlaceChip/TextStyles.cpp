#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QFontDatabase>
#include <QLabel>

namespace olva::app {

namespace {

QFont scaled(const QFont& base, qreal factor)
{
    QFont font = base;
    if (base.pointSizeF() > 0) font.setPointSizeF(base.pointSizeF() * factor);
    else if (base.pixelSize() > 0) font.setPixelSize(qMax(1, qRound(base.pixelSize() * factor)));
    return font;
}

}  // namespace

QFont calloutFont(const QFont& base) { return scaled(base, 12.0 / 13.0); }

QFont captionFont(const QFont& base) { return scaled(base, 10.0 / 13.0); }

QFont semiboldFont(const QFont& base)
{
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont headlineFont(const QFont& base) { return semiboldFont(base); }

QFont patternFont(const QFont& base)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (base.pointSizeF() > 0) font.setPointSizeF(base.pointSizeF());
    else if (base.pixelSize() > 0) font.setPixelSize(base.pixelSize());
    font.setWeight(base.weight());
    return font;
}

QColor secondaryTone(const QColor& color)
{
    QColor tone = color;
    tone.setAlphaF(color.alphaF() * 0.62);
    return tone;
}

QColor quaternaryTone(const QColor& color)
{
    QColor tone = color;
    tone.setAlphaF(color.alphaF() * 0.11);
    return tone;
}

QColor foreground(const QPalette& palette, bool selected)
{
    return palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
}

QString singleLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\t' || u == 0x2028 || u == 0x2029 || u == 0x0b || u == 0x0c) c = u' ';
        else if (u < 0x20) c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7f) c = QChar(char16_t(0x2421));
    }
    return line;
}

QString plainToolTip(const QString& text)
{
    if (text.isEmpty()) return {};
    // Rich text on purpose, with every character escaped: the only way to
    // keep Qt from guessing that the text is markup.
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QColor errorRed(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(0xff, 0x6b, 0x5f) : QColor(0xc0, 0x1c, 0x28);
}

QColor dryRunOrange() { return QColor(0xff, 0x95, 0x00); }

QLabel* plainLabel(const QString& text, QWidget* parent, Selectable selectable)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (selectable == Selectable::yes)
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

}  // namespace olva::app
