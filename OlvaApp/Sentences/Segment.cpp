#include "OlvaApp/Sentences/Segment.h"

#include "OlvaApp/Sentences/IcuText.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include "Core/base/Paths.h"

#include <QCoreApplication>
#include <QHashFunctions>

#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include <memory>
#include <ostream>
#include <string>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::Segment)
};

// Making a break iterator costs far more than using one: keep one per
// thread for the locale in force.
icu::BreakIterator* characterBreaks(const icu::Locale& locale)
{
    thread_local std::string name;
    thread_local std::unique_ptr<icu::BreakIterator> characters;
    if (!characters || name != locale.getName()) {
        UErrorCode status = U_ZERO_ERROR;
        characters.reset(icu::BreakIterator::createCharacterInstance(locale, status));
        if (U_FAILURE(status)) characters.reset();
        name = locale.getName();
    }
    return characters.get();
}

// The first user-perceived character of `text` upper-cased, then the rest.
QString withFirstCharacterUpper(const QString& text)
{
    const icu::Locale& locale = icu::Locale::getDefault();
    icu::UnicodeString unicode = toIcu(text);
    int32_t end = unicode.moveIndex32(0, 1);
    if (icu::BreakIterator* characters = characterBreaks(locale)) {
        characters->setText(unicode);
        if (int32_t next = characters->following(0); next != icu::BreakIterator::DONE) end = next;
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
