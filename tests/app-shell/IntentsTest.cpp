// The app on the session bus: the intents, org.freedesktop.Application, and
// a second launch handing its request over, all on the test's private bus.
#include "OlvaApp/App/InstanceClient.h"
#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/AppService.h"
#include "OlvaApp/Model/FileUri.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "tests/app-shell/ShellFixture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QUndoStack>

#include <sys/stat.h>

using namespace olva;
using namespace olva::test;
using app::AppService;
using app::LaunchRequest;
using Kind = LaunchRequest::Kind;

namespace {

class Intents : public ShellFixture {
public:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
        service = std::make_unique<AppService>(model());
        ASSERT_EQ(service->claim(), AppService::Claim::owned);
        connection = app::bus::connectToSessionBus(QStringLiteral("test"));
        ASSERT_TRUE(connection.isConnected());
    }

    void TearDown() override
    {
        service.reset();
        QDBusConnection::disconnectFromBus(connection.name());
    }

    // A second launch asking for `kind`; it must not start another app.
    app::HandOver launch(Kind kind, std::filesystem::path file = {})
    {
        app::InstanceClient client(connection, QStringLiteral("/nonexistent/OlvaApp"));
        client.setStartTimeout(std::chrono::milliseconds(1));
        LaunchRequest request;
        request.kind = kind;
        request.file = std::move(file);
        return client.handOver(request);
    }

    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(app::bus::serviceName, app::bus::objectPath, interface, method);
        message.setArguments(arguments);
        return connection.call(message, QDBus::BlockWithGui, 10000);
    }


    std::unique_ptr<AppService> service;
    QDBusConnection connection{QString()};
};

TEST_F(Intents, PauseAndResumeSaveAndUndoAsOneStepEach)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    model().openMainWindow();
    // The app has not started yet: the intent waits for it.
    EXPECT_EQ(launch(Kind::pause).status, 0);
    EXPECT_TRUE(model().hasEngine());
    EXPECT_TRUE(rulesOnDisk().paused);
    ASSERT_EQ(window.stack->count(), 1);
    EXPECT_EQ(window.stack->undoText(), QStringLiteral("Pause All Rules"));

    // The same value again is one more step, but leaves the file alone.
    auto inode = [&] {
        struct stat status {};
        ::stat((dataDir() / "rules.json").c_str(), &status);
        return status.st_ino;
    };
    const ino_t written = inode();
    EXPECT_EQ(launch(Kind::pause).status, 0);
    EXPECT_EQ(window.stack->count(), 2);
    EXPECT_EQ(inode(), written) << "rewritten";

    EXPECT_EQ(launch(Kind::resume).status, 0);
    EXPECT_FALSE(rulesOnDisk().paused);
    EXPECT_EQ(window.stack->count(), 3);
    EXPECT_EQ(window.stack->undoText(), QStringLiteral("Resume All Rules"));
    window.stack->undo();
    EXPECT_TRUE(rulesOnDisk().paused);

    // However often a script asks.
    const ino_t paused = inode();
    for (int i = 0; i < 20; ++i) {
        QDBusMessage reply = call(app::bus::intentsInterface, QStringLiteral("SetPaused"), {true});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    EXPECT_EQ(inode(), paused) << "rewritten";
    EXPECT_TRUE(rulesOnDisk().paused);
}

