#include "olva/McpServer.h"

#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/model/PathJson.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/Descriptor.h"
#include "olva/McpTools.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <unistd.h>

namespace olva {

using nlohmann::json;

namespace {

constexpr std::array<const char*, 4> kSupportedVersions = {"2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"};
constexpr const char* kDefaultVersion = "2025-11-25";
// Accepted in a request's metadata and listed, but never negotiated.
constexpr const char* kDraftVersion = "2026-07-28";

constexpr const char* kVersionKey = "io.modelcontextprotocol/protocolVersion";
constexpr const char* kServerInfoKey = "io.modelcontextprotocol/serverInfo";

constexpr const char* kInstructions =
    "Olva watches folders on this computer and applies rules to new files. Use list_folders and list_rules to see "
    "what exists, preview_rule to test a rule against the files in a folder, then create_rule or update_rule. "
    "Rules you create or update are saved as dry runs: Olva logs what they would do without touching files, and "
    "the user turns them live in Olva. Use explain_file to find out why a file did or did not match, "
    "recent_activity to see what happened, and revert_activity to put a file back.";

// Deeper than any rule the model accepts (64 levels of groups) can make a
// request, and shallow enough that copying and writing a message, which
// recurse, cannot exhaust the stack.
constexpr int kMaxDepth = 512;

bool isSupported(const std::string& version)
{
    return std::find(kSupportedVersions.begin(), kSupportedVersions.end(), version) != kSupportedVersions.end();
}

json listedVersions()
{
    json versions = json::array({kDraftVersion});
    for (const char* version : kSupportedVersions) versions.push_back(version);
    return versions;
}

json capabilities() { return json{{"tools", json::object()}}; }

void addCacheHint(json& result)
{
    result["ttlMs"] = 3600000;
    result["cacheScope"] = "public";
}

// Whether no array or object in the text lies more than `limit` levels
// deep. Brackets inside strings do not count; for text that is no JSON the
// answer does not matter, as the parser refuses it anyway.
bool nestedWithin(std::string_view text, int limit)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (inString) {
            if (c == '\\') ++at;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// A message that cannot be parsed, or is nested past the limit. The depth
// is looked at before parsing, since the parser's hook for it costs, for
// each object that ends, a search of the array that holds it: a line of a
// million small objects would take hours.
std::optional<json> parseMessage(std::string_view line)
{
    if (!nestedWithin(line, kMaxDepth)) return std::nullopt;
    try {
        return json::parse(line.begin(), line.end());
    } catch (const json::exception&) {
    }
    return std::nullopt;
}

std::string nameText(const json& params)
{
    auto it = params.find("name");
    if (it == params.end() || it->is_null()) return "";
    if (it->is_string()) return it->get<std::string>();
    return it->dump();
}

std::string replyText(const json& reply) { return writeJson(reply, JsonStyle{.escapeSlashes = false}); }

// The error reply; `data`, when not null, goes into the error object.
json errorReply(const json& id, int code, const std::string& message, json data = nullptr)
{
    json error = {{"code", code}, {"message", jsonText(message)}};
    if (!data.is_null()) error["data"] = std::move(data);
    return json{{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}};
}

std::string sendError(const json& id, const std::exception& failure)
{
    int code = -32603;
    json data;
    if (const auto* protocol = dynamic_cast<const ProtocolError*>(&failure)) {
        code = protocol->code;
        if (protocol->unsupportedVersion)
            data = {{"supported", listedVersions()}, {"requested", *protocol->unsupportedVersion}};
    }
    try {
        return replyText(errorReply(id, code, failure.what(), std::move(data)));
    } catch (const EncodingError& encoding) {
        // An error text holding a name that is not UTF-8: say so instead.
        return replyText(errorReply(id, -32603, encoding.what()));
    }
}

std::string sendResult(const json& id, json result)
{
    result["resultType"] = "complete";
    try {
        return replyText(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
    } catch (const EncodingError& encoding) {
        // A result that cannot be written still gets an answer.
        return sendError(id, encoding);
    }
}

}  // namespace

json serverInfo() { return json{{"name", "olva"}, {"version", OLVA_VERSION}}; }

json McpServer::handleRequest(const std::string& method, const json& params)
{
    if (method == "initialize") {
        auto requested = params.find("protocolVersion");
        std::string version = kDefaultVersion;
        if (requested != params.end() && requested->is_string() && isSupported(requested->get<std::string>()))
            version = requested->get<std::string>();
        return json{{"protocolVersion", version},
                    {"capabilities", capabilities()},
                    {"serverInfo", serverInfo()},
                    {"instructions", kInstructions}};
    }

    if (auto meta = params.find("_meta"); meta != params.end() && meta->is_object()) {
        if (auto version = meta->find(kVersionKey); version != meta->end() && version->is_string()) {
            std::string text = version->get<std::string>();
            if (text != kDraftVersion && !isSupported(text))
                throw ProtocolError(-32022, "Unsupported protocol version", text);
        }
    }

    json result;
    if (method == "server/discover") {
        result = json{{"supportedVersions", listedVersions()},
                      {"capabilities", capabilities()},
                      {"instructions", kInstructions}};
        addCacheHint(result);
    } else if (method == "ping") {
        result = json::object();
    } else if (method == "tools/list") {
        result = json{{"tools", toolDefinitions()}};
        addCacheHint(result);
    } else if (method == "tools/call") {
        auto name = params.find("name");
        const json& tools = toolDefinitions();
        if (name == params.end() || !name->is_string()
            || std::none_of(tools.begin(), tools.end(), [&](const json& tool) { return tool["name"] == *name; }))
            throw ProtocolError(-32602, "Unknown tool: " + nameText(params));
        auto arguments = params.find("arguments");
        result = callTool(name->get<std::string>(),
                          arguments != params.end() && arguments->is_object() ? *arguments : json::object(), store_);
    } else {
        throw ProtocolError(-32601, "Method not found: " + method);
    }
    result["_meta"] = json{{kServerInfoKey, serverInfo()}};
    return result;
}

std::string McpServer::tooLongReply()
{
    return replyText(errorReply(nullptr, -32600,
                                "Invalid Request: a message may be at most " + std::to_string(kLongestLine)
                                    + " bytes long; the rest of this line was passed over"));
}

std::optional<std::string> McpServer::handleLine(std::string_view line)
{
    std::optional<json> message = parseMessage(line);
    if (!message || !message->is_object())
        return replyText(errorReply(nullptr, -32700, "Parse error"));

    auto idMember = message->find("id");
    if (idMember == message->end()) return std::nullopt;  // a notification
    const json& id = *idMember;
    auto methodMember = message->find("method");
    std::string method = methodMember != message->end() && methodMember->is_string() ? methodMember->get<std::string>() : "";
    auto paramsMember = message->find("params");
    static const json kNoParams = json::object();
    const json& params = paramsMember != message->end() && paramsMember->is_object() ? *paramsMember : kNoParams;

    try {
        return sendResult(id, handleRequest(method, params));
    } catch (const std::exception& failure) {
        return sendError(id, failure);
    }
}

void serveMCP(const std::shared_ptr<Store>& store)
{
    // A client that hangs up ends the server through a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    McpServer server(store);
    std::string pending;  // the start of the line being read
    bool discarding = false;  // the rest of a line that was too long
    char buffer[65536];

    auto write = [](std::string reply) {
        reply += '\n';
        return platform::writeAll(STDOUT_FILENO, reply);
    };
    // Whether to go on: false when the client went away.
    auto handle = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) return true;
        std::optional<std::string> reply = server.handleLine(line);
        if (reply && !write(std::move(*reply))) return false;
        // A stop signal that came while a call copied a file ends the
        // server once the call is answered.
        return platform::processStopSignal() == 0;
    };
    auto refuseLongLine = [&] { return write(McpServer::tooLongReply()); };

    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::string message = std::string("olva mcp: ") + std::strerror(errno) + "\n";
            platform::writeAll(STDERR_FILENO, message);
            return;
        }
        if (n == 0) break;
        // Only what was just read is searched for line ends, so a line that
        // comes in many reads costs no more than one that comes at once.
        std::string_view chunk(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = chunk.find('\n')) != std::string_view::npos; chunk.remove_prefix(end + 1)) {
            if (discarding) {
                discarding = false;
                continue;
            }
            bool ok;
            if (pending.size() + end > McpServer::kLongestLine) {
                ok = refuseLongLine();
            } else if (pending.empty()) {
                ok = handle(chunk.substr(0, end));
            } else {
                pending.append(chunk.substr(0, end));
                ok = handle(pending);
            }
            pending.clear();
            if (!ok) return;
        }
        if (discarding) continue;
        if (pending.size() + chunk.size() > McpServer::kLongestLine) {
            // Said at once, so the client need not send the rest to hear it.
            pending.clear();
            pending.shrink_to_fit();
            discarding = true;
            if (!refuseLongLine()) return;
            continue;
        }
        pending.append(chunk);
    }
    if (!pending.empty() && !discarding) handle(pending);
}

}  // namespace olva
