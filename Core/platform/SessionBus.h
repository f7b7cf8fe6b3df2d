// Signals on the user's D-Bus session bus, through which the programs tell
// each other that the rules or the activity changed.
#pragma once

#include <string_view>

namespace olva::platform {

// Sends the signal for a dotted name such as "tools.olva.app.rulesChanged":
// interface "tools.olva.app", member "rulesChanged", object path
// "/tools/olva/app", no arguments. Returns once the message has left the
// process. Without a session bus nothing happens; nothing ever fails.
void emitSessionSignal(std::string_view name);

}  // namespace olva::platform
