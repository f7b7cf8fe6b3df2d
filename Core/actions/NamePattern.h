// Name patterns: text with tokens in braces ({name}, {created:yyyy-MM},
// {date@Invoice date:dd.MM.yyyy}) that stand for facts of a file.
#pragma once

#include "Core/base/Date.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace olva {

class FileInfo;

// One token: "{" name ["@" keyword] [":" format] "}". `begin` and `end` are
// byte offsets of the braces in the pattern (end one past the "}").
struct PatternToken {
    std::string name;
    std::optional<std::string> keyword;
    std::optional<std::string> format;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The first token at or after `from`; text that does not have the token's
// form is not one.
std::optional<PatternToken> findToken(std::string_view pattern, std::size_t from = 0);

// Turns a pattern into a plain name for `file`: tokens replaced by their
// values, "/" and ":" made "-", spaces and tabs trimmed. Throws ActionError
// for an unknown token, a token without a value and an empty result.
std::string render(const std::string& pattern, FileInfo& file, Date now);

// The date for the {date} token: the first date in the file's contents, or
// with a keyword the first one after the keyword's first occurrence
// (compared ignoring case and diacritics).
std::optional<Date> contentDate(FileInfo& file, const std::optional<std::string>& keyword);

// Formats dates with a Unicode date pattern (yyyy, MM, dd, HH, mm, MMMM,
// EEE...) in a locale's language, with the Gregorian calendar, Latin digits
// and the system's time zone.
class DateFormatter {
public:
    DateFormatter(DateFormatter&&) noexcept;
    DateFormatter& operator=(DateFormatter&&) noexcept;
    ~DateFormatter();

    std::string format(Date date) const;

private:
    struct Impl;
    explicit DateFormatter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    friend DateFormatter makeDateFormatter(const std::string& format, const std::string& locale);
};

// Throws ActionError when `format` is not a date pattern.
DateFormatter makeDateFormatter(const std::string& format, const std::string& locale);

// Where `keyword` first occurs in `text`, compared ignoring case and
// diacritics: the end of the occurrence in UTF-16 code units.
std::optional<std::size_t> findKeywordEnd(const std::string& text, const std::string& keyword);

}  // namespace olva
