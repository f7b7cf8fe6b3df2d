// `olva import`, `explain`, `undo` and `mcp`.
#include "olva/Tool.h"

#include "Core/ActionError.h"
#include "Core/Paths.h"
#include "Core/RulesLock.h"
#include "Core/Store.h"
#include "olva/EntryText.h"
#include "olva/McpServer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace olva {

namespace {

std::string upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

int importCommand(Store&, const std::string&, const std::string&, const Console&)
{
    fail("import failed: importing needs the Hazel reader, which this build does not have yet");
}

int explainCommand(Store&, const std::string&, const Console&)
{
    fail("explaining needs the engine, which this build does not have yet");
}

int undoCommand(Store& store, const std::string& id, const Console&)
{
    // An empty prefix would pick whatever single entry the log holds.
    if (id.empty()) fail(usageText());
    std::string prefix = upper(id);
    std::vector<Entry> matching;
    for (Entry& entry : store.entries(LogPosition{}).entries)
        if (!entry.undoOf && upper(entry.id).starts_with(prefix)) matching.push_back(std::move(entry));
    if (matching.size() != 1) fail(std::to_string(matching.size()) + " entries match " + prefix);
    fail("undo failed: undo needs the engine, which this build does not have yet");
}

int mcpCommand(Store& store, const Console& console)
{
    serveMCP(store, console.in, console.outFd);
    return 0;
}

}  // namespace olva