TEST_F(Intents, IntentsThatArriveTogetherBeforeTheStartAreEachAnswered)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    bool opened = false;
    QObject context;
    model().ensureStarted().then(&context, [&] { opened = true; });
    std::vector<QDBusPendingCall> calls;
    for (const char* method : {"RunRulesNow", "RunRulesNow"}) {
        QDBusMessage message = QDBusMessage::createMethodCall(app::bus::serviceName, app::bus::objectPath,
                                                              app::bus::intentsInterface, QString::fromLatin1(method));
        calls.push_back(connection.asyncCall(message, 10000));
    }
    calls.push_back(connection.asyncCall(QDBusMessage::createMethodCall(
        app::bus::serviceName, app::bus::objectPath, app::bus::intentsInterface, QStringLiteral("SetPaused"))
                                             << true));
    ASSERT_TRUE(until([&] {
        return std::all_of(calls.begin(), calls.end(), [](const QDBusPendingCall& call) { return call.isFinished(); });
    }));
    for (const QDBusPendingCall& call : calls) EXPECT_FALSE(call.isError()) << call.error().message().toStdString();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(rulesOnDisk().paused);
}

TEST_F(Intents, RunNowMakesTheEngineScanAFolderThatWasMissing)
{
    const auto inbox = home() / "Later";
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("Trash PDFs", "pdf", {Action::trash()})})},
                      .bookmarks = {}});
    ASSERT_TRUE(start());
    ASSERT_TRUE(until([&] { return model().folderStatus().count(inbox.string()); }));
    EXPECT_EQ(model().folderStatus().at(inbox.string()), FolderStatus::missing);

    folder("Later");
    writeFile(inbox / "old.pdf", "%PDF");
    EXPECT_EQ(launch(Kind::runNow).status, 0);
    EXPECT_TRUE(until([&] { return !std::filesystem::exists(inbox / "old.pdf"); }));
    EXPECT_TRUE(until([&] { return model().folderStatus().at(inbox.string()) == FolderStatus::watching; }));
}

// Files wait a minute to settle, so the rules explained have not acted yet.
class UnsettledIntents : public Intents {
public:
    UnsettledIntents() { services.settle = 60; }
};

TEST_F(UnsettledIntents, ExplainAnswersTheSentenceForAnyFileName)
{
    const auto inbox = folder("Inbox");
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("Receipts", "pdf", {Action::trash()}, true),
                                                  extRule("Notes", "txt", {Action::trash()})})},
                      .bookmarks = {}});
    const std::filesystem::path odd = inbox / "re\xe7u.pdf";  // not UTF-8
    writeFile(odd, "%PDF");
    writeFile(inbox / "todo.txt", "x");
    writeFile(inbox / "photo.jpg", "x");
    struct Case {
        std::filesystem::path file;
        QString sentence;
    };
    for (const Case& expected : {
             Case{odd, QStringLiteral("“Receipts” matches. It’s a dry run, so Olva only logs what it would do.")},
             Case{inbox / "todo.txt", QStringLiteral("“Notes” matches and handles this file.")},
             Case{inbox / "photo.jpg", QStringLiteral("No rule matches, so Olva leaves it where it is.")},
         }) {
        const app::HandOver answer = launch(Kind::explain, expected.file);
        EXPECT_EQ(answer.status, 0) << answer.error.toStdString();
        EXPECT_EQ(answer.output, expected.sentence + u'\n');
    }
}

TEST_F(Intents, AFileThatIsNoFileFailsWithoutStartingTheApp)
{
    for (const QString& uri : {QString(), QStringLiteral("data:application/pdf,abc"),
                               QStringLiteral("https://example.com/a.pdf"), QStringLiteral("Downloads/a.pdf")}) {
        const QDBusMessage reply = call(app::bus::intentsInterface, QStringLiteral("ExplainFile"), {uri});
        EXPECT_EQ(reply.errorName(), QStringLiteral("tools.olva.app.Error")) << uri.toStdString();
        EXPECT_EQ(reply.errorMessage(), QStringLiteral("Choose a file in a watched folder, not a copy of one."));
    }
    const app::HandOver empty = launch(Kind::explain, {});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.error, QStringLiteral("Choose a file in a watched folder, not a copy of one.\n"));
    EXPECT_FALSE(model().hasEngine());
    EXPECT_TRUE(engineLockFree());
}

