// The tray icon as a desktop sees it: the built app, on an X server of its
// own (Xvfb), registers its item with the tray host on the session bus.
// Offscreen, Qt never makes a tray item, so this one test needs Xvfb.
#include "tests/app-shell/FakeTrayHost.h"
#include "tests/support/app/ModelFixture.h"

#include <QDBusInterface>
#include <QProcess>
#include <QStandardPaths>

using namespace olva;
using namespace olva::test;

namespace {

class TrayHost : public ModelFixture {
public:
    void TearDown() override
    {
        for (QProcess* process : {&app, &xvfb}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->terminate();
            if (!process->waitForFinished(hangGuardMs)) process->kill();
        }
    }

    // Starts an X server on a free display; its number, or empty.
    QString startXvfb(const QString& program)
    {
        // -displayfd: the server picks a free display and prints its number
        // once it accepts connections.
        xvfb.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("800x600x24")});
        if (!xvfb.waitForStarted()) return {};
        processUntil([&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; });
        return QString::fromLatin1(xvfb.readLine()).trimmed();
    }

    QProcess xvfb, app;
};

TEST_F(TrayHost, TheAppsItemRegistersWithTheHost)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) GTEST_SKIP() << "Xvfb is missing; scripts/setup.sh installs it (package xvfb)";
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";

    FakeTrayHost host;
    ASSERT_TRUE(host.publish());
    const QString display = startXvfb(program);
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + display);
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(OLVA_APP_EXECUTABLE), {QStringLiteral("--service")});
    ASSERT_TRUE(app.waitForStarted());

    ASSERT_TRUE(processUntil([&] { return !host.items().isEmpty(); }))
        << "the app's tray item never registered";
    // The item answers on the bus with the app's name.
    const QString service = host.items().constFirst();
    QDBusInterface item(service.section(u'/', 0, 0), QStringLiteral("/StatusNotifierItem"),
                        QStringLiteral("org.kde.StatusNotifierItem"), host.connection());
    EXPECT_EQ(item.property("Status").toString(), QStringLiteral("Active"));
    EXPECT_EQ(item.property("Title").toString(), QStringLiteral("Olva"));
}

}  // namespace
