// What the activity list costs on a log of 1,500 entries: reading the log,
// building the view with its newest thousand rows (sorted newest first and
// drawn), filtering them by a search text, selecting every row and sorting
// them by their results. Each should stay well under a tenth of a second.
// On a full log (30,000 entries, the newest third from today): selecting
// every row, and taking in one new entry with the view shown, which a busy
// engine asks of the GUI thread for every file it handles.
#include "Core/store/Log.h"
#include "Core/store/Store.h"
#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/Model/Model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>
#include <QTableView>

#include <benchmark/benchmark.h>
#include <unicode/locid.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace olva;

namespace {

constexpr std::size_t entryCount = 1500;
constexpr std::size_t fullCount = 30000;

fs::path scratch(const std::string& name)
{
    return fs::path(OLVA_BENCH_TMP_ROOT) / ("activity-" + std::to_string(getpid()) + "-" + name);
}

const char* rules[] = {"Invoices", "Screenshots by month", "Old installers", "Downloads cleanup", "Receipts"};
const char* stems[] = {"invoice", "Screenshot 2025-03-", "setup", "report Q", "receipt"};
const char* exts[] = {"pdf", "png", "deb", "docx", "pdf"};

// The i-th entry of a log like a year of use: moves, dry runs, failures,
// tags, scripts and undos, under a handful of rules, with names that sort in
// interesting ways. A full log's entries test one condition, so that 30,000
// of them fit in the two files of the log.
Entry entryAt(std::size_t i, Date at, const std::string& previousId, bool oneCheck = false)
{
    Entry entry;
    entry.at = at;
    const std::string name = std::string(stems[i % 5]) + std::to_string(i) + "." + exts[i % 5];
    entry.file = "/home/alex/Downloads/" + name;
    entry.rule = rules[i % 5];
    entry.version = "0123456789abcdef";
    entry.checks = {Check{Attr::ext, Op::is, exts[i % 5], exts[i % 5], true},
                    Check{Attr::name, Op::contains, stems[i % 5], name, true}};
    if (oneCheck) entry.checks.pop_back();
    Step move{Step::Kind::move, entry.file, "/home/alex/Documents/" + std::string(rules[i % 5]) + "/" + name, {}, {},
              {}};
    switch (i % 12) {
    case 3: entry.error = "“" + name + "” couldn’t be moved because the disk is full."; break;
    case 5:
        entry.dryRun = true;
        entry.steps = {move};
        break;
    case 7:
        entry.steps = {move, Step{Step::Kind::tags, move.to.value(), {}, std::vector<std::string>{"Inbox"},
                                  std::string("Paid, Work"), {}}};
        break;
    case 9: entry.steps = {Step{Step::Kind::shell, entry.file, {}, {}, std::string("done"), {}}}; break;
    case 11:
        entry.undoOf = previousId;
        entry.steps = {move};
        break;
    default: entry.steps = {move}; break;
    }
    return entry;
}

// `count` entries a year long, or, with `todayShare`, that share of them
// from the last hours. Beyond the size limit the older lines go to
// log.1.json, as the log's rotation leaves them.
void writeLog(const fs::path& dir, std::size_t count, double todayShare = 0)
{
    std::string lines;
    const auto now = std::chrono::system_clock::now();
    const auto start = now - std::chrono::hours(24 * 365);
    const auto today = static_cast<std::size_t>(double(count) * todayShare);
    std::string previousId;
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = i + today >= count
            ? now - std::chrono::seconds(count - i)
            : start + std::chrono::minutes(i * 347 * entryCount / count);
        Entry entry = entryAt(i, std::chrono::time_point_cast<Date::duration>(at), previousId, todayShare > 0);
        previousId = entry.id;
        lines += logLine(entry);
    }
    std::size_t cut = 0;
    if (lines.size() > Store::maxLog) cut = lines.find('\n', Store::maxLog) + 1;
    if (cut > 0) std::ofstream(dir / "log.1.json", std::ios::binary) << lines.substr(0, cut);
    std::ofstream(dir / "log.json", std::ios::binary) << lines.substr(cut);
    if (lines.size() - cut > Store::maxLog) std::abort();
}

