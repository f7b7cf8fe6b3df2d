#include "OlvaApp/App/StopSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace olva::app {

namespace {

constexpr std::array<int, 3> stopSignals = {SIGTERM, SIGINT, SIGHUP};

int wakePipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void setHandler(void (*handler)(int))
{
    // Handlers rather than blocked signals: the shell scripts the engine
    // starts must begin with default dispositions and an empty mask.
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : stopSignals) ::sigaction(number, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::onWake);
    setHandler(onStopSignal);
}

StopSignals::~StopSignals()
{
    if (!notifier_) return;
    setHandler(SIG_DFL);
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

void StopSignals::onWake()
{
    char bytes[16];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    // Should quitting hang, a second signal ends the process at once.
    setHandler(SIG_DFL);
    emit stopRequested();
}

}  // namespace olva::app
