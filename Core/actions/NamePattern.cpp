#include "Core/actions/NamePattern.h"

#include "Core/base/ActionError.h"
#include "Core/facts/FileInfo.h"
#include "Core/base/Locale.h"

#include <unicode/coll.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/stsearch.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace olva {

// ---- tokens

std::optional<PatternToken> findToken(std::string_view pattern, std::size_t from)
{
    // The form is unambiguous, so a left-to-right scan at each "{" finds
    // exactly what the regular expression \{([a-z]+)(?:@([^:}]+))?(?::([^}]+))?\}
    // would.
    for (std::size_t open = pattern.find('{', from); open != std::string_view::npos;
         open = pattern.find('{', open + 1)) {
        std::size_t at = open + 1;
        while (at < pattern.size() && pattern[at] >= 'a' && pattern[at] <= 'z') ++at;
        if (at == open + 1 || at == pattern.size()) continue;
        PatternToken token;
        token.name = std::string(pattern.substr(open + 1, at - open - 1));
        if (pattern[at] == '@') {
            std::size_t start = ++at;
            while (at < pattern.size() && pattern[at] != ':' && pattern[at] != '}') ++at;
            if (at == start || at == pattern.size()) continue;
            token.keyword = std::string(pattern.substr(start, at - start));
        }
        if (pattern[at] == ':') {
            std::size_t start = ++at;
            while (at < pattern.size() && pattern[at] != '}') ++at;
            if (at == start || at == pattern.size()) continue;
            token.format = std::string(pattern.substr(start, at - start));
        }
        if (pattern[at] != '}') continue;
        token.begin = open;
        token.end = at + 1;
        return token;
    }
    return std::nullopt;
}

// ---- dates

struct DateFormatter::Impl {
    std::unique_ptr<icu::SimpleDateFormat> formatter;
};

DateFormatter::DateFormatter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DateFormatter::DateFormatter(DateFormatter&&) noexcept = default;
DateFormatter& DateFormatter::operator=(DateFormatter&&) noexcept = default;
DateFormatter::~DateFormatter() = default;

std::string DateFormatter::format(Date date) const
{
    icu::UnicodeString text;
    impl_->formatter->format(static_cast<UDate>(millisecondsOf(date)), text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

DateFormatter makeDateFormatter(const std::string& format, const std::string& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale base(locale.c_str());
    icu::Locale dated(base);
    dated.setKeywordValue("calendar", "gregorian", status);
    dated.setKeywordValue("numbers", "latn", status);
    status = U_ZERO_ERROR;

    auto formatter = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(format), dated, status);
    if (U_FAILURE(status)) throw ActionError("date format " + format + " is not valid");
    auto calendar = std::make_unique<icu::GregorianCalendar>(icu::TimeZone::detectHostTimeZone(), dated, status);
    if (U_FAILURE(status)) throw ActionError("date format " + format + " is not valid");
    formatter->adoptCalendar(calendar.release());
    auto impl = std::make_unique<DateFormatter::Impl>();
    impl->formatter = std::move(formatter);
    return DateFormatter(std::move(impl));
}

// ---- keyword search

std::optional<std::size_t> findKeywordEnd(const std::string& text, const std::string& keyword)
{
    if (keyword.empty() || text.empty()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return std::nullopt;
    // Primary strength: base letters only, so case and accents do not count.
    collator->setStrength(icu::Collator::PRIMARY);
    icu::UnicodeString haystack = icu::UnicodeString::fromUTF8(text);
    icu::UnicodeString needle = icu::UnicodeString::fromUTF8(keyword);
    icu::StringSearch search(needle, haystack, static_cast<icu::RuleBasedCollator*>(collator.get()), nullptr,
                             status);
    if (U_FAILURE(status)) return std::nullopt;
    int32_t start = search.first(status);
    if (U_FAILURE(status) || start == USEARCH_DONE) return std::nullopt;
    return static_cast<std::size_t>(start + search.getMatchedLength());
}

// ---- rendering

std::optional<Date> contentDate(FileInfo& file, const std::optional<std::string>& keyword)
{
    if (!keyword) {
        const auto& dates = file.contentDates();
        if (dates.empty()) return std::nullopt;
        return dates.front().date;
    }
    std::optional<std::size_t> end = findKeywordEnd(file.contents(), *keyword);
    if (!end) return std::nullopt;
    for (const ContentDate& found : file.contentDates())
        if (found.offset >= static_cast<std::int64_t>(*end)) return found.date;
    return std::nullopt;
}

std::string render(const std::string& pattern, FileInfo& file, Date now)
{
    std::string result;
    std::size_t rest = 0;
    while (std::optional<PatternToken> token = findToken(pattern, rest)) {
        result.append(pattern, rest, token->begin - rest);
        rest = token->end;
        if (token->name == "name") {
            result += file.name();
            continue;
        }
        if (token->name == "ext") {
            result += file.ext();
            continue;
        }
        std::optional<Date> date;
        if (token->name == "added") date = file.added();
        else if (token->name == "created") date = file.created();
        else if (token->name == "modified") date = file.modified();
        else if (token->name == "now") date = now;
        else if (token->name == "date") date = contentDate(file, token->keyword);
        else throw ActionError("unknown token {" + token->name + "}");
        if (!date)
            throw ActionError("no value for {" + token->name + "} in " + file.url().filename().string());
        result += makeDateFormatter(token->format.value_or("yyyy-MM-dd"), currentLocale()).format(*date);
    }
    result.append(pattern, rest, std::string::npos);

    std::replace(result.begin(), result.end(), '/', '-');
    std::replace(result.begin(), result.end(), ':', '-');
    std::size_t first = result.find_first_not_of(" \t");
    if (first == std::string::npos) throw ActionError("pattern " + pattern + " rendered empty");
    std::size_t last = result.find_last_not_of(" \t");
    return result.substr(first, last - first + 1);
}

}  // namespace olva
