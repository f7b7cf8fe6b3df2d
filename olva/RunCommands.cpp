// `olva run` and `olva once`: the engine without the app.
#include "olva/Tool.h"

#include "Core/engine/Engine.h"
#include "Core/store/RulesWatcher.h"
#include "Core/store/Store.h"
#include "Core/base/UTF8.h"
#include "Core/platform/CopyStop.h"
#include "olva/EntryText.h"
#include "olva/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace olva {

namespace {

constexpr const char* kLockHeld = "the Olva app or another olva run already processes the watched folders, quit it first";

int stopPipe[2] = {-1, -1};
// The signal that ended the loop of `run`.
volatile std::sig_atomic_t stoppedBy = 0;

// Why the loop of `run` ends, as the byte written to the pipe.
enum StopReason : char { stopSignal = 1, lockLost = 2 };

void requestStop(StopReason reason)
{
    int saved = errno;
    char byte = reason;
    [[maybe_unused]] ssize_t n = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

void onStopSignal(int number)
{
    if (stoppedBy == 0) stoppedBy = number;
    requestStop(stopSignal);
}

// The signals that end the loop: SIGINT and SIGTERM always, SIGHUP unless
// the program was started with it ignored (nohup).
std::vector<int> stopSignals;

// Handlers rather than blocked signals: shell children must start with the
// default dispositions and an empty mask, which exec gives them only then.
void installStopHandlers()
{
    if (::pipe2(stopPipe, O_CLOEXEC) != 0) return;
    stopSignals = {SIGINT, SIGTERM};
    if (!signalIgnored(SIGHUP)) stopSignals.push_back(SIGHUP);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : stopSignals) ::sigaction(number, &action, nullptr);
}

StopReason waitForStop()
{
    char byte;
    for (;;) {
        ssize_t n = ::read(stopPipe[0], &byte, 1);
        if (n == 1) {
            // A second interrupt ends the process at once.
            for (int number : stopSignals) std::signal(number, SIG_DFL);
            return StopReason(byte);
        }
        if (n < 0 && errno == EINTR) continue;
        // No pipe: nothing can wake us but the signal's default action.
        if (n <= 0) ::pause();
    }
}

void lockEngine(const std::shared_ptr<Store>& store)
{
    try {
        store->lockEngine();
    } catch (const std::exception&) {
        fail(kLockHeld);
    }
}

std::shared_ptr<Engine> makeEngine(const std::shared_ptr<Store>& store, double settle, const Console& console)
{
    std::shared_ptr<Engine> engine;
    try {
        engine = Engine::create(store, settle);
    } catch (const std::exception& error) {
        fail("cannot read rules: " + failureText(error));
    }
    engine->onEntry([out = console.out](const Entry& entry) { out(formatEntry(entry) + "\n"); });
    // What a pass printed is sent on when it ends.
    if (console.flush) engine->onPassEnd(console.flush);
    return engine;
}

// What `run` does when the watcher names its data folder. While the folder
// is gone nothing acts; once it is back the engine goes on only under the
// engine lock of the folder that is there now, since the one held is on a
// file nobody else can see, and with the rules that folder holds.
class DataFolderKeeper {
public:
    DataFolderKeeper(std::shared_ptr<Store> store, Engine& engine, const Console& console)
        : store_(std::move(store)), engine_(engine), err_(console.err),
          folder_(printableText(store_->dir().string()))
    {
    }

    // On the watcher's thread only.
    void operator()(bool present)
    {
        if (!present) {
            engine_.suspend();
            if (!away_) err_("the data folder " + folder_ + " is gone; nothing is processed until it is back\n");
            away_ = true;
            return;
        }
        if (!away_ && store_->holdsEngineLock()) return;
        engine_.suspend();
        try {
            store_->relockEngine();
        } catch (const std::exception&) {
            requestStop(lockLost);
            return;
        }
        if (away_) err_("the data folder " + folder_ + " is back; processing the watched folders again\n");
        away_ = false;
        try {
            engine_.resume();
        } catch (const std::exception& error) {
            err_("cannot read rules, the rules already running go on: " + failureText(error) + "\n");
        }
    }

private:
    std::shared_ptr<Store> store_;
    Engine& engine_;
    std::function<void(const std::string&)> err_;
    std::string folder_;
    bool away_ = false;
};

}  // namespace

int runCommand(const std::shared_ptr<Store>& store, const Console& console)
{
    lockEngine(store);
    installStopHandlers();
    std::shared_ptr<Engine> engine = makeEngine(store, 2.0, console);
    // Rules stop acting while their runs cannot be written: say why as soon
    // as it happens, not only when the process ends.
    engine->onStoreProblem([err = console.err](const std::optional<std::string>& problem) {
        if (problem) err(*problem + "\n");
    });
    // Everything that brings the engine round is in place before it starts,
    // and "watching" is said before it can print an entry.
    auto wake = rescanOnWake(engine);
    // A rules file that cannot be read keeps the rules already running, and
    // says why once for each new reason.
    auto watcher = std::make_unique<RulesWatcher>(
        store,
        [engine = engine.get(), err = console.err, said = std::string()]() mutable {
            try {
                engine->reload();
                said.clear();
            } catch (const std::exception& error) {
                std::string message =
                    "cannot read rules, the rules already running go on: " + failureText(error) + "\n";
                if (message != said) err(message);
                said = std::move(message);
            }
        },
        DataFolderKeeper(store, *engine, console));
    console.out("watching " + std::to_string(engine->config().folders.size()) + " folder(s), ctrl-c to stop\n");
    engine->start();
    StopReason reason = waitForStop();
    watcher.reset();
    wake.clear();
    // Finishes the file in hand, cutting short a copy under way, ends
    // running scripts, and writes what was held back before the process goes.
    engine->stop();
    // Another engine took over the data folder that came back.
    if (reason == lockLost) fail(kLockHeld);
    // Entries or marks that could still not be written are lost with the
    // process: say so rather than end as if all was well.
    if (auto problem = engine->storeProblem()) fail(*problem);
    // A copy the stop cut short: say where the file is, and end as the
    // signal would have.
    if (auto cut = platform::lastCopyCutShort(); cut && stoppedBy != 0) {
        console.err(printableText(*cut) + "\n");
        return stopStatus(stoppedBy);
    }
    return 0;
}

int onceCommand(const std::shared_ptr<Store>& store, const Console& console)
{
    lockEngine(store);
    std::shared_ptr<Engine> engine = makeEngine(store, 0, console);
    engine->scanLast();
    // Files may have changed without their entries or marks being written:
    // that must not look like success.
    if (auto problem = engine->storeProblem()) fail(*problem);
    return 0;
}

}  // namespace olva
