#include "OlvaApp/App/LaunchRequest.h"

#include "OlvaApp/AppVersion.h"

#include <QCoreApplication>

#include <map>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::LaunchRequest)
};

LaunchRequest usage(QString error) { return {LaunchRequest::Kind::usage, {}, std::move(error)}; }

}  // namespace

LaunchRequest parseLaunch(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder)
{
    static const std::map<std::string, LaunchRequest::Kind> flags = {
        {"--at-login", LaunchRequest::Kind::atLogin}, {"--service", LaunchRequest::Kind::service},
        {"--pause", LaunchRequest::Kind::pause},      {"--resume", LaunchRequest::Kind::resume},
        {"--run-now", LaunchRequest::Kind::runNow},   {"--explain", LaunchRequest::Kind::explain},
    };
    LaunchRequest request;
    bool chosen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") return usage({});
        if (argument == "--version") return {LaunchRequest::Kind::version, {}, {}};
        auto flag = flags.find(argument);
        if (flag == flags.end())
            return usage(Words::tr("unknown argument “%1”").arg(QString::fromStdString(argument)));
        if (chosen) return usage(Words::tr("give one request at a time"));
        chosen = true;
        request.kind = flag->second;
        if (request.kind != LaunchRequest::Kind::explain) continue;
        if (++i == arguments.size()) return usage(Words::tr("--explain needs a file"));
        if (!arguments[i].empty()) request.file = workingFolder / arguments[i];
    }
    return request;
}

QString usageText()
{
    return Words::tr("usage: OlvaApp [--at-login | --pause | --resume | --run-now | --explain FILE]\n"
                     "  (no argument)   open Olva\n"
                     "  --at-login      start as the desktop does at login\n"
                     "  --pause         pause all rules\n"
                     "  --resume        resume all rules\n"
                     "  --run-now       run the rules on every watched folder now\n"
                     "  --explain FILE  tell which rule handles FILE, and why\n"
                     "  --help          show this text\n"
                     "  --version       show the version of Olva\n");
}

QString versionText() { return QStringLiteral("OlvaApp %1\n").arg(QString::fromUtf8(appVersion)); }

}  // namespace olva::app
