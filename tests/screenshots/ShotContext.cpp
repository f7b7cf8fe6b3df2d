#include "tests/screenshots/Shots.h"

#include "Core/model/Entry.h"
#include "Core/model/Model.h"
#include "Core/model/RuleVersion.h"
#include "Core/store/Store.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFutureWatcher>
#include <QMenu>
#include <QSettings>
#include <QWidget>

#include <chrono>
#include <optional>

namespace olva::shots {

std::vector<Shot>& registeredShots()
{
    static std::vector<Shot> shots;
    return shots;
}

ShotRegistrar::ShotRegistrar(const char* name, std::function<void(ShotContext&)> take)
{
    registeredShots().push_back({name, std::move(take)});
}

namespace {

using namespace std::chrono_literals;

Rule rule(std::string name, Group match, std::vector<Action> actions, bool dryRun = false, bool enabled = true)
{
    Rule r;
    r.name = std::move(name);
    r.enabled = enabled;
    r.dryRun = dryRun;
    r.match = std::move(match);
    r.actions = std::move(actions);
    return r;
}

Group all(std::vector<Node> items) { return {Group::Mode::all, std::move(items)}; }
Group any(std::vector<Node> items) { return {Group::Mode::any, std::move(items)}; }
Condition cond(Attr attr, Op op, std::string value) { return {attr, op, std::move(value)}; }

// Places sit in the fixture's own home, written in full: "~" would name the
// account's real home, which the fixture must not touch.
Config fixtureConfig(const std::filesystem::path& home)
{
    auto at = [&](const char* place) { return (home / place).string(); };
    Config config;
    Folder downloads;
    downloads.path = at("Downloads");
    downloads.depth = 0;
    downloads.rules = {
        rule("Invoices", all({cond(Attr::ext, Op::is, "pdf"), cond(Attr::name, Op::contains, "invoice")}),
             {Action::move(at("Documents/Invoices")), Action::addTags({"Finance"})}),
        rule("Screenshots by month",
             all({cond(Attr::name, Op::startsWith, "Screenshot"), cond(Attr::kind, Op::is, "image")}),
             {Action::sortInto(at("Pictures/Screenshots") + "/{created:yyyy-MM}")}, true),
        rule("Old installers",
             all({any({cond(Attr::ext, Op::is, "deb"), cond(Attr::ext, Op::is, "AppImage")}),
                  cond(Attr::added, Op::notInLast, "14 days")}),
             {Action::trash()}),
        rule("Archives", all({cond(Attr::kind, Op::is, "archive")}),
             {Action::rename("{name} ({added:yyyy-MM-dd})"), Action::move(at("Archive"))}, false, false),
    };
    Folder desktop;
    desktop.path = at("Desktop");
    desktop.depth = 1;
    desktop.rules = {
        rule("Tidy notes", all({cond(Attr::ext, Op::is, "txt"), cond(Attr::modified, Op::notInLast, "30 days")}),
             {Action::move(at("Documents/Notes"))}, true),
    };
    Folder missing;
    missing.path = at("Old Projects");
    missing.rules = {rule("Zip it", all({cond(Attr::ext, Op::is, "zip")}), {Action::trash()}, true)};
    config.folders = {downloads, desktop, missing};
    return config;
}

std::vector<Entry> fixtureEntries(const std::filesystem::path& home, const Config& config)
{
    std::vector<Entry> entries;
    Date at = currentDate() - 26h;
    auto add = [&](std::string file, const Rule& r, std::vector<Step> steps, std::optional<std::string> error = {}) {
        Entry e;
        e.at = at;
        at += 37min;
        e.file = (home / file).string();
        e.rule = r.name;
        e.version = ruleVersion(r);
        e.dryRun = r.dryRun;
        e.steps = std::move(steps);
        e.error = std::move(error);
        entries.push_back(e);
        return e;
    };
    const auto& rules = config.folders[0].rules;
    auto moveStep = [&](std::string from, std::string to) {
        Step s;
        s.kind = Step::Kind::move;
        s.from = (home / from).string();
        s.to = (home / to).string();
        return s;
    };
    add("Downloads/invoice-2026-11.pdf", rules[0],
        {moveStep("Downloads/invoice-2026-11.pdf", "Documents/Invoices/invoice-2026-11.pdf")});
    add("Downloads/Screenshot 2026-12-01 at 09.14.png", rules[1],
        {moveStep("Downloads/Screenshot 2026-12-01 at 09.14.png",
                  "Pictures/Screenshots/2026-12/Screenshot 2026-12-01 at 09.14.png")});
    Step trash;
    trash.kind = Step::Kind::trash;
    trash.from = (home / "Downloads/olva_0.9_amd64.deb").string();
    trash.to = (home / ".local/share/Trash/files/olva_0.9_amd64.deb").string();
    Entry trashed = add("Downloads/olva_0.9_amd64.deb", rules[2], {trash});
    add("Downloads/invoice-broken.pdf", rules[0], {},
        "“invoice-broken.pdf” couldn’t be moved to “Invoices” because you don’t have permission to access it.");
    Entry undo;
    undo.at = at;
    undo.file = trashed.file;
    undo.rule = trashed.rule;
    undo.version = trashed.version;
    undo.steps = trashed.steps;
    undo.undoOf = trashed.id;
    entries.push_back(undo);
    at += 5min;
    add("Downloads/invoice-2026-12.pdf", rules[0],
        {moveStep("Downloads/invoice-2026-12.pdf", "Documents/Invoices/invoice-2026-12.pdf")});

    // One run that did much: moved, tagged and untagged, a script with a
    // long answer, and a copy; its conditions read long values.
    Step tags;
    tags.kind = Step::Kind::tags;
    tags.from = (home / "Documents/Invoices/invoice-2026-12-quarterly-statement.pdf").string();
    tags.tagsBefore = std::vector<std::string>{"Inbox", "Work"};
    tags.note = tagsNote({"Work", "Finance", "Quarterly reports"});
    Step script;
    script.kind = Step::Kind::shell;
    script.from = tags.from;
    script.note = "Uploaded invoice-2026-12-quarterly-statement.pdf to the accounting share\n"
                  "checksum 9f2c4e1a7b3d5f60 verified\nnotified finance@example.org\n"
                  "kept a copy for the records\nnext run scheduled for the first of the month";
    Step copy;
    copy.kind = Step::Kind::copy;
    copy.from = tags.from;
    copy.to = (home / "Archive/2026/invoice-2026-12-quarterly-statement.pdf").string();
    add("Downloads/invoice-2026-12-quarterly-statement.pdf", rules[0],
        {moveStep("Downloads/invoice-2026-12-quarterly-statement.pdf",
                  "Documents/Invoices/invoice-2026-12-quarterly-statement.pdf"),
         tags, script, copy});
    entries.back().checks = {
        Check{Attr::ext, Op::is, "pdf", "pdf", true},
        Check{Attr::name, Op::contains, "invoice", "invoice-2026-12-quarterly-statement.pdf", true},
        Check{Attr::contents, Op::contains, "Total due",
              "Quarterly statement for the accounts of Alex Example, period October to December, total due "
              "on receipt, payable to the account below, with the reference on every payment",
              true},
    };
    return entries;
}

}  // namespace

struct ShotContext::Data {
    test::TempDir root;
    std::filesystem::path home = root.path() / "home" / "alex";
    std::optional<test::ScopedEnv> homeEnv, dataEnv, configEnv, cacheEnv, olvaEnv;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<app::Model> model;
};

ShotContext::ShotContext() : d_(std::make_unique<Data>())
{
    const auto& home = d_->home;
    for (const char* dir : {"Downloads", "Desktop", "Documents/Invoices", "Documents/Notes", "Pictures/Screenshots",
                            "Archive", ".local/share", ".config", ".cache"})
        std::filesystem::create_directories(home / dir);
    for (const char* file : {"Downloads/invoice-2026-12.pdf", "Downloads/report Q4.pdf", "Downloads/photo.jpg",
                             "Downloads/Screenshot 2026-12-08 at 10.02.png", "Downloads/notes.txt",
                             "Downloads/backup.zip", "Desktop/todo.txt"})
        test::writeFile(home / file, "fixture\n");
    d_->homeEnv.emplace("HOME", home.string());
    d_->dataEnv.emplace("XDG_DATA_HOME", (home / ".local/share").string());
    d_->configEnv.emplace("XDG_CONFIG_HOME", (home / ".config").string());
    d_->cacheEnv.emplace("XDG_CACHE_HOME", (home / ".cache").string());
    d_->olvaEnv.emplace("OLVA_HOME", (home / ".local/share/Olva").string());

    auto store = std::make_shared<Store>(Store::defaultDir());
    Config config = fixtureConfig(home);
    store->saveConfig(config);
    for (const auto& entry : fixtureEntries(home, config)) store->append(entry);

    d_->settings = std::make_unique<QSettings>(QString::fromStdString((home / ".config/Olva.ini").string()),
                                               QSettings::IniFormat);
    app::ModelServices services;
    services.settings = d_->settings.get();
    d_->model = std::make_unique<app::Model>(store, services);
    auto started = d_->model->ensureStarted();
    test::processUntil([&] { return started.isFinished(); });
    // Pictures show each folder as the engine found it.
    test::processUntil([this] { return d_->model->folderStatus().size() >= d_->model->config().folders.size(); });
}

ShotContext::~ShotContext()
{
    d_->model.reset();
    QApplication::setPalette(test::lightPalette());
}

const std::filesystem::path& ShotContext::home() const { return d_->home; }

app::Model& ShotContext::model() { return *d_->model; }

QString screenshotDir()
{
    if (!qEnvironmentVariableIsEmpty("OLVA_SCREENSHOT_DIR")) return qEnvironmentVariable("OLVA_SCREENSHOT_DIR");
    return QStringLiteral(OLVA_DEFAULT_SCREENSHOT_DIR);
}

namespace {

void write(QWidget* widget, const QString& name)
{
    QDir().mkpath(screenshotDir());
    const QString path = screenshotDir() + u'/' + name + QStringLiteral(".png");
    if (!widget->grab().save(path)) std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
}

template <typename Show>
void inBothPalettes(QWidget* widget, const QString& name, Show show)
{
    for (bool dark : {false, true}) {
        QApplication::setPalette(dark ? test::darkPalette() : test::lightPalette());
        show();
        QApplication::processEvents();
        test::processUntil([] { return false; }, std::chrono::milliseconds(50));
        write(widget, name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")));
    }
    QApplication::setPalette(test::lightPalette());
}

}  // namespace

void ShotContext::save(QWidget* window, const QString& name)
{
    inBothPalettes(window, name, [window] {
        window->show();
        window->raise();
    });
}

void ShotContext::save(QMenu* menu, const QString& name)
{
    inBothPalettes(menu, name, [menu] {
        menu->adjustSize();
        menu->popup(QPoint(0, 0));
    });
    menu->hide();
}

}  // namespace olva::shots
