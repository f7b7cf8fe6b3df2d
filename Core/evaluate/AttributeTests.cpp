// The single tests behind each condition: how a file's value becomes the
// text of a check, how a condition's value is read, and when each operator
// holds.
#include "Core/evaluate/Evaluator.h"

#include "Core/base/Formatting.h"
#include "Core/base/TextSearch.h"
#include "Core/base/UTF8.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>

namespace olva {

namespace {

constexpr std::size_t snippetContext = 30;

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string join(const std::vector<std::string>& items, std::string_view separator)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += separator;
        out += items[i];
    }
    return out;
}

// A fixed pattern compiled once; matchers are made per use.
class FixedPattern {
public:
    explicit FixedPattern(const char16_t* pattern)
    {
        UErrorCode status = U_ZERO_ERROR;
        UParseError error{};
        pattern_.reset(icu::RegexPattern::compile(icu::UnicodeString(pattern), 0, error, status));
        if (U_FAILURE(status)) pattern_.reset();
    }

    // The groups of a whole-text match; nothing when it does not match.
    std::optional<std::vector<std::string>> match(std::string_view text, int groups) const
    {
        if (!pattern_) return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
        std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(input, status));
        if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status)) return std::nullopt;
        std::vector<std::string> values;
        for (int i = 1; i <= groups; ++i) {
            std::string value;
            matcher->group(i, status).toUTF8String(value);
            values.push_back(std::move(value));
        }
        if (U_FAILURE(status)) return std::nullopt;
        return values;
    }

private:
    std::unique_ptr<icu::RegexPattern> pattern_;
};

bool asciiDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ASCII without carriage returns: every byte is a character and folding is
// lower-casing, so names, extensions and addresses need no Unicode work.
bool plainAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c != '\r' && static_cast<unsigned char>(c) < 0x80; });
}

bool asciiEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool testAsciiText(std::string_view text, Op op, std::string_view value)
{
    auto contains = [&] {
        if (value.empty() || value.size() > text.size()) return false;
        for (std::size_t at = 0; at + value.size() <= text.size(); ++at)
            if (asciiEqual(text.substr(at, value.size()), value)) return true;
        return false;
    };
    bool fits = !value.empty() && value.size() <= text.size();
    switch (op) {
    case Op::is: return asciiEqual(text, value);
    case Op::isNot: return !asciiEqual(text, value);
    case Op::contains: return contains();
    case Op::notContains: return !contains();
    case Op::startsWith: return fits && asciiEqual(text.substr(0, value.size()), value);
    case Op::endsWith: return fits && asciiEqual(text.substr(text.size() - value.size()), value);
    default: return false;
    }
}

struct KindWord {
    std::string_view word;
    ContentType (*type)();
};

const std::array<KindWord, 11>& kindWords()
{
    static const std::array<KindWord, 11> words = {{
        {"image", &ContentType::image},
        {"pdf", &ContentType::pdf},
        {"movie", &ContentType::movie},
        {"video", &ContentType::movie},
        {"audio", &ContentType::audio},
        {"archive", &ContentType::archive},
        {"text", &ContentType::text},
        {"application", &ContentType::application},
        {"disk image", &ContentType::diskImage},
        {"spreadsheet", &ContentType::spreadsheet},
        {"presentation", &ContentType::presentation},
    }};
    return words;
}

}  // namespace

