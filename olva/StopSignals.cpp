#include "olva/StopSignals.h"

#include "Core/platform/CopyStop.h"

#include <array>
#include <cerrno>
#include <csignal>

namespace olva {

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

void setDisposition(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kStopSignals) ::sigaction(number, &action, nullptr);
}

void onStopSignal(int number)
{
    const int saved = errno;
    // Asked first, looked at after: a copy that begins meanwhile finds the
    // request before it makes anything.
    platform::requestProcessStop(number);
    // A second signal ends the process at once.
    setDisposition(SIG_DFL);
    // Delivered as the handler returns, by its default action.
    if (!platform::copyUnderWay()) ::raise(number);
    errno = saved;
}

}  // namespace

void installStopSignals() { setDisposition(onStopSignal); }

}  // namespace olva
