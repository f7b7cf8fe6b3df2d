// The screenshot program's registry: each view's file registers the
// pictures it takes with OLVA_SHOT, and the program runs them in turn.
#pragma once

#include "tests/support/TestSupport.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace olva::app {
class Model;
}

namespace olva::shots {

// What every picture starts from: a home folder of its own with watched
// folders, files, a rules file and an activity log of realistic data, and a
// started model on it (no desktop services: panels count as cancelled).
class ShotContext {
public:
    ShotContext();
    ~ShotContext();

    const std::filesystem::path& home() const;
    app::Model& model();

    // Saves `window` as <name>-light.png and <name>-dark.png (shown first,
    // with the palette applied, and laid out).
    void save(QWidget* window, const QString& name);
    // Saves a menu as it would drop down.
    void save(QMenu* menu, const QString& name);

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

// Where the pictures go: $OLVA_SCREENSHOT_DIR when set, so that a reviewer
// can keep them out of the build tree; else build/screenshots.
QString screenshotDir();

struct Shot {
    const char* name;
    std::function<void(ShotContext&)> take;
};

struct ShotRegistrar {
    ShotRegistrar(const char* name, std::function<void(ShotContext&)> take);
};

#define OLVA_SHOT(name)                                                                     \
    static void olvaShot_##name(::olva::shots::ShotContext&);                               \
    static ::olva::shots::ShotRegistrar olvaShotRegistrar_##name(#name, olvaShot_##name);   \
    static void olvaShot_##name(::olva::shots::ShotContext& context)

}  // namespace olva::shots
