// Open at login through the desktop's autostart folder: a desktop entry in
// $XDG_CONFIG_HOME/autostart that starts this program with --at-login.
#pragma once

#include "OlvaApp/Model/Autostart.h"

#include <QString>

#include <filesystem>

namespace olva::app {

class XdgAutostart final : public Autostart {
public:
    // `program`: the absolute path the entry starts.
    explicit XdgAutostart(QString program);

    // The entry's place, from the environment at the time of the call.
    static std::filesystem::path entryPath();

    // The entry exists, starts this program, and is neither hidden nor
    // switched off.
    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

    // The entry's text for `program`.
    static QString entryText(const QString& program);
    // Whether an entry's text starts `program` at login.
    static bool entryStarts(const QString& text, const QString& program);

private:
    QString program_;
};

}  // namespace olva::app
