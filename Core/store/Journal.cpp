#include "Core/store/Journal.h"

#include "Core/base/JsonReader.h"
#include "Core/base/JsonWriter.h"

#include <algorithm>

namespace olva {

namespace {

JournalRecord recordOf(JournalRecord::Kind kind, std::string run)
{
    JournalRecord record;
    record.kind = kind;
    record.run = std::move(run);
    return record;
}

}  // namespace

JournalRecord JournalRecord::mark(std::string key, std::vector<std::string> versions)
{
    JournalRecord record = recordOf(Kind::mark, {});
    record.key = std::move(key);
    record.versions = std::move(versions);
    return record;
}

JournalRecord JournalRecord::begin(const Entry& entry, std::string key, std::string entryText)
{
    JournalRecord record = recordOf(Kind::begin, entry.id);
    record.key = std::move(key);
    if (entryText.empty()) record.entry = entry;
    record.entryText = std::move(entryText);
    return record;
}

JournalRecord JournalRecord::intent(std::string run, Step step)
{
    JournalRecord record = recordOf(Kind::will, std::move(run));
    record.step = std::move(step);
    return record;
}

JournalRecord JournalRecord::stepDone(std::string run, Step step)
{
    JournalRecord record = recordOf(Kind::step, std::move(run));
    record.step = std::move(step);
    return record;
}

JournalRecord JournalRecord::done(std::string run, std::optional<std::string> error)
{
    JournalRecord record = recordOf(Kind::done, std::move(run));
    record.error = std::move(error);
    return record;
}

JournalRecord JournalRecord::end(std::string run) { return recordOf(Kind::end, std::move(run)); }

void appendJournalLine(std::string& line, const JournalRecord& record)
{
    if (record.kind == JournalRecord::Kind::begin && !record.entryText.empty()) {
        // The entry goes in as it was encoded once for the run.
        line += "{\"begin\":";
        appendJsonString(line, record.run);
        line += ",\"key\":";
        appendJsonString(line, record.key);
        line += ",\"entry\":";
        line += record.entryText;
        line += "}\n";
        return;
    }
    // The records every handled file costs are written straight.
    auto runRecord = [&](const char* kind) {
        line += "{\"";
        line += kind;
        line += "\":";
        appendJsonString(line, record.run);
    };
    switch (record.kind) {
    case JournalRecord::Kind::will:
    case JournalRecord::Kind::step: {
        bool will = record.kind == JournalRecord::Kind::will;
        runRecord(will ? "will" : "step");
        line += will ? ",\"do\":" : ",\"did\":";
        appendStepJson(line, *record.step, false);
        line += "}\n";
        return;
    }
    case JournalRecord::Kind::end:
        runRecord("end");
        line += "}\n";
        return;
    case JournalRecord::Kind::begin:
    case JournalRecord::Kind::done: break;
    case JournalRecord::Kind::mark: {
        line += "{\"mark\":";
        appendJsonString(line, record.key);
        line += ",\"versions\":[";
        for (std::size_t i = 0; i < record.versions.size(); ++i) {
            if (i > 0) line += ',';
            appendJsonString(line, record.versions[i]);
        }
        line += "]}\n";
        return;
    }
    }
    nlohmann::ordered_json json;
    if (record.kind == JournalRecord::Kind::begin) {
        json["begin"] = record.run;
        json["key"] = record.key;
        json["entry"] = toJson(*record.entry);
    } else {
        json["done"] = record.run;
        if (record.error) json["error"] = *record.error;
    }
    line += writeJson(json);
    line += '\n';
}

std::string journalLine(const JournalRecord& record)
{
    std::string line;
    appendJournalLine(line, record);
    return line;
}

std::optional<JournalRecord> parseJournalLine(std::string_view line)
{
    if (line.empty()) return std::nullopt;
    auto json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    try {
        JsonReader reader(json);
        JournalRecord record;
        if (auto key = reader.find("mark")) {
            record.kind = JournalRecord::Kind::mark;
            record.key = key->string();
            for (const auto& version : reader["versions"].array()) record.versions.push_back(version.string());
        } else if (auto run = reader.find("begin")) {
            record.kind = JournalRecord::Kind::begin;
            record.entry = entryFromJson(reader["entry"].value());
            record.run = record.entry->id;
            record.key = reader["key"].string();
        } else if (auto run = reader.find("will")) {
            record.kind = JournalRecord::Kind::will;
            record.run = run->string();
            record.step = stepFromJson(reader["do"].value());
        } else if (auto run = reader.find("step")) {
            record.kind = JournalRecord::Kind::step;
            record.run = run->string();
            record.step = stepFromJson(reader["did"].value());
        } else if (auto done = reader.find("done")) {
            record.kind = JournalRecord::Kind::done;
            record.run = done->string();
            if (auto error = reader.find("error")) record.error = error->string();
        } else if (auto end = reader.find("end")) {
            record.kind = JournalRecord::Kind::end;
            record.run = end->string();
        } else {
            return std::nullopt;
        }
        return record;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

namespace {

// The run a line of a run's record names, read from the text itself: every
// such line begins {"kind":"id". Empty for other lines.
std::string_view runOf(std::string_view line, std::string_view kind)
{
    if (line.size() < kind.size() + 5 || line[0] != '{' || line[1] != '"') return {};
    line.remove_prefix(2);
    if (!line.starts_with(kind) || !line.substr(kind.size()).starts_with("\":\"")) return {};
    line.remove_prefix(kind.size() + 3);
    return line.substr(0, line.find('"'));
}

}  // namespace

void JournalLines::add(std::string_view line)
{
    if (line.empty()) return;
    // The lines of a run are kept as text while it is open and dropped when
    // it ends: most runs end a few lines after they begin, so few are held
    // at any time, and their lines are never decoded.
    if (auto id = runOf(line, "begin"); !id.empty()) {
        open_.push_back({std::string(id), {std::string(line)}});
        return;
    }
    for (std::string_view kind : {"will", "step", "done", "end"}) {
        auto id = runOf(line, kind);
        if (id.empty()) continue;
        auto run = std::find_if(open_.rbegin(), open_.rend(), [&](const Raw& raw) { return raw.id == id; });
        if (run == open_.rend()) return;
        if (kind == "end") open_.erase(std::prev(run.base()));
        else run->lines.emplace_back(line);
        return;
    }
    if (takeMark(line)) return;
    if (auto record = parseJournalLine(line); record && record->kind == JournalRecord::Kind::mark)
        for (const auto& version : record->versions) marks_(record->key, version);
}

bool JournalLines::takeMark(std::string_view line)
{
    // Most lines are marks, in the one form this system writes them: they
    // are read without a JSON parser. A line in any other form (escapes
    // included) is left to the parser.
    constexpr std::string_view lead = "{\"mark\":\"", middle = "\",\"versions\":[", tail = "]}";
    if (!line.starts_with(lead) || !line.ends_with(tail) || line.find('\\') != std::string_view::npos) return false;
    std::string_view rest = line.substr(lead.size(), line.size() - lead.size() - tail.size());
    auto keyEnd = rest.find('"');
    if (keyEnd == std::string_view::npos || !rest.substr(keyEnd).starts_with(middle)) return false;
    std::string key(rest.substr(0, keyEnd));
    rest.remove_prefix(keyEnd + middle.size());
    std::vector<std::string_view> versions;
    while (!rest.empty()) {
        if (rest.front() != '"') return false;
        auto end = rest.find('"', 1);
        if (end == std::string_view::npos) return false;
        versions.push_back(rest.substr(1, end - 1));
        rest.remove_prefix(end + 1);
        if (rest.empty()) break;
        if (rest.front() != ',') return false;
        rest.remove_prefix(1);
        if (rest.empty()) return false;
    }
    for (auto version : versions) marks_(key, version);
    return true;
}

std::vector<OpenRun> JournalLines::openRuns() const
{
    std::vector<OpenRun> runs;
    for (const auto& raw : open_) {
        std::optional<OpenRun> run;
        for (const auto& line : raw.lines) {
            auto record = parseJournalLine(line);
            if (!record) continue;
            if (record->kind == JournalRecord::Kind::begin) {
                run = OpenRun{std::move(*record->entry), std::move(record->key), false, std::nullopt};
            } else if (!run) {
                continue;
            } else if (record->kind == JournalRecord::Kind::will) {
                run->intended = std::move(*record->step);
            } else if (record->kind == JournalRecord::Kind::step) {
                run->entry.steps.push_back(std::move(*record->step));
                run->intended.reset();
            } else if (record->kind == JournalRecord::Kind::done) {
                run->done = true;
                run->entry.error = std::move(record->error);
            }
        }
        if (run) runs.push_back(std::move(*run));
    }
    return runs;
}

namespace {

MarkSink into(Seen& seen)
{
    return [&seen](const std::string& key, std::string_view version) { seen[key].emplace(version); };
}

}  // namespace

void applyJournalLines(std::string_view bytes, JournalRead& read)
{
    JournalLines lines(into(read.marks));
    while (!bytes.empty()) {
        auto feed = bytes.find('\n');
        lines.add(bytes.substr(0, feed));
        bytes.remove_prefix(feed == std::string_view::npos ? bytes.size() : feed + 1);
    }
    auto runs = lines.openRuns();
    read.runs.insert(read.runs.end(), std::make_move_iterator(runs.begin()), std::make_move_iterator(runs.end()));
}

std::vector<JournalRecord> recordsOf(const std::vector<OpenRun>& runs)
{
    std::vector<JournalRecord> records;
    for (const auto& run : runs) {
        Entry begun = run.entry;
        begun.steps.clear();
        begun.error.reset();
        records.push_back(JournalRecord::begin(begun, run.key));
        for (const auto& step : run.entry.steps) records.push_back(JournalRecord::stepDone(run.entry.id, step));
        if (run.intended) records.push_back(JournalRecord::intent(run.entry.id, *run.intended));
        if (run.done) records.push_back(JournalRecord::done(run.entry.id, run.entry.error));
    }
    return records;
}

}  // namespace olva
