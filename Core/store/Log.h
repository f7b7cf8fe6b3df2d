// The activity log: where an incremental reader stands, what one read
// returns, and what undo entries already reverted.
#pragma once

#include "Core/model/Entry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

struct LogPosition {
    std::uint64_t inode = 0;   // of log.json when it was last read; 0 matches no file
    std::uint64_t offset = 0;  // bytes of that file consumed, always just after a line feed

    friend bool operator==(const LogPosition&, const LogPosition&) = default;
};

struct LogRead {
    std::vector<Entry> entries;  // oldest first
    LogPosition position;        // to pass to the next read
    bool isWhole = false;        // entries replace what the caller holds, else they follow it
};

// One entry as it is written to the log: compact JSON, slashes escaped, and a
// line feed. Paths that are not UTF-8 are kept exactly (see PathJson.h).
std::string logLine(const Entry& entry);
// The same line in two parts, for a run whose steps are yet to come: the
// head, which is the entry without its steps and error up to the opening of
// its list of steps, then the rest. logLineWith(logLineHead(e), e.steps,
// e.error) is logLine(e) for an entry that is no undo.
std::string logLineHead(const Entry& entry);
std::string logLineWith(std::string_view head, const std::vector<Step>& steps, const std::optional<std::string>& error);
// The entry as the head has it, without its steps: `{` ... `"steps":[]}`.
std::string entryTextOfHead(std::string_view head);

// The entries of the lines in `bytes`, in order; lines that do not decode are
// skipped.
std::vector<Entry> parseLogLines(std::string_view bytes);
// The entry of one line, or nothing when it does not decode.
std::optional<Entry> parseLogLine(std::string_view line);

// The entries of `log` that are no undo entries and whose identifier begins
// with `prefix` (identifiers are upper-case), in log order.
std::vector<Entry> entriesWithPrefix(std::vector<Entry> log, std::string_view prefix);

// The leading steps of `entry` that no undo entry in `log` has reverted yet.
std::vector<Step> stepsLeftToRevert(std::span<const Entry> log, const Entry& entry);

// For each entry that undo entries refer to, how many of its steps they
// reverted. Entries nothing refers to have no member.
std::map<std::string, std::size_t> revertedStepCounts(std::span<const Entry> log);

// How many steps of `original` the undo entry `undo` reverted: those it
// logged, or, for an undo logged without steps or error, all of them.
std::size_t stepsRevertedBy(const Entry& undo, const Entry& original);

}  // namespace olva