TEST_F(Intents, RulesThatCouldNotBeLoadedFailEachIntentWithItsSentence)
{
    writeFile(dataDir() / "rules.json", "[ broken");
    writeFile(home() / "a.pdf", "x");
    const auto pause = launch(Kind::pause);
    EXPECT_EQ(pause.status, 1);
    EXPECT_EQ(pause.error, QStringLiteral("Olva can’t save its rules right now. Open Olva to see why.\n"));
    EXPECT_EQ(readFile(dataDir() / "rules.json"), "[ broken");

    ASSERT_TRUE(model().loadError());
    const QString loadError = *model().loadError() + u'\n';
    for (Kind kind : {Kind::runNow, Kind::explain}) {
        const auto failed = launch(kind, home() / "a.pdf");
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.error, loadError);
    }
    const QDBusMessage reply = call(app::bus::intentsInterface, QStringLiteral("RunRulesNow"), {});
    EXPECT_EQ(reply.errorName(), QStringLiteral("tools.olva.app.Error"));
    EXPECT_EQ(reply.errorMessage() + u'\n', loadError);
}

TEST_F(Intents, TheEngineLockOfTheToolIsTheFailure)
{
    Store tool(dataDir());
    tool.lockEngine();
    const auto failed = launch(Kind::runNow);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.error,
              QStringLiteral("“olva run” is already processing the watched folders. Stop it, then open Olva again.\n"));
}

