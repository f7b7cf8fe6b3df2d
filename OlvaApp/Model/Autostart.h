// Whether the app opens when the user logs in.
#pragma once

#include <QString>

#include <optional>

namespace olva::app {

class Autostart {
public:
    virtual ~Autostart() = default;

    virtual bool isEnabled() const = 0;
    // The failure's sentence, or none when it worked.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};

}  // namespace olva::app
