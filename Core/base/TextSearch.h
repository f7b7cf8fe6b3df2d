// Comparing and searching text the way conditions do: by user-perceived
// characters (grapheme clusters), ignoring case and, where asked, diacritics;
// regular expressions in ICU's syntax, case-insensitive, under a time limit.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace olva {

enum class Folding {
    caseAndDiacritics,  // "Réport" equals "report"
    caseOnly,           // "Réport" equals "RÉPORT" but not "report"
};

enum class Anchor { none, start, end };

// Characters [begin, end) of a text.
struct CharacterRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    friend bool operator==(const CharacterRange&, const CharacterRange&) = default;
};

// How long a regular expression may run: ICU's match steps, each roughly a
// millisecond's work.
inline constexpr int patternTimeLimit = 2000;

// Why a regular expression does not compile, as a sentence ("the regular
// expression “([” doesn't compile: a [ is not closed"), or nothing when it
// compiles. The empty pattern compiles, and finds nothing.
std::optional<std::string> patternError(std::string_view pattern);

// What a search for a regular expression found, or why it could not tell.
struct PatternMatch {
    std::optional<CharacterRange> range;
    // The pattern does not compile, or ran past the time limit: there is
    // no match, and this says which.
    std::optional<std::string> failure;
};

// A text split into characters once, so that several tests on it share the
// work. Invalid UTF-8 reads as U+FFFD.
class SearchText {
public:
    explicit SearchText(std::string_view utf8);
    ~SearchText();
    SearchText(const SearchText&) = delete;
    SearchText& operator=(const SearchText&) = delete;

    std::size_t characterCount() const;
    // The characters [begin, end) as UTF-8.
    std::string characters(std::size_t begin, std::size_t end) const;

    bool equals(std::string_view value, Folding folding) const;
    // The first place where the value occurs, whole characters only. An
    // empty value is never found.
    std::optional<CharacterRange> find(std::string_view value, Folding folding, Anchor anchor = Anchor::none) const;
    // The first match of a case-insensitive regular expression anywhere in
    // the text. Nothing for an empty or invalid pattern, or one that runs
    // past the time limit; the last two say so.
    PatternMatch matchPattern(std::string_view pattern) const;
    std::optional<CharacterRange> findPattern(std::string_view pattern) const { return matchPattern(pattern).range; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace olva
