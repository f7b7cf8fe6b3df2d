#include "OlvaApp/Sentences/SentenceTemplate.h"


namespace olva::app {

namespace {

// The private-use ranges markers are taken from, in order.
struct MarkerRange {
    char32_t first;
    char32_t last;
};
constexpr MarkerRange kMarkerRanges[] = {{0xE000, 0xF8FF}, {0xF0000, 0xFFFFD}, {0x100000, 0x10FFFD}};

// Walks the template, handing each run of plain characters and each marker
// that has a piece to the callbacks.
template <typename Text, typename Marker>
void walk(const QString& localizedTemplate, qsizetype pieceCount, Text&& text, Marker&& marker)
{
    QString run;
    const QChar* units = localizedTemplate.constData();
    const qsizetype size = localizedTemplate.size();
    for (qsizetype at = 0; at < size;) {
        qsizetype length = 1;
        char32_t character = units[at].unicode();
        if (units[at].isHighSurrogate() && at + 1 < size && units[at + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(units[at], units[at + 1]);
            length = 2;
        }
        qsizetype index = markerIndex(character);
        if (index >= 0 && index < pieceCount) {
            text(run);
            run.clear();
            marker(index);
        } else {
            run.append(units + at, length);
        }
        at += length;
    }
    text(run);
}

}  // namespace

QString sentenceMarker(qsizetype n)
{
    if (n < 0) return {};
    for (const MarkerRange& range : kMarkerRanges) {
        qsizetype size = static_cast<qsizetype>(range.last - range.first) + 1;
        if (n < size) {
            char32_t character = range.first + static_cast<char32_t>(n);
            return QString::fromUcs4(&character, 1);
        }
        n -= size;
    }
    return {};
}

qsizetype markerIndex(char32_t character)
{
    qsizetype before = 0;
    for (const MarkerRange& range : kMarkerRanges) {
        if (character >= range.first && character <= range.last) return before + (character - range.first);
        before += static_cast<qsizetype>(range.last - range.first) + 1;
    }
    return -1;
}

Sentence segments(const QString& localizedTemplate, const QList<Piece>& pieces)
{
    Sentence sentence;
    // Words of a text piece join the template's words around them, so the
    // sentence reads as one text where it is one.
    QString words;
    auto flush = [&] {
        if (!words.isEmpty()) sentence.append(Segment::text(words));
        words.clear();
    };
    walk(
        localizedTemplate, pieces.size(), [&](const QString& run) { words += run; },
        [&](qsizetype index) {
            const Piece& piece = pieces[index];
            if (const QString* text = std::get_if<QString>(&piece)) {
                words += *text;
            } else {
                flush();
                sentence.append(std::get<Sentence>(piece));
            }
        });
    flush();
    return sentence;
}

QString filled(const QString& localizedTemplate, const QStringList& texts)
{
    QString result;
    walk(
        localizedTemplate, texts.size(), [&](const QString& run) { result += run; },
        [&](qsizetype index) { result += texts[index]; });
    return result;
}

}  // namespace olva::app
