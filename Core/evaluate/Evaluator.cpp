#include "Core/evaluate/Evaluator.h"

#include "Core/base/TextSearch.h"

#include <exception>

namespace olva {

Outcome evaluate(const Group& group, FileInfo& file, Date now, Detail detail)
{
    Evaluator evaluator(file, now);
    evaluator.detail = detail;
    Outcome outcome;
    outcome.pass = evaluator.evaluateGroup(group.mode, group.items);
    outcome.checks = std::move(evaluator.checks);
    outcome.flipsAt = evaluator.flipsAt;
    return outcome;
}

Evaluator::Evaluator(FileInfo& file, Date now) : file(file), now(now) {}

Evaluator::~Evaluator() = default;

const Calendar& Evaluator::calendar()
{
    if (!calendar_) calendar_.emplace(Calendar::current());
    return *calendar_;
}

bool Evaluator::evaluateGroup(Group::Mode mode, const std::vector<Node>& items)
{
    for (const Node& item : items) {
        bool pass = item.isGroup() ? evaluateGroup(item.group().mode, item.group().items)
                                   : testCondition(item.condition());
        switch (mode) {
        case Group::Mode::all:
            if (!pass) return false;
            break;
        case Group::Mode::any:
            if (pass) return true;
            break;
        case Group::Mode::none:
            if (pass) return false;
            break;
        }
    }
    return mode != Group::Mode::any;
}

void Evaluator::noteFlip(Date candidate)
{
    if (!flipsAt || *flipsAt > candidate) flipsAt = candidate;
}

bool Evaluator::testCondition(const Condition& condition)
{
    Result result;
    // Nothing escapes a condition: should a test run out of memory on a huge
    // text, that one condition fails and the others are still tested.
    try {
        result = test(condition);
    } catch (const std::exception&) {
        result = {false, {}};
    }
    if (detail == Detail::answerOnly) return result.pass;
    // A rule written into the rules file by hand or by another program may
    // hold a test its attribute does not have; the check says so rather
    // than failing as if the file did not match.
    if (!result.pass && !result.note && !allows(condition.attr, condition.op))
        result.note = notAllowedText(condition.attr, condition.op);
    checks.push_back(
        Check{condition.attr, condition.op, condition.value, std::move(result.actual), result.pass, std::move(result.note)});
    return checks.back().pass;
}

}  // namespace olva
