#include "OlvaApp/Sentences/Segment.h"

#include "OlvaApp/Sentences/IcuText.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include "Core/Paths.h"

#include <QCoreApplication>
#include <QHashFunctions>

#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include <memory>
#include <ostream>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::Segment)
};

// The first user-perceived character of `text` upper-cased, then the rest.
QString withFirstCharacterUpper(const QString& text)
{
    const icu::Locale& locale = icu::Locale::getDefault();
    icu::UnicodeString unicode = toIcu(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(icu::BreakIterator::createCharacterInstance(locale, status));
    int32_t end = 1;
    if (U_SUCCESS(status) && characters) {
        characters->setText(unicode);
        end = characters->following(0);
        if (end == icu::BreakIterator::DONE) end = unicode.length();
    } else if (U16_IS_LEAD(unicode.charAt(0)) && unicode.length() > 1) {
        end = 2;
    }
    icu::UnicodeString first(unicode, 0, end);
    first.toUpper(locale);
    return fromIcu(first) + text.mid(end);
}

}  // namespace

size_t qHash(const Segment& segment, size_t seed) noexcept
{
    return qHashMulti(seed, static_cast<int>(segment.kind), segment.value);
}

QString placeName(const QString& path)
{
    if (path.isEmpty()) return {};
    return lastComponent(QString::fromStdString(olva::expand(path.toStdString())));
}

QString plainText(const Sentence& sentence)
{
    QString text;
    for (const Segment& segment : sentence)
        text += segment.kind == Segment::Kind::place ? placeName(segment.value) : segment.value;
    return text;
}

QString accessibilityText(const Segment& segment)
{
    if (segment.kind != Segment::Kind::place) return segment.value;
    //: A folder in a sentence, read aloud: "Invoices folder"
    return filled(Words::tr("\uE000 folder"), {placeName(segment.value)});
}

QString accessibilityText(const Sentence& sentence)
{
    QString text;
    for (const Segment& segment : sentence) text += accessibilityText(segment);
    return text;
}

QString revealActionName(const QString& path)
{
    return filled(Words::tr("Show \uE000 in File Manager"), {placeName(path)});
}

Sentence capitalizingFirstLetter(Sentence sentence)
{
    if (sentence.isEmpty() || sentence.front().kind != Segment::Kind::text || sentence.front().value.isEmpty())
        return sentence;
    sentence.front().value = withFirstCharacterUpper(sentence.front().value);
    return sentence;
}

void PrintTo(const Segment& segment, std::ostream* out)
{
    static const char* const kinds[] = {"text", "place", "pattern"};
    *out << kinds[static_cast<int>(segment.kind)] << "(\"" << segment.value.toStdString() << "\")";
}

}  // namespace olva::app
