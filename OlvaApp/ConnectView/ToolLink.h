// The command-line tool that ships beside the app, and the link that puts it
// on the shell's search path: where the tool is, whether the link points at
// it, the snippets with which AI apps start its MCP server, and the
// administrator's command that makes the link.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>

namespace olva::app {

class PrivilegedRunner;

// The tool beside the app's executable, when it is there.
std::optional<std::filesystem::path> toolBeside(const std::filesystem::path& appExecutable);

// The text in single quotes, each single quote inside written '\''.
QString shellQuoted(const QString& text);

// "claude mcp add olva -- '<tool>' mcp".
QString mcpCommandLine(const std::filesystem::path& tool);
// {"mcpServers": {"olva": {"args": ["mcp"], "command": "<tool>"}}},
// indented, keys sorted, slashes as they are; empty when the path is not
// UTF-8.
QString mcpConfigJSON(const std::filesystem::path& tool);

// The shell command that links `link` to `tool`: it makes the link's folder,
// replaces a link that is already there (never following it into a folder),
// and refuses, with a message on standard error, when something other than
// a link holds the name.
QString linkCommand(const std::filesystem::path& tool, const std::filesystem::path& link);

class ToolLink {
public:
    static inline const std::filesystem::path defaultLink = "/usr/local/bin/olva";

    // `searchPath`: the PATH to look in for the tool's own folder.
    ToolLink(std::filesystem::path tool, std::filesystem::path link, std::string searchPath);

    const std::filesystem::path& tool() const { return tool_; }
    const std::filesystem::path& link() const { return link_; }

    // Where the shell finds the tool: the link's folder while the link's own
    // text is exactly the tool's path, else the tool's folder when PATH
    // holds it; none when it must be installed.
    std::optional<std::filesystem::path> installedFolder() const;

    struct Outcome {
        enum class Result { installed, cancelled, failed };
        Result result = Result::installed;
        QString message;  // for a failure
    };

    // Runs the link command as the administrator, then reads the link again:
    // only a link that points at the tool counts as installed.
    Outcome install(PrivilegedRunner& runner) const;

private:
    std::filesystem::path tool_;
    std::filesystem::path link_;
    std::string searchPath_;
};

}  // namespace olva::app
