// The app's version, as the build names it.
#pragma once

namespace olva::app {

inline constexpr const char* appVersion = OLVA_APP_VERSION;

}  // namespace olva::app
