// The built app as the desktop runs it: on the test's private bus, with the
// offscreen platform and a real engine, one process owning the app's name
// and every other launch handing its request over.
#include "Core/model/RuleVersion.h"
#include "OlvaApp/Model/AppBus.h"
#include "tests/support/app/ModelFixture.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSettings>

#include <csignal>

using namespace olva;
using namespace olva::test;

namespace {

struct Ran {
    int status = -1;
    QString out, err;
};

class AppProcesses : public ModelFixture {
public:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
        probe = app::bus::connectToSessionBus(QStringLiteral("probe"));
        ASSERT_TRUE(probe.isConnected());
    }

    void TearDown() override
    {
        // The app a launch started on its own is no child of ours.
        if (const auto pid = ownerPid()) ::kill(static_cast<pid_t>(*pid), SIGTERM);
        processUntil([&] { return !nameOwned(); });
        for (auto& app : apps) {
            if (app->state() == QProcess::NotRunning) continue;
            app->terminate();
            if (!app->waitForFinished(hangGuardMs)) app->kill();
        }
        QDBusConnection::disconnectFromBus(probe.name());
    }

    QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    // The app, running until the test ends it.
    QProcess& startApp(const QStringList& arguments)
    {
        auto app = std::make_unique<QProcess>();
        app->setProcessEnvironment(environment());
        app->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app->start(QStringLiteral(OLVA_APP_EXECUTABLE), arguments);
        EXPECT_TRUE(app->waitForStarted());
        apps.push_back(std::move(app));
        return *apps.back();
    }

    // A launch that hands its request over and ends.
    Ran launch(const QStringList& arguments, const QString& workingFolder = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
        process.start(QStringLiteral(OLVA_APP_EXECUTABLE), arguments);
        // The bus and the app answer through this process's event loop. The
        // launch waits for an app it starts up to its own limit (half a
        // minute), which this wait outlasts.
        processUntil([&] { return process.state() == QProcess::NotRunning; }, 2 * hangGuard);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    bool nameOwned() { return probe.interface()->isServiceRegistered(app::bus::serviceName); }
    std::optional<uint> ownerPid()
    {
        const QDBusReply<uint> pid = probe.interface()->servicePid(app::bus::serviceName);
        if (!pid.isValid()) return std::nullopt;
        return pid.value();
    }

    // The app's own settings file, read afresh.
    QVariant setting(const QString& key)
    {
        QSettings file(QString::fromStdString((temp.path() / "config" / "Olva" / "Olva.conf").string()),
                       QSettings::IniFormat);
        return file.value(key);
    }

    QDBusConnection probe{QString()};
    std::vector<std::unique_ptr<QProcess>> apps;
};

TEST_F(AppProcesses, ASecondLaunchBringsTheFirstForwardAndEnds)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    QProcess& first = startApp({QStringLiteral("--at-login")});
    ASSERT_TRUE(processUntil([&] { return nameOwned(); }));
    EXPECT_EQ(ownerPid(), static_cast<uint>(first.processId()));

    const Ran second = launch({});
    EXPECT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_TRUE(processUntil([&] { return setting(QStringLiteral("mainWindowOpen")).toBool(); }));
    EXPECT_EQ(first.state(), QProcess::Running);

    // A second login launch neither opens anything nor stays.
    EXPECT_EQ(launch({QStringLiteral("--at-login")}).status, 0);
    EXPECT_EQ(ownerPid(), static_cast<uint>(first.processId()));
}

TEST_F(AppProcesses, SigtermStopsTheEngineCleanlyAndKeepsTheWindowForNextTime)
{
    const auto inbox = folder("Inbox");
    const Rule rule = extRule("Trash PDFs", "pdf", {Action::trash()});
    writeRules(Config{.paused = false, .folders = {watched(inbox, {rule})}, .bookmarks = {}});
    QProcess& app = startApp({});
    ASSERT_TRUE(processUntil([&] { return setting(QStringLiteral("mainWindowOpen")).toBool(); }));
    writeFile(inbox / "a.pdf", "%PDF");
    ASSERT_TRUE(processUntil([&] { return !std::filesystem::exists(inbox / "a.pdf"); }));
    EXPECT_FALSE(engineLockFree());

    ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(hangGuardMs));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_FALSE(nameOwned());
    EXPECT_TRUE(engineLockFree());
    // The seen marks were written before the process went.
    const Seen seen = Store(dataDir()).loadSeen();
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [&](const auto& mark) { return mark.second.count(ruleVersion(rule)) > 0; }));
    // Quitting closed the window, which still counts as open for next time.
    EXPECT_TRUE(setting(QStringLiteral("mainWindowOpen")).toBool());
}

