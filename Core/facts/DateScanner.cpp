#include "Core/facts/DateScanner.h"

#include "Core/base/Locale.h"

#include <unicode/brkiter.h>
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/regex.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace olva {

namespace {

constexpr int32_t window = 50'000;

enum class Order { dayMonthYear, monthDayYear, yearMonthDay };

// The order of day, month and year in the locale's short numeric dates.
Order numericOrder(const icu::Locale& locale)
{
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
    if (!simple) return Order::monthDayYear;
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    int32_t day = -1, month = -1, year = -1;
    bool quoted = false;
    for (int32_t i = 0; i < pattern.length(); ++i) {
        char16_t c = pattern.charAt(i);
        if (c == u'\'') quoted = !quoted;
        if (quoted) continue;
        if (c == u'd' && day < 0) day = i;
        if ((c == u'M' || c == u'L') && month < 0) month = i;
        if ((c == u'y' || c == u'Y' || c == u'u') && year < 0) year = i;
    }
    if (year >= 0 && year < month && year < day) return Order::yearMonthDay;
    if (day >= 0 && month >= 0 && day < month) return Order::dayMonthYear;
    return Order::monthDayYear;
}

icu::UnicodeString lower(icu::UnicodeString text)
{
    text.foldCase();
    return text;
}

// Month names of English and of the locale, full and abbreviated, without a
// final dot, each with its month number.
std::map<icu::UnicodeString, int> monthNames(const icu::Locale& locale)
{
    std::map<icu::UnicodeString, int> names;
    for (const icu::Locale& which : {icu::Locale::getEnglish(), locale}) {
        UErrorCode status = U_ZERO_ERROR;
        icu::DateFormatSymbols symbols(which, status);
        if (U_FAILURE(status)) continue;
        for (auto context : {icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::STANDALONE})
            for (auto width : {icu::DateFormatSymbols::WIDE, icu::DateFormatSymbols::ABBREVIATED}) {
                int32_t count = 0;
                const icu::UnicodeString* months = symbols.getMonths(count, context, width);
                for (int32_t i = 0; i < count && i < 12; ++i) {
                    icu::UnicodeString name = months[i];
                    name.trim();
                    if (name.endsWith(u".")) name.truncate(name.length() - 1);
                    // A name made of digits ("1月") is no word to look for.
                    if (name.length() < 3) continue;
                    names.emplace(lower(name), i + 1);
                }
            }
    }
    names.emplace(u"sept", 9);
    return names;
}

struct Patterns {
    Order order;
    std::map<icu::UnicodeString, int> months;
    std::unique_ptr<icu::RegexPattern> yearFirst;
    std::unique_ptr<icu::RegexPattern> numeric;
    std::unique_ptr<icu::RegexPattern> monthFirst;
    std::unique_ptr<icu::RegexPattern> dayFirst;
};

std::unique_ptr<icu::RegexPattern> compile(const icu::UnicodeString& pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError error{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(pattern, UREGEX_CASE_INSENSITIVE, error, status));
    return U_SUCCESS(status) ? std::move(compiled) : nullptr;
}

std::shared_ptr<const Patterns> patternsFor(const icu::Locale& locale)
{
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const Patterns>> cache;
    std::lock_guard lock(mutex);
    auto& slot = cache[locale.getName()];
    if (slot) return slot;

    auto patterns = std::make_shared<Patterns>();
    patterns->order = numericOrder(locale);
    patterns->months = monthNames(locale);
    std::vector<icu::UnicodeString> names;
    for (const auto& [name, month] : patterns->months) names.push_back(name);
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return a.length() > b.length(); });
    icu::UnicodeString alternatives;
    for (const auto& name : names) {
        if (!alternatives.isEmpty()) alternatives += u"|";
        alternatives += u"\\Q" + name + u"\\E";
    }
    icu::UnicodeString month = u"(" + alternatives + u")";
    patterns->yearFirst = compile(u"(?<!\\d)(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})(?!\\d)");
    patterns->numeric = compile(u"(?<![\\d.])(\\d{1,2})([-/.])(\\d{1,2})\\2(\\d{4}|\\d{2})(?!\\d)");
    patterns->monthFirst = compile(u"\\b" + month + u"\\.?\\s+(\\d{1,2})(?:st|nd|rd|th)?(?!\\d),?\\s+(\\d{4})(?!\\d)");
    patterns->dayFirst =
        compile(u"(?<!\\d)(\\d{1,2})(?:st|nd|rd|th|\\.)?\\s+(?:of\\s+)?" + month + u"\\.?,?\\s+(\\d{4})(?!\\d)");
    slot = patterns;
    return slot;
}

struct Found {
    int32_t start;
    int32_t end;
    Date date;
};

