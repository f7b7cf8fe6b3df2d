// OlvaApp [--at-login | --pause | --resume | --run-now | --explain FILE]:
// the desktop app, or a request handed to the running one.
#include "OlvaApp/App/AppShell.h"
#include "OlvaApp/App/InstanceClient.h"
#include "OlvaApp/App/LaunchRequest.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/ModelError.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void name(QCoreApplication&)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Olva"));
    QCoreApplication::setApplicationName(QStringLiteral("Olva"));
}

int report(const olva::app::HandOver& handOver)
{
    std::fputs(handOver.output.toLocal8Bit().constData(), stdout);
    std::fputs(handOver.error.toLocal8Bit().constData(), stderr);
    return handOver.status;
}

int handOver(const olva::app::LaunchRequest& request)
{
    olva::app::InstanceClient client(olva::app::bus::connectToSessionBus(QStringLiteral("client")),
                                     QCoreApplication::applicationFilePath());
    return report(client.handOver(request));
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace olva::app;

    std::error_code error;
    std::filesystem::path workingFolder = std::filesystem::current_path(error);
    if (error) workingFolder = "/";
    const LaunchRequest request = parseLaunch(std::vector<std::string>(argv + 1, argv + argc), workingFolder);
    if (request.kind == LaunchRequest::Kind::usage) {
        std::fputs((request.error.isEmpty() ? QString() : request.error + u'\n').toLocal8Bit().constData(), stderr);
        std::fputs(usageText().toLocal8Bit().constData(), request.error.isEmpty() ? stdout : stderr);
        return request.error.isEmpty() ? 0 : 2;
    }
    if (request.kind == LaunchRequest::Kind::version) {
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return 0;
    }

    // An intent needs no display: it only talks to the running app.
    if (!request.startsApp()) {
        QCoreApplication app(argc, argv);
        name(app);
        return handOver(request);
    }

    QApplication app(argc, argv);
    name(app);
    // No display name: the platform would add it to every window's title
    // ("Olva Settings — Olva"); the windows name themselves.
    QGuiApplication::setDesktopFileName(QStringLiteral("tools.olva.app"));
    QGuiApplication::setWindowIcon(namedIcon(QStringLiteral("tools.olva.app")));

    std::unique_ptr<AppShell> shell;
    try {
        shell = std::make_unique<AppShell>(ShellOptions{
            .services = {},
            .appExecutable = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
            .handleStopSignals = true,
        });
    } catch (const ModelError& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        QMessageBox::critical(nullptr, QObject::tr("Olva Can’t Start"), failure.errorDescription());
        return 1;
    }
    if (shell->claim() == AppService::Claim::taken) {
        shell.reset();
        return handOver(request);
    }
    shell->launch(request.kind);
    const int status = app.exec();
    // Stops the engine as `olva run` does: the file in hand is finished and
    // what was held back is written.
    shell.reset();
    return status;
}