TEST_F(AppProcesses, IntentsFromTheCommandLineReachTheRunningApp)
{
    const auto inbox = folder("Inbox");
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("Receipts", "pdf", {Action::trash()}, true)})},
                      .bookmarks = {}});
    startApp({QStringLiteral("--service")});
    ASSERT_TRUE(processUntil([&] { return nameOwned(); }));

    writeFile(inbox / "r.pdf", "%PDF");
    const Ran explained = launch({QStringLiteral("--explain"), QStringLiteral("r.pdf")},
                                 QString::fromStdString(inbox.string()));
    EXPECT_EQ(explained.status, 0) << explained.err.toStdString();
    EXPECT_TRUE(explained.out.startsWith(QStringLiteral("“Receipts”"))) << explained.out.toStdString();

    const Ran paused = launch({QStringLiteral("--pause")});
    EXPECT_EQ(paused.status, 0) << paused.err.toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);

    const Ran empty = launch({QStringLiteral("--explain"), QString()});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, QStringLiteral("Choose a file in a watched folder, not a copy of one.\n"));
    const Ran outside = launch({QStringLiteral("--explain"), QStringLiteral("/")});
    EXPECT_EQ(outside.status, 1);
    EXPECT_FALSE(outside.err.isEmpty());

    const Ran wrong = launch({QStringLiteral("--frobnicate")});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("usage: OlvaApp")));
}

TEST_F(AppProcesses, HelpAndVersionAnswerWithoutTheApp)
{
    const Ran help = launch({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: OlvaApp"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("--version"))) << help.out.toStdString();
    EXPECT_EQ(help.err, QString());
    const Ran version = launch({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("OlvaApp " OLVA_PROJECT_VERSION "\n"));
    EXPECT_EQ(version.err, QString());
    EXPECT_FALSE(nameOwned());
}

TEST_F(AppProcesses, AnIntentWithNoAppRunningStartsOneFirst)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    const Ran resumed = launch({QStringLiteral("--pause")});
    EXPECT_EQ(resumed.status, 0) << resumed.err.toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);
    // The app it started goes on running, as one the bus had started would.
    EXPECT_TRUE(nameOwned());
    EXPECT_FALSE(engineLockFree());
}

// A bus that starts the app itself from its service file, as a session bus
// does once the app is installed.
class ActivatingBus : public AppProcesses {
public:
    void SetUp() override
    {
        const auto services = temp.path() / "services";
        std::filesystem::create_directories(services);
        // The app as installed, behind a script that notes how it was started.
        const auto installed = temp.path() / "OlvaApp";
        writeFile(installed, "#!/bin/sh\necho \"$@\" > '" + (temp.path() / "activated").string() + "'\nexec '"
                                 OLVA_APP_EXECUTABLE "' \"$@\"\n");
        std::filesystem::permissions(installed, std::filesystem::perms::owner_all);
        std::string service = readFile(std::filesystem::path(OLVA_SOURCE_DIR) / "OlvaApp/data/tools.olva.app.service.in");
        service.replace(service.find("@OLVA_APP_INSTALLED@"), std::string("@OLVA_APP_INSTALLED@").size(),
                        installed.string());
        writeFile(services / "tools.olva.app.service", service);
        const auto config = temp.path() / "bus.conf";
        // The usual session bus, and one more folder of services.
        writeFile(config, "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                          " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                          "<busconfig><include>/usr/share/dbus-1/session.conf</include>"
                          "<servicedir>" + services.string() + "</servicedir></busconfig>\n");
        // What the bus starts inherits the bus's environment.
        daemon.setProcessEnvironment(environment());
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + QString::fromStdString(config.string()),
                      QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(processUntil([&] { return daemon.canReadLine(); }));
        address.emplace("DBUS_SESSION_BUS_ADDRESS", QString::fromLatin1(daemon.readLine()).trimmed().toStdString());
        AppProcesses::SetUp();
    }

    void TearDown() override
    {
        AppProcesses::TearDown();
        daemon.terminate();
        daemon.waitForFinished();
    }

    QProcess daemon;
    std::optional<ScopedEnv> address;
};

TEST_F(ActivatingBus, StartsTheAppFromItsServiceFileForAnIntent)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    const Ran paused = launch({QStringLiteral("--pause")});
    EXPECT_EQ(paused.status, 0) << paused.err.toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);
    ASSERT_TRUE(nameOwned());
    // The bus started it, from the service file, not the launch.
    EXPECT_EQ(readFile(temp.path() / "activated"), "--service\n");
    // Started as the bus starts it: no window.
    EXPECT_FALSE(setting(QStringLiteral("mainWindowOpen")).toBool());
}

}  // namespace
