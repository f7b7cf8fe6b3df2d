#include "OlvaApp/ConnectView/ToolLink.h"

#include "Core/base/JsonWriter.h"
#include "OlvaApp/Model/PrivilegedRunner.h"

#include <QCoreApplication>
#include <QFile>

#include <system_error>

#include <unistd.h>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::ToolLink)
};

QString text(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

std::filesystem::path withoutTrailingSlash(std::filesystem::path path)
{
    path = path.lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) path = path.parent_path();
    return path;
}

}  // namespace

std::optional<std::filesystem::path> toolBeside(const std::filesystem::path& appExecutable)
{
    const std::filesystem::path tool = appExecutable.parent_path() / "olva";
    std::error_code error;
    if (!std::filesystem::is_regular_file(tool, error) || ::access(tool.c_str(), X_OK) != 0) return std::nullopt;
    return tool;
}

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString mcpCommandLine(const std::filesystem::path& tool)
{
    return QStringLiteral("claude mcp add olva -- ") + shellQuoted(text(tool)) + QStringLiteral(" mcp");
}

QString mcpConfigJSON(const std::filesystem::path& tool)
{
    const nlohmann::json config = {{"mcpServers", {{"olva", {{"command", tool.string()}, {"args", {"mcp"}}}}}}};
    try {
        return QString::fromStdString(writeJson(config, {.pretty = true, .sortKeys = true, .escapeSlashes = false}));
    } catch (const std::exception&) {
        return {};
    }
}

QString linkCommand(const std::filesystem::path& tool, const std::filesystem::path& link)
{
    const QString refusal = Words::tr("Olva won’t replace %1: it is not a link. Move it away, then try again.")
                                .arg(text(link));
    return QStringLiteral("link=%1\n"
                          "if [ -e \"$link\" ] && [ ! -L \"$link\" ]; then\n"
                          "  printf '%s\\n' %2 >&2\n"
                          "  exit 1\n"
                          "fi\n"
                          "mkdir -p %3 && ln -sfn %4 \"$link\"\n")
        .arg(shellQuoted(text(link)), shellQuoted(refusal), shellQuoted(text(link.parent_path())),
             shellQuoted(text(tool)));
}

ToolLink::ToolLink(std::filesystem::path tool, std::filesystem::path link, std::string searchPath)
    : tool_(std::move(tool)), link_(std::move(link)), searchPath_(std::move(searchPath))
{
}

std::optional<std::filesystem::path> ToolLink::installedFolder() const
{
    std::error_code error;
    // The link's own text, not where it finally leads.
    const std::filesystem::path target = std::filesystem::read_symlink(link_, error);
    if (!error && target == tool_) return link_.parent_path();
    const std::filesystem::path folder = withoutTrailingSlash(tool_.parent_path());
    std::size_t start = 0;
    while (start <= searchPath_.size()) {
        std::size_t end = searchPath_.find(':', start);
        if (end == std::string::npos) end = searchPath_.size();
        const std::string entry = searchPath_.substr(start, end - start);
        if (!entry.empty() && withoutTrailingSlash(entry) == folder) return tool_.parent_path();
        start = end + 1;
    }
    return std::nullopt;
}

ToolLink::Outcome ToolLink::install(PrivilegedRunner& runner) const
{
    const PrivilegedResult ran =
        runner.run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), linkCommand(tool_, link_)});
    if (ran.status == PrivilegedResult::Status::cancelled) return {Outcome::Result::cancelled, {}};
    const QString fallback = Words::tr("Olva couldn’t create the link.");
    if (ran.status == PrivilegedResult::Status::failed)
        return {Outcome::Result::failed, ran.message.isEmpty() ? fallback : ran.message};
    std::error_code error;
    if (std::filesystem::read_symlink(link_, error) != tool_ || error) return {Outcome::Result::failed, fallback};
    return {Outcome::Result::installed, {}};
}

}  // namespace olva::app
