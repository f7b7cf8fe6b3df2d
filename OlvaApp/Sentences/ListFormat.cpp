#include "OlvaApp/Sentences/ListFormat.h"

#include "OlvaApp/Sentences/IcuText.h"

#include <unicode/listformatter.h>
#include <unicode/locid.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olva::app {

namespace {

// Making a formatter costs far more than using one: keep one per thread for
// the locale in force.
const icu::ListFormatter* listFormatter()
{
    thread_local std::string locale;
    thread_local std::unique_ptr<icu::ListFormatter> formatter;
    const icu::Locale& current = icu::Locale::getDefault();
    if (!formatter || locale != current.getName()) {
        UErrorCode status = U_ZERO_ERROR;
        formatter.reset(icu::ListFormatter::createInstance(current, ULISTFMT_TYPE_AND, ULISTFMT_WIDTH_WIDE, status));
        if (U_FAILURE(status)) formatter.reset();
        locale = current.getName();
    }
    return formatter.get();
}

struct Span {
    int32_t start;
    int32_t limit;
    int32_t item;
};

// The formatted list of `count` one-character stand-ins and where each item
// landed in it; nothing when ICU cannot format.
std::optional<std::pair<icu::UnicodeString, std::vector<Span>>> layout(qsizetype count)
{
    const icu::ListFormatter* formatter = listFormatter();
    if (!formatter) return std::nullopt;
    std::vector<icu::UnicodeString> items(static_cast<std::size_t>(count), icu::UnicodeString(u'x'));
    UErrorCode status = U_ZERO_ERROR;
    icu::FormattedList list = formatter->formatStringsToValue(items.data(), static_cast<int32_t>(count), status);
    icu::UnicodeString text = list.toString(status);
    icu::ConstrainedFieldPosition position;
    position.constrainCategory(UFIELD_CATEGORY_LIST_SPAN);
    std::vector<Span> spans;
    while (U_SUCCESS(status) && list.nextPosition(position, status))
        spans.push_back({position.getStart(), position.getLimit(), position.getField()});
    if (U_FAILURE(status) || spans.size() != items.size()) return std::nullopt;
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    return std::make_pair(std::move(text), std::move(spans));
}

}  // namespace

Sentence joinedList(const QList<Sentence>& pieces)
{
    if (pieces.size() < 2) return pieces.isEmpty() ? Sentence() : pieces.front();
    Sentence sentence;
    auto words = [&](const QString& text) {
        if (!text.isEmpty()) sentence.append(Segment::text(text));
    };
    auto formatted = layout(pieces.size());
    if (!formatted) {
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0) words(QStringLiteral(", "));
            sentence.append(pieces[i]);
        }
        return sentence;
    }
    const auto& [text, spans] = *formatted;
    int32_t at = 0;
    for (const Span& span : spans) {
        if (span.item < 0 || span.item >= pieces.size()) continue;
        words(fromIcu(text.tempSubStringBetween(at, span.start)));
        sentence.append(pieces[span.item]);
        at = span.limit;
    }
    words(fromIcu(text.tempSubStringBetween(at)));
    return sentence;
}

QString joinedStrings(const QStringList& items)
{
    const icu::ListFormatter* formatter = listFormatter();
    if (!formatter) return items.join(QStringLiteral(", "));
    std::vector<icu::UnicodeString> unicode;
    unicode.reserve(static_cast<std::size_t>(items.size()));
    for (const QString& item : items) unicode.push_back(toIcu(item));
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString joined;
    formatter->format(unicode.data(), static_cast<int32_t>(unicode.size()), joined, status);
    if (U_FAILURE(status)) return items.join(QStringLiteral(", "));
    return fromIcu(joined);
}

}  // namespace olva::app
