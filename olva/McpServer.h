// The Model Context Protocol server of `olva mcp`: JSON-RPC 2.0 messages, one
// per line, on standard input; one reply line each on standard output.
#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace olva {

class Store;

// Raised by a method to get a JSON-RPC error reply with this code.
class ProtocolError : public std::runtime_error {
public:
    ProtocolError(int code, const std::string& message, std::optional<std::string> unsupportedVersion = std::nullopt)
        : std::runtime_error(message), code(code), unsupportedVersion(std::move(unsupportedVersion))
    {
    }

    int code;
    // The protocol version a request asked for that this server does not speak.
    std::optional<std::string> unsupportedVersion;
};

// "olva" and the program's version.
nlohmann::json serverInfo();

class McpServer {
public:
    // The longest line read as a message, without its line feed: far more
    // than any request a client makes, little enough to hold in memory.
    static constexpr std::size_t kLongestLine = 16 * 1024 * 1024;

    explicit McpServer(std::shared_ptr<Store> store) : store_(std::move(store)) {}

    // Answers one input line (without its line feed): the reply line, without
    // a line feed, or nothing for a notification.
    std::optional<std::string> handleLine(std::string_view line);

    // The error reply to a line longer than kLongestLine, which is passed
    // over up to its line feed.
    static std::string tooLongReply();

    // One request; throws ProtocolError (or any other error) for an error reply.
    nlohmann::json handleRequest(const std::string& method, const nlohmann::json& params);

private:
    std::shared_ptr<Store> store_;
};

// Serves requests read from standard input until it ends or cannot be read,
// writing each reply to standard output in one write.
void serveMCP(const std::shared_ptr<Store>& store);

}  // namespace olva
