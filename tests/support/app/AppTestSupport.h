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

// Pins what words, sort orders and pictures depend on, so they are the same
// on every machine (which may have only the C locale, under which ICU says
// "1 files" and QCollator ignores numbers): the offscreen platform unless one
// is named, en_US for ICU and Qt. Call before the QApplication is made.
void pinLocaleAndPlatform();
// The app's names, the Fusion style and the light palette, on the
// QApplication just made.
void pinStyle();

// The Fusion palettes the tests and the screenshots pin.
QPalette lightPalette();
QPalette darkPalette();

// Runs the Qt event loop until `condition` holds or `timeout` passes;
// whether it held. Use this, not eventually(), wherever the awaited thing
// arrives through queued calls on the GUI thread.
bool processUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = hangGuard);

// The same guard for Qt's waits, which count milliseconds in an int.
inline constexpr int hangGuardMs = int(std::chrono::milliseconds(hangGuard).count());

}  // namespace olva::test