int number(const icu::UnicodeString& digits)
{
    int value = 0;
    for (int32_t i = 0; i < digits.length(); ++i) {
        char16_t c = digits.charAt(i);
        if (c < u'0' || c > u'9') return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Noon of that day in the user's time zone, so that the day stays the same
// wherever the date is shown; nothing for a day that does not exist.
std::optional<Date> dayAt(int year, int month, int day, const icu::Calendar& prototype)
{
    if (year < 1 || month < 1 || month > 12 || day < 1) return std::nullopt;
    std::unique_ptr<icu::Calendar> calendar(prototype.clone());
    calendar->clear();
    calendar->set(year, month - 1, 1, 12, 0, 0);
    UErrorCode status = U_ZERO_ERROR;
    if (day > calendar->getActualMaximum(UCAL_DATE, status) || U_FAILURE(status)) return std::nullopt;
    calendar->set(UCAL_DATE, day);
    UDate moment = calendar->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return dateFromMilliseconds(moment);
}

int fullYear(const icu::UnicodeString& digits, int currentYear)
{
    int year = number(digits);
    if (digits.length() != 2 || year < 0) return year;
    // Two digits: the century that puts the year at most 20 years ahead.
    int candidate = currentYear / 100 * 100 + year;
    return candidate > currentYear + 20 ? candidate - 100 : candidate;
}

using Reader = std::optional<Date> (*)(const icu::RegexMatcher&, const Patterns&, const icu::Calendar&, int);

void collect(const icu::RegexPattern* pattern, const icu::UnicodeString& text, const Patterns& patterns,
             const icu::Calendar& calendar, int currentYear, Reader read, std::vector<Found>& found)
{
    if (!pattern) return;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
    if (U_FAILURE(status)) return;
    int32_t from = 0;
    while (from <= text.length() && matcher->find(from, status) && U_SUCCESS(status)) {
        int32_t start = matcher->start(status);
        int32_t end = matcher->end(status);
        if (auto date = read(*matcher, patterns, calendar, currentYear)) found.push_back({start, end, *date});
        // Overlapping candidates are sorted out later; look again one further.
        from = start + 1;
    }
}

icu::UnicodeString group(const icu::RegexMatcher& matcher, int index)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text = matcher.group(index, status);
    return U_SUCCESS(status) ? text : icu::UnicodeString();
}

int monthNumber(const icu::UnicodeString& word, const Patterns& patterns)
{
    auto found = patterns.months.find(lower(word));
    return found == patterns.months.end() ? -1 : found->second;
}

}  // namespace

std::vector<ContentDate> scanDates(std::string_view utf8)
{
    icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(std::min<std::size_t>(utf8.size(), INT32_MAX))));
    if (text.length() > window) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_SUCCESS(status)) {
            it->setText(text);
            it->first();
            int32_t end = it->next(window);
            if (end != icu::BreakIterator::DONE) text.truncate(end);
        }
    }

    const icu::Locale locale(currentLocale().c_str());
    auto patterns = patternsFor(locale);
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(status);
    if (U_FAILURE(status)) return {};
    int currentYear = calendar.get(UCAL_YEAR, status);

    std::vector<Found> found;
    collect(patterns->yearFirst.get(), text, *patterns, calendar, currentYear,
            [](const icu::RegexMatcher& m, const Patterns&, const icu::Calendar& c, int) {
                return dayAt(number(group(m, 1)), number(group(m, 3)), number(group(m, 4)), c);
            },
            found);
    if (patterns->order != Order::yearMonthDay)
        collect(patterns->numeric.get(), text, *patterns, calendar, currentYear,
                [](const icu::RegexMatcher& m, const Patterns& p, const icu::Calendar& c, int year) {
                    int first = number(group(m, 1)), second = number(group(m, 3));
                    int y = fullYear(group(m, 4), year);
                    return p.order == Order::dayMonthYear ? dayAt(y, second, first, c) : dayAt(y, first, second, c);
                },
                found);
    collect(patterns->monthFirst.get(), text, *patterns, calendar, currentYear,
            [](const icu::RegexMatcher& m, const Patterns& p, const icu::Calendar& c, int) {
                return dayAt(number(group(m, 3)), monthNumber(group(m, 1), p), number(group(m, 2)), c);
            },
            found);
    collect(patterns->dayFirst.get(), text, *patterns, calendar, currentYear,
            [](const icu::RegexMatcher& m, const Patterns& p, const icu::Calendar& c, int) {
                return dayAt(number(group(m, 3)), monthNumber(group(m, 2), p), number(group(m, 1)), c);
            },
            found);

    // In text order; where candidates overlap, the one that starts first
    // (then the longer one) wins.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    std::vector<ContentDate> dates;
    int32_t taken = 0;
    for (const Found& item : found) {
        if (item.start < taken) continue;
        std::string words;
        text.tempSubStringBetween(item.start, item.end).toUTF8String(words);
        dates.push_back({item.date, std::move(words), item.start});
        taken = item.end;
    }
    return dates;
}

}  // namespace olva
