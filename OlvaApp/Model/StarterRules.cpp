#include "OlvaApp/Model/StarterRules.h"

#include "Core/Paths.h"

#include <QStandardPaths>

namespace olva::app {

namespace {

Rule starter(std::string name, Group match, Action action)
{
    return Rule{.name = std::move(name), .enabled = true, .dryRun = true, .match = std::move(match),
                .actions = {std::move(action)}};
}

Group allOf(Condition condition) { return Group{Group::Mode::all, {Node(std::move(condition))}}; }

std::string place(QStandardPaths::StandardLocation location, const char* fallback)
{
    QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? std::string(fallback) : abbreviate(path.toStdString());
}

}  // namespace

std::vector<Rule> downloadsStarterRules(const std::string& pictures, const std::string& documents)
{
    // On Linux a disk image is as likely an operating system as an
    // installer: installers are told by their package formats instead.
    Group installers{Group::Mode::any, {}};
    for (const char* ext : {"deb", "rpm", "AppImage", "flatpakref"})
        installers.items.emplace_back(Condition{Attr::ext, Op::is, ext});
    return {
        starter("Screenshots", allOf(Condition{Attr::name, Op::startsWith, "Screenshot"}),
                Action::move(pictures + "/Screenshots")),
        starter("Installers", std::move(installers), Action::trash()),
        starter("PDFs", allOf(Condition{Attr::kind, Op::is, "PDF"}), Action::move(documents)),
    };
}

std::vector<Rule> downloadsStarterRules()
{
    return downloadsStarterRules(place(QStandardPaths::PicturesLocation, "~/Pictures"),
                                 place(QStandardPaths::DocumentsLocation, "~/Documents"));
}

}  // namespace olva::app
