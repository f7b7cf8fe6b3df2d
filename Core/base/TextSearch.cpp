#include "Core/base/TextSearch.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <vector>

namespace olva {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-16 offsets where each character starts, plus the end of the text.
std::vector<int32_t> characterStarts(const icu::UnicodeString& text, bool ascii)
{
    std::vector<int32_t> starts;
    int32_t length = text.length();
    starts.reserve(static_cast<std::size_t>(length) + 1);
    if (ascii) {
        // Each byte is a character, but a CR LF pair is one.
        for (int32_t i = 0; i < length; ++i) {
            if (i > 0 && text.charAt(i) == u'\n' && text.charAt(i - 1) == u'\r') continue;
            starts.push_back(i);
        }
        starts.push_back(length);
        return starts;
    }
    static thread_local std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(it) : nullptr;
    }();
    if (!prototype) {
        for (int32_t i = 0; i < length; i = text.moveIndex32(i, 1)) starts.push_back(i);
        starts.push_back(length);
        return starts;
    }
    prototype->setText(text);
    for (int32_t at = prototype->first(); at != icu::BreakIterator::DONE; at = prototype->next()) starts.push_back(at);
    if (starts.empty() || starts.back() != length) starts.push_back(length);
    prototype->setText(icu::UnicodeString());
    return starts;
}

void foldInto(icu::UnicodeString& out, const icu::UnicodeString& piece, Folding folding)
{
    if (piece.length() == 1 && piece.charAt(0) < 0x80) {
        out.append(static_cast<char16_t>(u_tolower(piece.charAt(0))));
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed = U_SUCCESS(status) ? nfd->normalize(piece, status) : piece;
    if (U_FAILURE(status)) decomposed = piece;
    if (folding == Folding::caseAndDiacritics) {
        icu::UnicodeString bare;
        for (int32_t i = 0; i < decomposed.length(); i = decomposed.moveIndex32(i, 1)) {
            UChar32 c = decomposed.char32At(i);
            if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
        }
        decomposed = bare;
    }
    out.append(decomposed.foldCase(U_FOLD_CASE_DEFAULT));
}

struct Folded {
    icu::UnicodeString text;
    std::vector<int32_t> starts;  // where each character's folded form starts, plus the end
};

Folded fold(const icu::UnicodeString& text, const std::vector<int32_t>& starts, Folding folding)
{
    Folded folded;
    folded.starts.reserve(starts.size());
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
        folded.starts.push_back(folded.text.length());
        foldInto(folded.text, text.tempSubStringBetween(starts[i], starts[i + 1]), folding);
    }
    folded.starts.push_back(folded.text.length());
    return folded;
}

}  // namespace

struct SearchText::Impl {
    icu::UnicodeString text;
    std::vector<int32_t> starts;
    mutable std::optional<Folded> folded[2];

    const Folded& foldedFor(Folding folding) const
    {
        auto& slot = folded[folding == Folding::caseAndDiacritics ? 0 : 1];
        if (!slot) slot = fold(text, starts, folding);
        return *slot;
    }

    std::size_t characterAt(const std::vector<int32_t>& boundaries, int32_t offset) const
    {
        return static_cast<std::size_t>(std::lower_bound(boundaries.begin(), boundaries.end(), offset)
                                        - boundaries.begin());
    }

    static bool isBoundary(const std::vector<int32_t>& boundaries, int32_t offset)
    {
        return std::binary_search(boundaries.begin(), boundaries.end(), offset);
    }
};

SearchText::SearchText(std::string_view utf8) : impl_(std::make_unique<Impl>())
{
    impl_->text = icu::UnicodeString::fromUTF8(utf8);
    impl_->starts = characterStarts(impl_->text, isAscii(utf8));
}

SearchText::~SearchText() = default;

std::size_t SearchText::characterCount() const
{
    return impl_->starts.size() - 1;
}

std::string SearchText::characters(std::size_t begin, std::size_t end) const
{
    end = std::min(end, characterCount());
    begin = std::min(begin, end);
    std::string out;
    impl_->text.tempSubStringBetween(impl_->starts[begin], impl_->starts[end]).toUTF8String(out);
    return out;
}

bool SearchText::equals(std::string_view value, Folding folding) const
{
    SearchText other(value);
    return impl_->foldedFor(folding).text == other.impl_->foldedFor(folding).text;
}

