// The desktop's clipboard.
#pragma once

#include "OlvaApp/Model/Clipboard.h"

namespace olva::app {

class SystemClipboard final : public Clipboard {
public:
    void setText(const QString& text) override;
};

}  // namespace olva::app
