// The journal beside the seen file, seen.journal: one JSON record a line,
// added as things happen. Marking a file as handled costs a line instead of
// a rewrite of the whole seen file, and each live run of a rule records its
// start and every step as it is done, so that a run a crash cut short is
// found, logged and not run again on the next start. Now and then the
// engine folds the journal into the seen file. Readers of the seen file read
// both: seen.json, then the marks of the journal on top.
#pragma once

#include "Core/model/Entry.h"
#include "Core/store/Log.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

// File identity key to the versions of the rules that already handled it.
using Seen = std::map<std::string, std::set<std::string>>;

// Takes marks one at a time: the file `key` was handled by `version`. A key
// whose set of versions is empty comes once, with an empty version.
using MarkSink = std::function<void(const std::string& key, std::string_view version)>;

// One line of the journal.
struct JournalRecord {
    enum class Kind {
        mark,   // the file `key` was handled by `versions`
        begin,  // a live run starts: `entry` as it stands before its first action, on the file `key`
        will,   // the run `run` is about to do `step`
        step,   // the run `run` did `step`
        done,   // the actions of the run `run` ended, with `error`, and its entry waits to be logged
        end,    // the run `run` is in the log: nothing of it is left to recover
    };

    Kind kind = Kind::mark;
    std::string run;
    std::string key;
    std::vector<std::string> versions;
    std::optional<Entry> entry;
    std::optional<Step> step;
    std::optional<std::string> error;
    // A begin record's entry already encoded, when the caller has it.
    std::string entryText;

    static JournalRecord mark(std::string key, std::vector<std::string> versions);
    static JournalRecord begin(const Entry& entry, std::string key, std::string entryText = {});
    static JournalRecord intent(std::string run, Step step);
    static JournalRecord stepDone(std::string run, Step step);
    static JournalRecord done(std::string run, std::optional<std::string> error);
    static JournalRecord end(std::string run);
};

// The record as one line with its line feed. Throws EncodingError; the
// appending form may then have added part of the line.
std::string journalLine(const JournalRecord& record);
void appendJournalLine(std::string& out, const JournalRecord& record);
// Nothing for a line that does not decode.
std::optional<JournalRecord> parseJournalLine(std::string_view line);

// A run that began and whose end is not recorded: one going on, or one a
// crash or a write failure cut short.
struct OpenRun {
    Entry entry;        // with the steps recorded so far, and the error once done
    std::string key;    // the file it acts on
    bool done = false;  // its actions ended; the entry may still be missing from the log
    // A step announced after the last one recorded: it may or may not have
    // been done, which only the file system can tell.
    std::optional<Step> intended;
};

// What a stretch of the journal says.
struct JournalRead {
    Seen marks;
    std::vector<OpenRun> runs;  // begun and not ended within the stretch, in order
    LogPosition position;       // just after the last complete line read
    bool isWhole = false;       // the stretch is the whole journal
};

// Takes lines of the journal in order and tells what they come to: the
// marks go to the sink it is given, and the runs still open are decoded at
// the end.
class JournalLines {
public:
    explicit JournalLines(MarkSink marks) : marks_(std::move(marks)) {}
    void add(std::string_view line);
    std::vector<OpenRun> openRuns() const;

private:
    struct Raw {
        std::string id;
        std::vector<std::string> lines;
    };
    bool takeMark(std::string_view line);

    MarkSink marks_;
    std::vector<Raw> open_;  // in the order they began
};

// Folds lines of the journal, in order, into what they say.
void applyJournalLines(std::string_view bytes, JournalRead& read);

// The records that open runs still need, so that a folded journal keeps them.
std::vector<JournalRecord> recordsOf(const std::vector<OpenRun>& runs);

}  // namespace olva