std::optional<CharacterRange> SearchText::find(std::string_view value, Folding folding, Anchor anchor) const
{
    if (value.empty()) return std::nullopt;
    SearchText other(value);
    const icu::UnicodeString& needle = other.impl_->foldedFor(folding).text;
    const Folded& hay = impl_->foldedFor(folding);
    int32_t length = needle.length();
    if (length == 0 || length > hay.text.length()) return std::nullopt;

    auto rangeAt = [&](int32_t at) -> std::optional<CharacterRange> {
        if (!Impl::isBoundary(hay.starts, at) || !Impl::isBoundary(hay.starts, at + length)) return std::nullopt;
        return CharacterRange{impl_->characterAt(hay.starts, at), impl_->characterAt(hay.starts, at + length)};
    };
    switch (anchor) {
    case Anchor::start:
        if (hay.text.compare(0, length, needle) != 0) return std::nullopt;
        return rangeAt(0);
    case Anchor::end: {
        int32_t at = hay.text.length() - length;
        if (hay.text.compare(at, length, needle) != 0) return std::nullopt;
        return rangeAt(at);
    }
    case Anchor::none:
        break;
    }
    for (int32_t at = hay.text.indexOf(needle); at >= 0; at = hay.text.indexOf(needle, at + 1)) {
        if (auto range = rangeAt(at)) return range;
    }
    return std::nullopt;
}

namespace {

std::string regexProblem(UErrorCode status)
{
    switch (status) {
    case U_REGEX_MISMATCHED_PAREN: return "its parentheses do not pair up";
    case U_REGEX_MISSING_CLOSE_BRACKET: return "a [ is not closed";
    case U_REGEX_BAD_ESCAPE_SEQUENCE: return "it holds an escape sequence that is not known";
    case U_REGEX_PROPERTY_SYNTAX: return "a \\p{…} property is not written right";
    case U_REGEX_BAD_INTERVAL: return "a {…} count is not written right";
    case U_REGEX_MAX_LT_MIN: return "a {…} count has its maximum below its minimum";
    case U_REGEX_NUMBER_TOO_BIG: return "a number in it is too large";
    case U_REGEX_INVALID_BACK_REF: return "a back reference names a group it does not have";
    case U_REGEX_INVALID_FLAG: return "a (?…) flag is not known";
    case U_REGEX_LOOK_BEHIND_LIMIT: return "a look-behind has no bounded length";
    case U_REGEX_SET_CONTAINS_STRING: return "a [ ] set holds a string";
    case U_REGEX_INVALID_RANGE: return "a range in [ ] runs backwards";
    case U_REGEX_PATTERN_TOO_BIG: return "it is too large";
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME: return "a group name is not valid";
    case U_REGEX_UNIMPLEMENTED: return "it uses something that is not supported";
    default: return "it is not written right";
    }
}

// The pattern compiled case-insensitively, or the sentence of why not.
std::unique_ptr<icu::RegexPattern> compilePattern(std::string_view pattern, std::string& error)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_SUCCESS(status) && compiled) return compiled;
    error = "the regular expression “" + std::string(pattern) + "” doesn't compile: " + regexProblem(status);
    return nullptr;
}

}  // namespace

std::optional<std::string> patternError(std::string_view pattern)
{
    std::string error;
    if (pattern.empty() || compilePattern(pattern, error)) return std::nullopt;
    return error;
}

PatternMatch SearchText::matchPattern(std::string_view pattern) const
{
    if (pattern.empty()) return {};
    std::string error;
    std::unique_ptr<icu::RegexPattern> compiled = compilePattern(pattern, error);
    if (!compiled) return {std::nullopt, error};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(impl_->text, status));
    if (U_FAILURE(status) || !matcher) return {};
    // A pattern that backtracks without end must not hold up the engine.
    matcher->setTimeLimit(patternTimeLimit, status);
    bool found = U_SUCCESS(status) && matcher->find(0, status);
    if (status == U_REGEX_TIME_OUT)
        return {std::nullopt, "the regular expression ran out of time on this text, so it counts as no match"};
    if (U_FAILURE(status) || !found) return {};
    int32_t start = matcher->start(status);
    int32_t end = matcher->end(status);
    if (U_FAILURE(status)) return {};
    const auto& starts = impl_->starts;
    // Widen to whole characters.
    std::size_t begin = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), start) - starts.begin()) - 1;
    std::size_t stop = impl_->characterAt(starts, end);
    return {CharacterRange{begin, std::max(begin, stop)}, std::nullopt};
}

}  // namespace olva
