// Whether a rule's conditions hold for one file at one moment, with the
// record of every condition tested and the moment a date condition would
// change its answer. Never fails: whatever cannot be read makes only its own
// condition fail.
#pragma once

#include "Core/base/Calendar.h"
#include "Core/model/Check.h"
#include "Core/base/ContentType.h"
#include "Core/base/Date.h"
#include "Core/facts/FileInfo.h"
#include "Core/model/Model.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace olva {

struct Outcome {
    bool pass = false;
    // One per condition tested, in the order of testing.
    std::vector<Check> checks;
    // The earliest future moment at which a tested date condition changes
    // its answer.
    std::optional<Date> flipsAt;
};

// How much an evaluation works out: the checks too, or only the answer and
// the flip time, with no file value put into words.
enum class Detail { checks, answerOnly };

Outcome evaluate(const Group& group, FileInfo& file, Date now, Detail detail = Detail::checks);

class SearchText;

// One evaluation of one group against one file. The engine, explanations
// and previews make one per rule and read checks and flipsAt afterwards.
struct Evaluator {
    struct Result {
        bool pass = false;
        std::string actual;
        std::optional<std::string> note = std::nullopt;  // why the test could not be made
    };

    FileInfo& file;
    Date now;
    std::vector<Check> checks;
    std::optional<Date> flipsAt;
    // The user's current calendar, made when a date is first tested.
    const Calendar& calendar();
    Detail detail = Detail::checks;

    Evaluator(FileInfo& file, Date now);
    ~Evaluator();

    // Stops at the first item that decides the answer; later items are not
    // tested and leave no check.
    bool evaluateGroup(Group::Mode mode, const std::vector<Node>& items);
    // Keeps the earlier of the current candidate and this one.
    void noteFlip(Date candidate);

    bool testText(std::string_view text, Op op, std::string_view value) const;
    Result testContents(Op op, std::string_view value);
    Result testDate(const std::optional<Date>& date, Op op, std::string_view value);
    static std::optional<ContentType> resolveKind(std::string_view value);

private:
    bool testCondition(const Condition& condition);
    Result test(const Condition& condition);

    std::unique_ptr<SearchText> contents_;
    std::optional<Calendar> calendar_;
};

// "10 MB", "1.5g", "500", "2 kB": decimal multiples. Nothing for anything
// else ("10 KiB", "-5", "1,000").
std::optional<double> parseSize(std::string_view value);
// "3 days", "3d", "2 hrs", "10 min", "6 months": an amount and its unit.
std::optional<std::pair<std::int64_t, CalendarUnit>> parseDuration(std::string_view value);
// "day", "week", "month", "year", in any case but without blanks.
std::optional<CalendarUnit> parsePeriod(std::string_view value);

}  // namespace olva
