// The `olva` program: start-up, the command line and what every command
// shares (its output and its way of failing).
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace olva {

class Store;

// Where a command writes: whole texts, each ending in a line feed. The
// program writes standard error directly, and standard output a text at
// once, unless it goes to the null device, where texts gather until `flush`
// or until there are enough of them. Tests capture both.
struct Console {
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> err;
    std::function<void()> flush;  // may be empty

    static Console standard();
};

// Ends a command with status 1 and its message on standard error. Thrown by
// `fail` and caught by `runTool`, which is what the program returns from.
class ToolFailure : public std::runtime_error {
public:
    explicit ToolFailure(const std::string& message) : std::runtime_error(message) {}
};

[[noreturn]] void fail(const std::string& message);

// Whether standard output is the null device, which nobody reads.
bool outputIsDiscarded();

// The seven lines of usage, without a final line feed.
const std::string& usageText();

// The text of an error for the user: the library's sentence or the system's.
std::string failureText(const std::exception& error);

// Runs the program with its arguments (the program path first) and returns
// the exit status.
int runTool(const std::vector<std::string>& args, const Console& console);

// The commands, after start-up. Each returns the exit status or throws
// ToolFailure.
int runCommand(const std::shared_ptr<Store>& store, const Console& console);
int onceCommand(const std::shared_ptr<Store>& store, const Console& console);
int logCommand(const std::shared_ptr<Store>& store, const std::vector<std::string>& args, const Console& console);
int importCommand(const std::shared_ptr<Store>& store, const std::string& file, const std::string& folder, const Console& console);
int explainCommand(const std::shared_ptr<Store>& store, const std::string& file, const Console& console);
int undoCommand(const std::shared_ptr<Store>& store, const std::string& id, const Console& console);
int mcpCommand(const std::shared_ptr<Store>& store);

// The count `olva log` shows: a whole decimal number, else 20.
long long logCount(const std::vector<std::string>& args);

}  // namespace olva