TEST_F(Intents, ActivationOpensTheWindowOnceStartedAndActionsAreTheIntents)
{
    writeRules(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    EXPECT_EQ(launch(Kind::open).status, 0);
    ASSERT_TRUE(until([&] { return window.presented == 1; }));
    EXPECT_TRUE(model().hasEngine());

    // The launcher's token is taken for the window to use.
    {
        ScopedEnv noToken("XDG_ACTIVATION_TOKEN", std::nullopt);
        ScopedEnv noStartupId("DESKTOP_STARTUP_ID", std::nullopt);
        const QVariantMap platformData = {{QStringLiteral("activation-token"), QStringLiteral("token-1")},
                                          {QStringLiteral("desktop-startup-id"), QStringLiteral("startup-1")}};
        EXPECT_EQ(call(app::bus::applicationInterface, QStringLiteral("Activate"), {platformData}).type(),
                  QDBusMessage::ReplyMessage);
        EXPECT_EQ(qEnvironmentVariable("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-1"));
        EXPECT_EQ(qEnvironmentVariable("DESKTOP_STARTUP_ID"), QStringLiteral("startup-1"));
        EXPECT_TRUE(until([&] { return window.presented == 2; }));
    }

    auto action = [&](const QString& name) {
        return call(app::bus::applicationInterface, QStringLiteral("ActivateAction"),
                    {name, QVariant::fromValue(QVariantList()), QVariantMap()});
    };
    EXPECT_EQ(action(QStringLiteral("pause")).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(rulesOnDisk().paused);
    EXPECT_EQ(action(QStringLiteral("resume")).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(rulesOnDisk().paused);
    EXPECT_EQ(action(QStringLiteral("run-now")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(action(QStringLiteral("launch-rockets")).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(window.stack->count(), 2);

    // A login or an activation of a running app changes nothing.
    EXPECT_EQ(launch(Kind::atLogin).status, 0);
    EXPECT_EQ(launch(Kind::service).status, 0);
    EXPECT_EQ(window.presented, 2);
}

TEST_F(Intents, OnlyOneProcessOwnsTheName)
{
    app::Model other(store, services);
    AppService second(other);
    EXPECT_EQ(second.claim(), AppService::Claim::taken);
    // The first still answers.
    EXPECT_EQ(launch(Kind::runNow).status, 0);
}

TEST_F(Intents, WithNoAppRunningALaunchThatCannotStartOneSaysSo)
{
    service.reset();
    const auto failed = launch(Kind::pause);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.error, QStringLiteral("Olva didn’t start.\n"));
}

}  // namespace

// The data folder removed while the app runs and put back whole, as from a
// backup: nothing is processed meanwhile, the app takes the engine lock in
// the folder that is back, and a pause over the bus then writes the user's
// rules, not the empty set a missing file reads as. When another engine
// locked that folder first, the app stops its own and changes no rules.
TEST_F(Intents, APauseAfterTheDataFolderCameBackKeepsTheUsersRules)
{
    const QString lockHeld =
        QStringLiteral("“olva run” is already processing the watched folders. Stop it, then open Olva again.");
    for (bool takenByAnother : {false, true}) {
        SCOPED_TRACE(takenByAnother ? "locked by another engine first" : "put back whole");
        const auto inbox = folder(takenByAnother ? "Inbox 2" : "Inbox");
        const auto done = folder("Done");
        writeRules(Config{.paused = false,
                          .folders = {watched(inbox, {extRule("PDFs", "pdf", {Action::move(done.string())})})},
                          .bookmarks = {}});
        if (takenByAnother) {
            // The bus service answers for one model: it goes with it.
            service.reset();
            restart();
            service = std::make_unique<AppService>(model());
            ASSERT_EQ(service->claim(), AppService::Claim::owned);
        }
        ASSERT_TRUE(start());
        ASSERT_TRUE(model().hasEngine());
        const std::string rules = readFile(dataDir() / "rules.json");

        const std::filesystem::path kept = temp.path() / "kept";
        std::filesystem::remove_all(kept);
        std::filesystem::copy(dataDir(), kept, std::filesystem::copy_options::recursive);
        std::filesystem::remove_all(dataDir());
        ASSERT_TRUE(until([&] { return model().dataFolderProblem().has_value(); }));
        EXPECT_EQ(*model().dataFolderProblem(), QStringLiteral("Olva’s data folder ")
                                                    + QString::fromStdString(dataDir().string())
                                                    + QStringLiteral(" can’t be found. Nothing is processed until it’s back."));
        writeFile(inbox / "a.pdf", "%PDF");
        // A pass of the engine's, which acts on files at once here.
        app::ModelTesting::engine(model())->scanNow();
        EXPECT_TRUE(std::filesystem::exists(inbox / "a.pdf")) << "acted on while the data folder was away";
        EXPECT_FALSE(std::filesystem::exists(dataDir())) << "the data folder was made again";

        std::shared_ptr<Store> other;
        if (takenByAnother) {
            other = std::make_shared<Store>(kept);
            other->lockEngine();
        }
        std::filesystem::rename(kept, dataDir());
        ASSERT_TRUE(until([&] { return !model().dataFolderProblem(); }));
        // The file waited, and is acted on now unless another engine took
        // over, in which case the engine is let go of at once.
        if (takenByAnother) {
            EXPECT_FALSE(model().hasEngine());
            EXPECT_TRUE(std::filesystem::exists(inbox / "a.pdf"));
        } else {
            EXPECT_TRUE(until([&] { return !std::filesystem::exists(inbox / "a.pdf"); }));
        }

        QDBusMessage reply = call(app::bus::intentsInterface, QStringLiteral("SetPaused"), {true});
        if (takenByAnother) {
            EXPECT_FALSE(model().hasEngine());
            EXPECT_EQ(model().loadError(), lockHeld);
            EXPECT_EQ(reply.errorMessage(), QStringLiteral("Olva can’t save its rules right now. Open Olva to see why."));
            EXPECT_EQ(readFile(dataDir() / "rules.json"), rules);
        } else {
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
            Config onDisk = rulesOnDisk();
            EXPECT_TRUE(onDisk.paused);
            ASSERT_EQ(onDisk.folders.size(), 1u);
            EXPECT_EQ(onDisk.folders[0].rules.at(0).name, "PDFs");
            // The lock is in the folder that is there now.
            EXPECT_FALSE(engineLockFree());
        }
    }
}