void waitFor(const QFuture<void>& future)
{
    while (!future.isFinished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

struct Setup {
    Setup(const std::string& name, std::size_t count, double todayShare) : dir(scratch(name))
    {
        fs::remove_all(dir);
        fs::create_directories(dir / "Olva");
        fs::create_directories(dir / "Inbox");
        setenv("OLVA_HOME", (dir / "Olva").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        store = std::make_shared<Store>(Store::defaultDir());
        Config config;
        Folder folder;
        folder.path = (dir / "Inbox").string();
        config.folders = {folder};
        store->saveConfig(config);
        writeLog(dir / "Olva", count, todayShare);
        settings =
            std::make_unique<QSettings>(QString::fromStdString((dir / "Olva.ini").string()), QSettings::IniFormat);
        app::ModelServices services;
        services.settings = settings.get();
        model = std::make_unique<app::Model>(store, services);
        waitFor(model->ensureStarted());
        // The whole log, however the start spreads its reading.
        for (int tries = 0; model->entries().size() != count && tries < 100; ++tries)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (model->entries().size() != count) std::abort();
    }
    ~Setup()
    {
        model.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    fs::path dir;
    std::shared_ptr<Store> store;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<app::Model> model;
};

Setup& setup()
{
    static Setup made("year", entryCount, 0);
    return made;
}

Setup& fullSetup()
{
    static Setup made("full", fullCount, 1.0 / 3);
    return made;
}

void readLog(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(setup().store->entries(LogPosition{}));
}

void loadView(benchmark::State& state)
{
    for (auto _ : state) {
        app::ActivityView view(*setup().model);
        view.resize(1100, 700);
        benchmark::DoNotOptimize(view.grab());
    }
}

void filterBySearch(benchmark::State& state)
{
    app::ActivityView view(*setup().model);
    view.resize(1100, 700);
    const QString searches[] = {QStringLiteral("invoice"), QStringLiteral("Screenshots"), QStringLiteral("no such"),
                                QStringLiteral("e"), QString()};
    std::size_t i = 0;
    for (auto _ : state) {
        view.searchField()->setText(searches[i++ % std::size(searches)]);
        benchmark::DoNotOptimize(view.table()->model()->rowCount());
    }
}

void selectEveryRowOf(Setup& log, benchmark::State& state)
{
    app::ActivityView view(*log.model);
    view.resize(1100, 700);
    for (auto _ : state) {
        view.table()->selectAll();
        view.table()->clearSelection();
    }
}

void selectEveryRow(benchmark::State& state) { selectEveryRowOf(setup(), state); }
void selectEveryRowOfFullLog(benchmark::State& state) { selectEveryRowOf(fullSetup(), state); }

// One entry appended to the log and read into the list, with the view
// built; shown (and so drawn again) or not.
void appendOneToFullLog(benchmark::State& state)
{
    Setup& log = fullSetup();
    app::ActivityView view(*log.model);
    view.resize(1100, 700);
    if (state.range(0)) view.show();
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t i = log.model->entries().size();
        log.store->append(entryAt(i, std::chrono::time_point_cast<Date::duration>(std::chrono::system_clock::now()),
                                  log.model->entries().back().id, true));
        state.ResumeTiming();
        waitFor(log.model->refresh());
        if (log.model->entries().size() != i + 1) std::abort();
    }
}

void sortByResult(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<app::ActivityView>(*setup().model);
        state.ResumeTiming();
        view->table()->sortByColumn(app::ActivityTableModel::resultColumn, Qt::AscendingOrder);
        benchmark::DoNotOptimize(view->table()->model()->rowCount());
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(readLog)->Unit(benchmark::kMillisecond);
BENCHMARK(loadView)->Unit(benchmark::kMillisecond);
BENCHMARK(filterBySearch)->Unit(benchmark::kMillisecond);
BENCHMARK(selectEveryRow)->Unit(benchmark::kMillisecond);
BENCHMARK(sortByResult)->Unit(benchmark::kMillisecond);
BENCHMARK(selectEveryRowOfFullLog)->Unit(benchmark::kMillisecond);
BENCHMARK(appendOneToFullLog)->ArgName("shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
