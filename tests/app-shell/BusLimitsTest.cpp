// The app's bus under calls no launcher would make: arguments far longer
// than any file URI, several at once. Each is refused with the app's error
// and its sentence, and the app goes on answering; the tool's signals, made
// as large, leave the app hearing the next ones.
#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/ToolSignals.h"
#include "tests/support/app/ModelFixture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QSignalSpy>

#include <thread>

using namespace olva;
using namespace olva::test;

namespace {

// Beyond what the bus library holds for one connection before it stops
// reading (63 MiB), once two of them are in flight.
const QString huge = QStringLiteral("file:///") + QString(40 * 1024 * 1024, QLatin1Char('a'));
const QString overlongSentence = QStringLiteral("That is too long to be the address of a file, so Olva did nothing with it.");

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
            EXPECT_TRUE(app.waitForFinished(10000)) << "the app did not end on SIGTERM";
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
        ASSERT_TRUE(processUntil([&] { return caller.interface()->isServiceRegistered(app::bus::serviceName); },
                                 std::chrono::seconds(10)));
    }

    static QDBusMessage message(const QString& interface, const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(app::bus::serviceName, app::bus::objectPath, interface, method);
        call.setArguments(arguments);
        return call;
    }

    // Sends the calls all at once, then waits for every answer.
    std::vector<QDBusMessage> callTogether(const std::vector<QDBusMessage>& calls, int timeoutMs = 10000)
    {
        std::vector<QDBusPendingCall> pending;
        for (const auto& call : calls) pending.push_back(caller.asyncCall(call, timeoutMs));
        processUntil(
            [&] { return std::all_of(pending.begin(), pending.end(), [](auto& one) { return one.isFinished(); }); },
            std::chrono::milliseconds(timeoutMs + 1000));
        std::vector<QDBusMessage> replies;
        for (auto& one : pending) replies.push_back(one.reply());
        return replies;
    }

    QDBusMessage callOne(const QDBusMessage& call) { return callTogether({call}, 5000).front(); }

    QDBusConnection caller{QString()};
    QProcess app;
};

TEST_F(AppBusLimits, OverlongCallsAreRefusedWithTheSentenceAndTheAppGoesOnAnswering)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    startApp();
    struct Case {
        const char* what;
        QDBusMessage call;
    };
    const std::vector<Case> cases = {
        {"two explanations at once", message(app::bus::intentsInterface, QStringLiteral("ExplainFile"), {huge})},
        {"two actions at once", message(app::bus::applicationInterface, QStringLiteral("ActivateAction"),
                                        {huge, QVariantList(), QVariantMap()})},
        {"two activations at once", message(app::bus::applicationInterface, QStringLiteral("Activate"),
                                            {QVariantMap{{QStringLiteral("activation-token"), huge}}})},
    };
    for (const auto& [what, call] : cases) {
        SCOPED_TRACE(what);
        for (const QDBusMessage& reply : callTogether({call, call})) {
            EXPECT_EQ(reply.errorName(), app::bus::errorName) << reply.errorMessage().toStdString();
            EXPECT_EQ(reply.errorMessage(), overlongSentence);
        }
        const QDBusMessage pong = callOne(message(QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
        EXPECT_EQ(pong.type(), QDBusMessage::ReplyMessage) << pong.errorMessage().toStdString();
    }

    // Work still reaches the model and comes back answered.
    const QDBusMessage paused = callOne(message(app::bus::intentsInterface, QStringLiteral("SetPaused"), {true}));
    EXPECT_EQ(paused.type(), QDBusMessage::ReplyMessage) << paused.errorMessage().toStdString();
    EXPECT_TRUE(rulesOnDisk().paused);
    // A URI of the longest path the system allows, every byte encoded, is
    // not refused for its length.
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
    caller.send(large);
    caller.send(large);
    // A main thread busy meanwhile, as the app's may be: both messages
    // are read before it lets go of the first.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_TRUE(processUntil([&] { return heard.count() == 2; }, std::chrono::seconds(10)));
    caller.send(plain);
    EXPECT_TRUE(processUntil([&] { return heard.count() == 3; }, std::chrono::seconds(5)));
}

}  // namespace
