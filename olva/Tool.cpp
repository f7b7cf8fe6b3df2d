#include "olva/Tool.h"

#include "Core/model/Entry.h"
#include "Core/store/Store.h"
#include "Core/base/UTF8.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/Descriptor.h"
#include "olva/EntryText.h"
#include "olva/StopSignals.h"

#include <charconv>
#include <cstdio>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace olva {

Console Console::standard()
{
    Console console;
    // Lines printed by the engine's thread and the main thread stay whole.
    static std::mutex mutex;
    console.out = [](const std::string& text) {
        static const bool discarded = outputIsDiscarded();
        std::lock_guard lock(mutex);
        std::fwrite(text.data(), 1, text.size(), stdout);
        // An entry's lines go out together, as it is logged.
        if (!discarded) std::fflush(stdout);
    };
    console.flush = [] {
        std::lock_guard lock(mutex);
        std::fflush(stdout);
    };
    console.err = [](const std::string& text) { platform::writeAll(2, text); };
    return console;
}

void fail(const std::string& message) { throw ToolFailure(message); }

bool outputIsDiscarded()
{
    struct stat out {}, null {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && S_ISCHR(out.st_mode) && ::stat("/dev/null", &null) == 0
           && out.st_rdev == null.st_rdev;
}

const std::string& usageText()
{
    static const std::string text =
        "usage: olva run                      watch folders until stopped\n"
        "       olva once                     process every watched folder once, without waiting for files to settle\n"
        "       olva import <file> <folder>   add rules from a .hazelrules export, as disabled dry-run rules where needed\n"
        "       olva explain <file>           show how each rule evaluates a file\n"
        "       olva log [n]                  show the last n log entries (default 20)\n"
        "       olva undo <id>                undo a logged action\n"
        "       olva mcp                      let an AI client read and draft rules over MCP (stdio)";
    return text;
}

// Errors name files, and a file name may hold control characters.
std::string failureText(const std::exception& error) { return printableText(error.what()); }

long long logCount(const std::vector<std::string>& args)
{
    if (args.size() < 3) return 20;
    const std::string& text = args[2];
    std::size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (start == text.size()) return 20;
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return 20;
    long long value = 0;
    // from_chars takes a "-" but not a "+".
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 20;
    return value;
}

int logCommand(const std::shared_ptr<Store>& store, const std::vector<std::string>& args, const Console& console)
{
    long long count = logCount(args);
    // A count below 1 shows nothing.
    if (count <= 0) return 0;
    for (const Entry& entry : store->lastEntries(static_cast<std::size_t>(count))) console.out(formatEntry(entry) + "\n");
    return 0;
}

namespace {

// The command the arguments name, on the data directory.
int runCommandLine(const std::vector<std::string>& args, const Console& console)
{
    std::shared_ptr<Store> store;
    try {
        store = std::make_shared<Store>(Store::defaultDir());
    } catch (const std::exception& error) {
        fail(failureText(error));
    }
    if (args.size() < 2) fail(usageText());
    const std::string& command = args[1];
    std::size_t extra = args.size() - 2;
    if (command == "run") return runCommand(store, console);
    if (command == "once") return onceCommand(store, console);
    // An empty folder would be watched as no path at all.
    if (command == "import" && extra == 2 && !args[3].empty())
        return importCommand(store, args[2], args[3], console);
    if (command == "explain" && extra == 1) return explainCommand(store, args[2], console);
    if (command == "log") return logCommand(store, args, console);
    if (command == "undo" && extra == 1) return undoCommand(store, args[2], console);
    if (command == "mcp") return mcpCommand(store);
    fail(usageText());
}

}  // namespace

int runTool(const std::vector<std::string>& args, const Console& console)
{
    // Help and the version need no data directory: the build reads them to
    // make the manual page, and they must answer where the directory is broken.
    if (args.size() >= 2 && args[1] == "--help") {
        console.out(usageText() + "\n");
        return 0;
    }
    if (args.size() >= 2 && args[1] == "--version") {
        console.out(std::string("olva ") + OLVA_VERSION + "\n");
        return 0;
    }
    int status = 0;
    bool failed = false;
    try {
        status = runCommandLine(args, console);
    } catch (const ToolFailure& failure) {
        console.err(std::string(failure.what()) + "\n");
        status = 1;
        failed = true;
    }
    // A stop signal that came while a copy was under way: the copy was cut
    // short and its run or undo recorded, and the tool now says what was
    // cut short and where the file is, unless its failure just did.
    if (const int signal = platform::processStopSignal()) {
        if (!failed)
            if (auto cut = platform::lastCopyCutShort()) console.err(printableText(*cut) + "\n");
        return stopStatus(signal);
    }
    return status;
}

}  // namespace olva
