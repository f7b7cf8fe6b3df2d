#include "OlvaApp/App/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace olva::app {

void SystemClipboard::setText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

}  // namespace olva::app