Evaluator::Result Evaluator::test(const Condition& condition)
{
    const Op op = condition.op;
    const std::string& value = condition.value;
    switch (condition.attr) {
    case Attr::name:
    case Attr::ext:
    case Attr::source: {
        std::string text = condition.attr == Attr::name ? file.name()
            : condition.attr == Attr::ext              ? file.ext()
                                                       : join(file.source(), " ");
        // A file name need not be UTF-8; the check, which is logged as JSON,
        // must be.
        if (!isValidUTF8(text)) text = decodeUTF8Repairing(text);
        if (op == Op::matches && allows(condition.attr, op)) {
            PatternMatch match = SearchText(text).matchPattern(value);
            return {match.range.has_value(), std::move(text), std::move(match.failure)};
        }
        bool pass = allows(condition.attr, op) && testText(text, op, value);
        return {pass, std::move(text)};
    }
    case Attr::contents:
        return testContents(op, value);
    case Attr::tags: {
        bool found = false;
        for (const std::string& tag : file.tags())
            if (SearchText(tag).equals(value, Folding::caseOnly)) {
                found = true;
                break;
            }
        bool pass = (op == Op::contains || op == Op::is) ? found
            : (op == Op::notContains || op == Op::isNot) ? !found
                                                         : false;
        return {pass, detail == Detail::checks ? join(file.tags(), ", ") : std::string()};
    }
    case Attr::kind: {
        const auto& type = file.type();
        std::string actual = type ? type->identifier() : "unknown";
        if ((op != Op::is && op != Op::isNot) || !type) return {false, std::move(actual)};
        auto wanted = resolveKind(value);
        if (!wanted) return {false, std::move(actual)};
        bool conforms = type->conformsTo(*wanted);
        return {op == Op::is ? conforms : !conforms, std::move(actual)};
    }
    case Attr::size: {
        std::string actual = detail == Detail::checks ? fileSizeText(file.size()) : std::string();
        if (op != Op::gt && op != Op::lt) return {false, std::move(actual)};
        auto bytes = parseSize(value);
        if (!bytes) return {false, std::move(actual)};
        double size = static_cast<double>(file.size());
        return {op == Op::gt ? size > *bytes : size < *bytes, std::move(actual)};
    }
    case Attr::added: return testDate(file.added(), op, value);
    case Attr::created: return testDate(file.created(), op, value);
    case Attr::modified: return testDate(file.modified(), op, value);
    case Attr::opened: return testDate(file.opened(), op, value);
    }
    return {false, {}};
}

bool Evaluator::testText(std::string_view text, Op op, std::string_view value) const
{
    if (op != Op::matches && plainAscii(text) && plainAscii(value)) return testAsciiText(text, op, value);
    SearchText search(text);
    switch (op) {
    case Op::is: return search.equals(value, Folding::caseAndDiacritics);
    case Op::isNot: return !search.equals(value, Folding::caseAndDiacritics);
    case Op::contains: return search.find(value, Folding::caseAndDiacritics).has_value();
    case Op::notContains: return !search.find(value, Folding::caseAndDiacritics).has_value();
    case Op::startsWith: return search.find(value, Folding::caseAndDiacritics, Anchor::start).has_value();
    case Op::endsWith: return search.find(value, Folding::caseAndDiacritics, Anchor::end).has_value();
    case Op::matches: return search.findPattern(value).has_value();
    default: return false;
    }
}

Evaluator::Result Evaluator::testContents(Op op, std::string_view value)
{
    const std::string& text = file.contents();
    if (!contents_) contents_ = std::make_unique<SearchText>(text);
    const SearchText& search = *contents_;

    // Where the value first occurs, whatever the operator: what the check
    // shows around it.
    const bool describe = detail == Detail::checks;
    std::optional<CharacterRange> first;
    std::optional<std::string> failure;
    if (op == Op::matches) {
        PatternMatch match = search.matchPattern(value);
        first = match.range;
        failure = std::move(match.failure);
    }
    else if (describe || op == Op::contains || op == Op::notContains)
        first = search.find(value, Folding::caseAndDiacritics);

    bool pass = false;
    switch (op) {
    case Op::is: pass = search.equals(value, Folding::caseAndDiacritics); break;
    case Op::isNot: pass = !search.equals(value, Folding::caseAndDiacritics); break;
    case Op::contains:
    case Op::matches: pass = first.has_value(); break;
    case Op::notContains: pass = !first.has_value(); break;
    case Op::startsWith: pass = search.find(value, Folding::caseAndDiacritics, Anchor::start).has_value(); break;
    case Op::endsWith: pass = search.find(value, Folding::caseAndDiacritics, Anchor::end).has_value(); break;
    default: break;
    }

    if (!describe) return {pass, {}};
    if (!first)
        return {pass, "no match in " + std::to_string(search.characterCount()) + " characters", std::move(failure)};
    std::size_t begin = first->begin > snippetContext ? first->begin - snippetContext : 0;
    std::string snippet = search.characters(begin, first->end + snippetContext);
    for (char& c : snippet)
        if (c == '\n') c = ' ';
    return {pass, "…" + snippet + "…"};
}

