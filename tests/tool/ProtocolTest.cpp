#include "olva/McpServer.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::test;
using nlohmann::json;

namespace {

class Protocol : public ::testing::Test {
protected:
    // The reply to one line, parsed; null when there was none.
    json reply(const std::string& line)
    {
        std::optional<std::string> text = server.handleLine(line);
        if (!text) return nullptr;
        EXPECT_EQ(text->find('\n'), std::string::npos);
        return json::parse(*text);
    }

    json request(const std::string& method, json params = json::object(), json id = 1)
    {
        return reply(json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump());
    }

    ToolFixture fixture;
    McpServer server{fixture.store()};
};

json metaVersion(const std::string& version)
{
    return json{{"_meta", {{"io.modelcontextprotocol/protocolVersion", version}}}};
}

}  // namespace

TEST_F(Protocol, LinesThatAreNotObjectsGetTheParseError)
{
    json parseError = {{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", -32700}, {"message", "Parse error"}}}};
    for (const char* line : {"[1,2]", "not json", "\"text\"", "{\"id\":1,\"method\":\"ping\"} trailing",
                             "{\"id\":1,\"method\":\"p\xffng\"}"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(reply(line), parseError);
    }
}

TEST_F(Protocol, NotificationsGetNothingAndRequestsWithoutAMethodAreUnknown)
{
    EXPECT_TRUE(reply(R"({"jsonrpc":"2.0","method":"notifications/initialized"})").is_null());
    EXPECT_EQ(reply(R"({"jsonrpc":"2.0","id":1})"),
              (json{{"jsonrpc", "2.0"}, {"id", 1}, {"error", {{"code", -32601}, {"message", "Method not found: "}}}}));
    EXPECT_EQ(request("resources/list")["error"]["message"], "Method not found: resources/list");
    // A method that is not text counts as none.
    EXPECT_EQ(reply(R"({"id":2,"method":7})")["error"]["message"], "Method not found: ");
}

TEST_F(Protocol, IdsAreEchoedAsTheyCame)
{
    EXPECT_EQ(request("ping", json::object(), "abc")["id"], "abc");
    EXPECT_EQ(request("ping", json::object(), 42)["id"], 42);
    json nullId = request("ping", json::object(), nullptr);
    ASSERT_TRUE(nullId.contains("id"));
    EXPECT_TRUE(nullId["id"].is_null());
    EXPECT_TRUE(nullId.contains("result"));
}

TEST_F(Protocol, InitializeNegotiatesOneOfTheFourVersions)
{
    json result = request("initialize", {{"protocolVersion", "2024-11-05"}})["result"];
    EXPECT_EQ(result["protocolVersion"], "2024-11-05");
    EXPECT_EQ(result["capabilities"], (json{{"tools", json::object()}}));
    EXPECT_EQ(result["serverInfo"]["name"], "olva");
    EXPECT_TRUE(result["serverInfo"]["version"].is_string());
    EXPECT_TRUE(result["instructions"].get<std::string>().starts_with("Olva watches folders on this computer"));
    EXPECT_EQ(result["resultType"], "complete");
    EXPECT_FALSE(result.contains("_meta"));

    for (json asked : {json("2026-07-28"), json("1.0"), json(nullptr), json(5)})
        EXPECT_EQ(request("initialize", {{"protocolVersion", asked}})["result"]["protocolVersion"], "2025-11-25") << asked;
    EXPECT_EQ(request("initialize")["result"]["protocolVersion"], "2025-11-25");
    // The metadata check is not made for initialize.
    EXPECT_TRUE(request("initialize", metaVersion("1999-01-01")).contains("result"));
}

TEST_F(Protocol, RequestMetadataMustNameAnAcceptedVersion)
{
    for (const char* version : {"2026-07-28", "2025-03-26", "2024-11-05"})
        EXPECT_TRUE(request("ping", metaVersion(version)).contains("result")) << version;

    json error = request("ping", metaVersion("2024-10-07"))["error"];
    EXPECT_EQ(error["code"], -32022);
    EXPECT_EQ(error["message"], "Unsupported protocol version");
    EXPECT_EQ(error["data"]["requested"], "2024-10-07");
    EXPECT_EQ(error["data"]["supported"],
              json::array({"2026-07-28", "2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"}));
    // Before the method is even looked at.
    EXPECT_EQ(request("no/such", metaVersion("x"))["error"]["code"], -32022);
    // Metadata that names no version in text passes.
    EXPECT_TRUE(request("ping", {{"_meta", "2024-10-07"}}).contains("result"));
    EXPECT_TRUE(request("ping", {{"_meta", {{"io.modelcontextprotocol/protocolVersion", 3}}}}).contains("result"));
}

TEST_F(Protocol, ResultsCarryTheirTypeServerInfoAndCacheHints)
{
    json info = {{"io.modelcontextprotocol/serverInfo", serverInfo()}};

    json ping = request("ping")["result"];
    EXPECT_EQ(ping, (json{{"resultType", "complete"}, {"_meta", info}}));

    json discover = request("server/discover")["result"];
    EXPECT_EQ(discover["supportedVersions"],
              json::array({"2026-07-28", "2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"}));
    EXPECT_EQ(discover["ttlMs"], 3600000);
    EXPECT_EQ(discover["cacheScope"], "public");
    EXPECT_EQ(discover["_meta"], info);
    EXPECT_EQ(discover["resultType"], "complete");

    json list = request("tools/list")["result"];
    EXPECT_EQ(list["tools"].size(), 8u);
    EXPECT_EQ(list["ttlMs"], 3600000);
    EXPECT_EQ(list["_meta"], info);

    json call = request("tools/call", {{"name", "list_folders"}})["result"];
    EXPECT_EQ(call["_meta"], info);
    EXPECT_EQ(call["isError"], false);
    EXPECT_FALSE(call.contains("ttlMs"));
}

TEST_F(Protocol, ToolCallsNeedAListedName)
{
    json error = request("tools/call", {{"name", "delete_everything"}})["error"];
    EXPECT_EQ(error, (json{{"code", -32602}, {"message", "Unknown tool: delete_everything"}}));
    EXPECT_EQ(request("tools/call", {{"name", 12}})["error"]["message"], "Unknown tool: 12");
    EXPECT_EQ(request("tools/call")["error"]["message"], "Unknown tool: ");
    EXPECT_EQ(request("tools/call", {{"name", "LIST_FOLDERS"}})["error"]["code"], -32602);
    // Arguments that are not an object count as none.
    json result = request("tools/call", {{"name", "list_rules"}, {"arguments", "x"}})["result"];
    EXPECT_EQ(result["content"][0]["text"], "folder is required");
    EXPECT_EQ(result["isError"], true);
}

TEST_F(Protocol, SlashesStayUnescaped)
{
    fixture.watch(fixture.inbox());
    std::string text = *server.handleLine(R"({"id":1,"method":"tools/call","params":{"name":"list_folders"}})");
    EXPECT_EQ(text.find("\\/"), std::string::npos);
    EXPECT_NE(text.find(fixture.inbox().string()), std::string::npos);
}

TEST_F(Protocol, HostileNestingIsRefusedWithoutExhaustingTheStack)
{
    const int depth = 200000;
    std::string deep = R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"create_rule","arguments":{"rule":)";
    deep += std::string(depth, '[') + std::string(depth, ']') + "}}}";
    EXPECT_EQ(reply(deep)["error"]["code"], -32700);

    std::string deepId = "{\"id\":" + std::string(depth, '[') + std::string(depth, ']') + ",\"method\":\"ping\"}";
    EXPECT_EQ(reply(deepId)["error"]["code"], -32700);

    // A rule nested as deep as the model allows still comes through to the
    // rule decoder, which gives the client its complaint.
    json group = {{"mode", "all"}, {"items", json::array()}};
    for (int i = 0; i < 70; ++i) group = {{"mode", "any"}, {"items", json::array({group})}};
    json rule = {{"name", "deep"}, {"match", group}, {"actions", json::array({{{"trash", json::object()}}})}};
    json result = request("tools/call", {{"name", "preview_rule"}, {"arguments", {{"folder", "/x"}, {"rule", rule}}}});
    EXPECT_EQ(result["result"]["isError"], true);
    EXPECT_NE(result["result"]["content"][0]["text"].get<std::string>().find("nested more than 64 levels"),
              std::string::npos);
}
