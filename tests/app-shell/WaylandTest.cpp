// The built app in a Wayland session: on a headless Weston of its own, with
// no X display and no platform forced, Qt picks its Wayland plugin, and the
// app takes its bus name and answers an intent as it does anywhere else.
#include "OlvaApp/Model/AppBus.h"
#include "tests/support/app/ModelFixture.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <fstream>

using namespace olva;
using namespace olva::test;

namespace {

class WaylandSession : public ModelFixture {
public:
    void SetUp() override { probe = app::bus::connectToSessionBus(QStringLiteral("probe")); }

    void TearDown() override
    {
        for (QProcess* process : {&app, &weston}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->terminate();
            if (!process->waitForFinished(hangGuardMs)) process->kill();
        }
        if (!runtime.empty()) std::filesystem::remove_all(runtime);
        QDBusConnection::disconnectFromBus(probe.name());
    }

    // Starts Weston without a screen; an empty text once it listens, else
    // why it did not.
    QString startWeston(const QString& program)
    {
        // The socket's path must fit a socket address, which the test's own
        // folder under the build tree may not.
        char dir[] = "/tmp/olva-wayland-XXXXXX";
        if (!::mkdtemp(dir)) return QStringLiteral("no runtime folder");
        runtime = dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
        weston.setProcessEnvironment(env);
        // Into a file, so that a full pipe never holds the compositor up.
        const auto log = temp.path() / "weston.log";
        weston.setProcessChannelMode(QProcess::MergedChannels);
        weston.setStandardOutputFile(QString::fromStdString(log.string()));
        weston.start(program, {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + socket,
                               QStringLiteral("--idle-time=0")});
        if (!weston.waitForStarted()) return QStringLiteral("it did not start");
        const auto listening = runtime / socket.toStdString();
        processUntil([&] { return std::filesystem::exists(listening) || weston.state() == QProcess::NotRunning; });
        if (std::filesystem::exists(listening)) return {};
        weston.waitForFinished(1000);
        const QStringList said = QString::fromLocal8Bit(readFile(log)).trimmed().split(u'\n');
        return QStringLiteral("it ended saying “%1”").arg(said.constLast());
    }

    // A desktop's Wayland session: no X display, no platform named.
    QProcessEnvironment session() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        return env;
    }

    // The Qt platform plugins the process has loaded.
    QStringList platformPlugins(qint64 pid) const
    {
        QStringList plugins;
        std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
        for (std::string line; std::getline(maps, line);) {
            const auto at = line.find("/platforms/");
            if (at == std::string::npos) continue;
            const QString name = QString::fromStdString(line.substr(at + 11));
            if (!plugins.contains(name)) plugins.append(name);
        }
        return plugins;
    }

    bool nameOwned() const { return probe.interface()->isServiceRegistered(app::bus::serviceName); }

    const QString socket = QStringLiteral("olva-test");
    std::filesystem::path runtime;
    QDBusConnection probe{QString()};
    QProcess weston, app;
};

TEST_F(WaylandSession, TheAppRunsOnWaylandAndAnswersAnIntent)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (program.isEmpty()) GTEST_SKIP() << "Weston is missing; scripts/setup.sh installs it (package weston)";
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    if (const QString why = startWeston(program); !why.isEmpty())
        GTEST_SKIP() << "Weston cannot start here: " << why.toStdString();

    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    app.setProcessEnvironment(session());
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(OLVA_APP_EXECUTABLE), {QStringLiteral("--service")});
    ASSERT_TRUE(app.waitForStarted());
    ASSERT_TRUE(processUntil([&] { return nameOwned(); })) << "the app never took its name";

    const QStringList plugins = platformPlugins(app.processId());
    ASSERT_EQ(plugins.size(), 1) << plugins.join(u' ').toStdString();
    EXPECT_TRUE(plugins.constFirst().startsWith(QStringLiteral("libqwayland-"))) << plugins.constFirst().toStdString();

    // An intent from the same session reaches it.
    QProcess intent;
    intent.setProcessEnvironment(session());
    intent.start(QStringLiteral(OLVA_APP_EXECUTABLE), {QStringLiteral("--pause")});
    processUntil([&] { return intent.state() == QProcess::NotRunning; });
    EXPECT_EQ(intent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(intent.exitCode(), 0) << intent.readAllStandardError().toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);

    ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(hangGuardMs));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_FALSE(nameOwned());
}

}  // namespace
