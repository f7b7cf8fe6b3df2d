#include "Core/platform/WakeMonitor.h"

#include "Core/platform/StoppableThread.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>

namespace olva::platform {

struct WakeMonitor::State {
    std::function<void()> woke;
    sd_bus* bus = nullptr;
    sd_bus_slot* slot = nullptr;
    StoppableThread reader;

    ~State()
    {
        sd_bus_slot_unref(slot);
        sd_bus_flush_close_unref(bus);
    }

    // PrepareForSleep carries true before sleeping and false after waking.
    static int onSignal(sd_bus_message* message, void* userdata, sd_bus_error*)
    {
        int sleeping = 1;
        if (sd_bus_message_read(message, "b", &sleeping) < 0) return 0;
        auto* self = static_cast<State*>(userdata);
        if (!sleeping && self->woke) self->woke();
        return 0;
    }

    void run()
    {
        for (;;) {
            int processed;
            while ((processed = sd_bus_process(bus, nullptr)) > 0) {}
            if (processed < 0) return;  // the bus went away
            int events = sd_bus_get_events(bus);
            if (events < 0) return;
            std::uint64_t usec = UINT64_MAX;
            sd_bus_get_timeout(bus, &usec);
            int timeout = -1;
            if (usec != UINT64_MAX) {
                std::uint64_t now = 0;
                timespec ts{};
                clock_gettime(CLOCK_MONOTONIC, &ts);
                now = std::uint64_t(ts.tv_sec) * 1000000u + std::uint64_t(ts.tv_nsec) / 1000u;
                timeout = usec <= now ? 0 : int(std::min<std::uint64_t>((usec - now + 999) / 1000, INT_MAX));
            }
            pollfd fds[2] = {{sd_bus_get_fd(bus), short(events), 0}, {reader.stopDescriptor(), POLLIN, 0}};
            if (::poll(fds, 2, timeout) < 0 && errno != EINTR) return;
            if (fds[1].revents) return;
        }
    }
};

WakeMonitor::WakeMonitor(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<WakeMonitor> WakeMonitor::create(std::function<void()> woke)
{
    auto state = std::make_unique<State>();
    state->woke = std::move(woke);
    if (!state->reader.valid()) return nullptr;
    if (sd_bus_open_system(&state->bus) < 0) return nullptr;
    if (sd_bus_match_signal(state->bus, &state->slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                            "org.freedesktop.login1.Manager", "PrepareForSleep", &State::onSignal,
                            state.get()) < 0)
        return nullptr;
    State* raw = state.get();
    state->reader.start([raw] { raw->run(); });
    return std::unique_ptr<WakeMonitor>(new WakeMonitor(std::move(state)));
}

WakeMonitor::~WakeMonitor()
{
    // Before the state closes what the thread reads.
    state_->reader.stop();
}

}  // namespace olva::platform
