// The app's bus under calls no launcher would make: arguments far longer
// than any file URI, several at once. Each is refused with the app's error
// and its sentence, and the app goes on answering; the tool's signals, made
// as large, leave the app hearing the next ones.
#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/ToolSignals.h"
#include "tests/support/app/ModelFixture.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QSignalSpy>

using namespace olva;
using namespace olva::test;

namespace {

// Beyond what the bus library holds for one connection before it stops
// reading (63 MiB), once two of them are in flight.
const QString huge = QStringLiteral("file:///") + QString(40 * 1024 * 1024, QLatin1Char('a'));
const QString overlongSentence = QStringLiteral("That is too long to be the address of a file, so Olva did nothing with it.");

// The bus moves a message this large a couple of kilobytes at a time, each
// through the event loops at both ends: on a busy machine that takes a good
// while, and the calls below allow for it as they would for a hang.
constexpr std::chrono::milliseconds hugeMessageGuard = 3 * hangGuard;

class AppBusLimits : public ModelFixture {
public:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
        caller = app::bus::connectToSessionBus(QStringLiteral("caller"));
        ASSERT_TRUE(caller.isConnected());
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            app.terminate();
            EXPECT_TRUE(app.waitForFinished(int(std::chrono::milliseconds(hangGuard).count())))
                << "the app did not end on SIGTERM";
            if (app.state() != QProcess::NotRunning) app.kill();
        }
        QDBusConnection::disconnectFromBus(caller.name());
    }

    void startApp()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(QStringLiteral(OLVA_APP_EXECUTABLE), {QStringLiteral("--service")});
        ASSERT_TRUE(app.waitForStarted());
        ASSERT_TRUE(processUntil([&] { return caller.interface()->isServiceRegistered(app::bus::serviceName); }));
    }

    static QDBusMessage message(const QString& interface, const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(app::bus::serviceName, app::bus::objectPath, interface, method);
        call.setArguments(arguments);
        return call;
    }

    // Sends the calls all at once, then waits for every answer.
    std::vector<QDBusMessage> callTogether(const std::vector<QDBusMessage>& calls)
    {
        const int timeout = int(hugeMessageGuard.count());
        std::vector<QDBusPendingCall> pending;
        for (const auto& call : calls) pending.push_back(caller.asyncCall(call, timeout));
        processUntil(
            [&] { return std::all_of(pending.begin(), pending.end(), [](auto& one) { return one.isFinished(); }); },
            hugeMessageGuard + std::chrono::seconds(1));
        std::vector<QDBusMessage> replies;
        for (auto& one : pending) replies.push_back(one.reply());
        return replies;
    }

    QDBusMessage callOne(const QDBusMessage& call) { return callTogether({call}).front(); }

    QDBusConnection caller{QString()};
    QProcess app;
};

struct OverlongCall {
    const char* what;
    QString interface;
    QString method;
    QVariantList arguments;

    friend void PrintTo(const OverlongCall& call, std::ostream* out) { *out << call.what; }
};

class OverlongCalls : public AppBusLimits, public ::testing::WithParamInterface<OverlongCall> {};

// Two at once of each kind, an app of its own for each.
TEST_P(OverlongCalls, AreRefusedWithTheSentenceAndTheAppGoesOnAnswering)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    startApp();
    const QDBusMessage call = message(GetParam().interface, GetParam().method, GetParam().arguments);
    for (const QDBusMessage& reply : callTogether({call, call})) {
        EXPECT_EQ(reply.errorName(), app::bus::errorName) << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.errorMessage(), overlongSentence);
    }
    const QDBusMessage pong = callOne(message(QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    EXPECT_EQ(pong.type(), QDBusMessage::ReplyMessage) << pong.errorMessage().toStdString();

    // Work still reaches the model and comes back answered.
    const QDBusMessage paused = callOne(message(app::bus::intentsInterface, QStringLiteral("SetPaused"), {true}));
    EXPECT_EQ(paused.type(), QDBusMessage::ReplyMessage) << paused.errorMessage().toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OverlongCalls,
    ::testing::Values(
        OverlongCall{"explanations", app::bus::intentsInterface, QStringLiteral("ExplainFile"), {huge}},
        OverlongCall{"actions", app::bus::applicationInterface, QStringLiteral("ActivateAction"),
                     {huge, QVariantList(), QVariantMap()}},
        OverlongCall{"activations", app::bus::applicationInterface, QStringLiteral("Activate"),
                     {QVariantMap{{QStringLiteral("activation-token"), huge}}}}),
    [](const ::testing::TestParamInfo<OverlongCall>& info) { return std::string(info.param.what); });

// A URI of the longest path the system allows, every byte encoded, is not
// refused for its length.
TEST_F(AppBusLimits, TheLongestPathIsNotTooLong)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    startApp();
    const QString longest = QStringLiteral("file://") + QStringLiteral("/%61").repeated(4096 / 2);
    const QDBusMessage explained = callOne(message(app::bus::intentsInterface, QStringLiteral("ExplainFile"), {longest}));
    EXPECT_NE(explained.errorMessage(), overlongSentence);
    EXPECT_EQ(explained.errorName(), app::bus::errorName);
}

TEST_F(AppBusLimits, HugeToolSignalsLeaveTheAppHearingTheNextOnes)
{
    app::ToolSignals listener;
    ASSERT_TRUE(listener.isListening());
    QSignalSpy heard(&listener, &app::ToolSignals::rulesChanged);
    QDBusMessage large = QDBusMessage::createSignal(app::bus::objectPath, QStringLiteral("tools.olva.app"),
                                                    QStringLiteral("rulesChanged"));
    large << huge;
    const QDBusMessage plain = QDBusMessage::createSignal(app::bus::objectPath, QStringLiteral("tools.olva.app"),
                                                          QStringLiteral("rulesChanged"));
    // The listener's connection: the one of this process besides the caller's.
    QStringList listeners;
    for (const QString& name : caller.interface()->registeredServiceNames().value())
        if (name.startsWith(QLatin1Char(':')) && name != caller.baseService()
            && caller.interface()->servicePid(name).value() == uint(QCoreApplication::applicationPid()))
            listeners << name;
    ASSERT_EQ(listeners.size(), 1) << listeners.join(QLatin1Char(' ')).toStdString();

    caller.send(large);
    caller.send(large);
    // A main thread busy meanwhile, as the app's may be: the listener's
    // connection reads on, both messages and then the ping sent after
    // them, which it answers on its own thread while this one waits.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        listeners[0], QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    QDBusPendingCall pong = caller.asyncCall(ping, int(hugeMessageGuard.count()));
    pong.waitForFinished();
    ASSERT_FALSE(pong.isError()) << pong.error().message().toStdString();
    ASSERT_TRUE(processUntil([&] { return heard.count() == 2; }));
    caller.send(plain);
    EXPECT_TRUE(processUntil([&] { return heard.count() == 3; }));
}

}  // namespace
