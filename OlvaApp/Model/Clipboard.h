// The desktop's clipboard, as far as the app writes to it.
#pragma once

#include <QString>

namespace olva::app {

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Replaces what the clipboard holds with plain text.
    virtual void setText(const QString& text) = 0;
};

}  // namespace olva::app
