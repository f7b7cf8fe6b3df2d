// What an action did, or would do in a dry run, and the result of a rule's
// actions on one file.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

struct Step {
    enum class Kind { move, copy, tags, trash, shell };

    Kind kind = Kind::move;
    std::string from;
    std::optional<std::string> to;
    std::optional<std::vector<std::string>> tagsBefore;
    std::optional<std::string> note;
    // Identity key of the file where the step left it, read right after the
    // change; an undo compares it before touching the file.
    std::optional<std::string> key;
};

// A tags step's note: the tags it left, joined with the separator.
inline constexpr std::string_view kTagsNoteSeparator = ", ";
std::string tagsNote(const std::vector<std::string>& tags);

std::string_view rawValue(Step::Kind kind);
std::optional<Step::Kind> stepKindFromRaw(std::string_view text);

// Absent optional fields leave no key.
nlohmann::ordered_json toJson(const Step& step);
// toJson written out as compact JSON text, straight: what the log and the
// journal write for every step.
void appendStepJson(std::string& out, const Step& step, bool escapeSlashes);
// Throws DecodingError.
Step stepFromJson(const nlohmann::json& json);

struct Applied {
    std::vector<Step> steps;
    std::optional<std::string> error;  // what stopped the actions
};

}  // namespace olva
