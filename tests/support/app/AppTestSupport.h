// Helpers shared by the app's test programs.
#pragma once

#include "tests/support/TestSupport.h"

#include <QPalette>
#include <QString>

#include <chrono>
#include <functional>
#include <ostream>

// GoogleTest shows texts as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace olva::test {

// The Fusion palettes the tests and the screenshots pin.
QPalette lightPalette();
QPalette darkPalette();

// Runs the Qt event loop until `condition` holds or `timeout` passes;
// whether it held. Use this, not eventually(), wherever the awaited thing
// arrives through queued calls on the GUI thread.
bool processUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace olva::test
