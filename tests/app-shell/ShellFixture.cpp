#include "tests/app-shell/ShellFixture.h"

namespace olva::test {

ShellFixture::~ShellFixture()
{
    tray_.reset();
    commands_.reset();
}

app::AppCommands& ShellFixture::commands()
{
    if (!commands_) {
        auto count = [this](std::string name) { return [this, name] { ++asked[name]; }; };
        commands_ = std::make_unique<app::AppCommands>(model(), app::ShellActions{
                                                                     .openSettings = count("settings"),
                                                                     .openConnect = count("connect"),
                                                                     .openPrivacy = count("privacy"),
                                                                     .showAbout = count("about"),
                                                                     .quit = count("quit"),
                                                                 });
    }
    return *commands_;
}

app::Tray& ShellFixture::tray()
{
    if (!tray_) tray_ = std::make_unique<app::Tray>(model(), commands());
    return *tray_;
}

Entry ShellFixture::moved(const std::filesystem::path& file, int minutesAgo, std::optional<std::string> error)
{
    Entry entry;
    entry.at = clock.now() - std::chrono::minutes(minutesAgo);
    entry.file = file.string();
    entry.rule = "File it";
    entry.error = std::move(error);
    if (!entry.error) {
        Step step;
        step.kind = Step::Kind::move;
        step.from = file.string();
        step.to = (file.parent_path() / "Filed" / file.filename()).string();
        entry.steps = {step};
    }
    return entry;
}

QStringList ShellFixture::lines(const QMenu& menu)
{
    QStringList lines;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines << (action->text().isEmpty() ? QStringLiteral("---") : QStringLiteral("--- ") + action->text());
            continue;
        }
        QString line = action->text();
        if (action->isCheckable() && action->isChecked()) line.prepend(QStringLiteral("[x] "));
        if (!action->isEnabled()) line.prepend(QStringLiteral("(off) "));
        lines << line;
    }
    return lines;
}

QAction* ShellFixture::item(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text) return action;
    return nullptr;
}

}  // namespace olva::test
