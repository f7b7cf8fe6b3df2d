#include "olva/StopSignals.h"

#include "Core/platform/CopyStop.h"

#include <array>
#include <cerrno>
#include <csignal>

namespace olva {

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
// Those given the handler; read by it.
std::array<volatile std::sig_atomic_t, 3> handled = {};

void setDisposition(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        if (handled[i]) ::sigaction(kStopSignals[i], &action, nullptr);
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

bool signalIgnored(int signal)
{
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void installStopSignals()
{
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) handled[i] = !signalIgnored(kStopSignals[i]);
    setDisposition(onStopSignal);
}

}  // namespace olva
