// A model on a scratch world (ModelFixture) with the app's commands and tray
// around it, and counters for what the commands ask of the app.
#pragma once

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/App/Tray.h"
#include "tests/support/app/ModelFixture.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

#include <map>
#include <ostream>
#include <memory>
#include <string>

namespace olva::test {

class ShellFixture : public ModelFixture {
public:
    ~ShellFixture() override;

    // The commands and tray, made on first use.
    app::AppCommands& commands();
    app::Tray& tray();

    // How often each of the app's own actions was asked for ("settings",
    // "connect", "privacy", "about", "quit").
    std::map<std::string, int> asked;

    // An entry of the log, `minutesAgo` old, that moved `file` into Filed.
    Entry moved(const std::filesystem::path& file, int minutesAgo, std::optional<std::string> error = {});

    // A menu as one line per item: "---" for a separator ("--- Title" for a
    // section), "[x] " before a
    // checked item, "(off) " before a disabled one.
    static QStringList lines(const QMenu& menu);
    // The item of `menu` titled `text`; null when there is none.
    static QAction* item(const QMenu& menu, const QString& text);

private:
    std::unique_ptr<app::AppCommands> commands_;
    std::unique_ptr<app::Tray> tray_;
};

}  // namespace olva::test
