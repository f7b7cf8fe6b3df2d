#include "Core/platform/SessionBus.h"

#include <systemd/sd-bus.h>

#include <string>

namespace olva::platform {

void emitSessionSignal(std::string_view name)
{
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return;
    std::string interface(name.substr(0, dot));
    std::string member(name.substr(dot + 1));
    std::string path = "/" + interface;
    for (char& c : path)
        if (c == '.') c = '/';

    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return;
    if (sd_bus_emit_signal(bus, path.c_str(), interface.c_str(), member.c_str(), "") >= 0) sd_bus_flush(bus);
    sd_bus_flush_close_unref(bus);
}

}  // namespace olva::platform