Evaluator::Result Evaluator::testDate(const std::optional<Date>& date, Op op, std::string_view value)
{
    if (!date) return {false, "no date"};
    std::string actual = detail == Detail::checks ? dateTimeText(*date) : std::string();
    switch (op) {
    case Op::inLast:
    case Op::notInLast: {
        auto duration = parseDuration(value);
        if (!duration) return {false, std::move(actual)};
        auto moment = calendar().adding(*date, duration->second, duration->first);
        if (!moment) return {false, std::move(actual)};
        // A date still to come counts as within the last stretch of time,
        // however short.
        bool after = *moment > now;
        if (after) noteFlip(*moment);
        return {op == Op::inLast ? after : !after, std::move(actual)};
    }
    case Op::inCurrent:
    case Op::notInCurrent: {
        auto unit = parsePeriod(value);
        if (!unit) return {false, std::move(actual)};
        auto period = calendar().interval(*unit, now);
        if (!period) return {false, std::move(actual)};
        bool inside = period->contains(*date);
        if (inside) noteFlip(period->end);
        return {op == Op::inCurrent ? inside : !inside, std::move(actual)};
    }
    default:
        return {false, std::move(actual)};
    }
}

std::optional<ContentType> Evaluator::resolveKind(std::string_view value)
{
    std::string word = lowercased(value);
    for (const auto& entry : kindWords())
        if (entry.word == word) return entry.type();
    if (auto type = ContentType::named(value)) return type;
    return ContentType::forExtension(value);
}

namespace {

// Rules test the same few values against every file of a pass: each is read
// once per thread, and a bounded number are kept.
template <auto read>
auto remembered(std::string_view value)
{
    using Result = decltype(read(value));
    thread_local std::map<std::string, Result, std::less<>> known;
    if (auto found = known.find(value); found != known.end()) return found->second;
    if (known.size() >= 64) known.clear();
    return known.emplace(std::string(value), read(value)).first->second;
}

std::optional<double> readSize(std::string_view value)
{
    static const FixedPattern pattern(u"^([\\d.]+)\\s*([kKmMgG]?)[bB]?$");
    auto groups = pattern.match(trimBlanks(value), 2);
    if (!groups) return std::nullopt;
    const std::string& digits = (*groups)[0];
    // \d also takes digits of other scripts, which are no number here.
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
        return std::nullopt;
    double number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    double factor = 1;
    switch ((*groups)[1].empty() ? ' ' : (*groups)[1][0]) {
    case 'k': case 'K': factor = 1e3; break;
    case 'm': case 'M': factor = 1e6; break;
    case 'g': case 'G': factor = 1e9; break;
    default: break;
    }
    return number * factor;
}

std::optional<std::pair<std::int64_t, CalendarUnit>> readDuration(std::string_view value)
{
    static const FixedPattern pattern(u"^(\\d+)\\s*([a-zA-Z]+)$");
    auto groups = pattern.match(trimBlanks(value), 2);
    if (!groups || !asciiDigits((*groups)[0])) return std::nullopt;
    std::int64_t amount = 0;
    const std::string& digits = (*groups)[0];
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), amount);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    std::string unit = lowercased((*groups)[1]);
    static constexpr std::array<std::pair<std::string_view, CalendarUnit>, 6> prefixes = {{
        {"mi", CalendarUnit::minute},
        {"h", CalendarUnit::hour},
        {"d", CalendarUnit::day},
        {"w", CalendarUnit::week},
        {"mo", CalendarUnit::month},
        {"y", CalendarUnit::year},
    }};
    for (const auto& [prefix, calendarUnit] : prefixes)
        if (unit.starts_with(prefix)) return std::make_pair(amount, calendarUnit);
    return std::nullopt;
}

}  // namespace

std::optional<double> parseSize(std::string_view value)
{
    return remembered<readSize>(value);
}

std::optional<std::pair<std::int64_t, CalendarUnit>> parseDuration(std::string_view value)
{
    return remembered<readDuration>(value);
}

std::optional<CalendarUnit> parsePeriod(std::string_view value)
{
    std::string word = lowercased(value);
    if (word == "day") return CalendarUnit::day;
    if (word == "week") return CalendarUnit::week;
    if (word == "month") return CalendarUnit::month;
    if (word == "year") return CalendarUnit::year;
    return std::nullopt;
}

}  // namespace olva
