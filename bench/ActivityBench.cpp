// What the activity list costs on a log of 1,500 entries: reading the log,
// building the view with its newest thousand rows (sorted newest first and
// drawn), filtering them by a search text, selecting every row and sorting
// them by their results. Each should stay well under a tenth of a second.
#include "Core/Log.h"
#include "Core/Store.h"
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

fs::path scratch() { return fs::path(OLVA_BENCH_TMP_ROOT) / ("activity-" + std::to_string(getpid())); }

// A log like a year of use: moves, dry runs, failures, tags, scripts and
// undos, under a handful of rules, with names that sort in interesting ways.
void writeLog(const fs::path& file)
{
    const char* rules[] = {"Invoices", "Screenshots by month", "Old installers", "Downloads cleanup", "Receipts"};
    const char* stems[] = {"invoice", "Screenshot 2025-03-", "setup", "report Q", "receipt"};
    const char* exts[] = {"pdf", "png", "deb", "docx", "pdf"};
    std::ofstream out(file, std::ios::binary);
    const auto start = std::chrono::system_clock::now() - std::chrono::hours(24 * 365);
    std::string previousId;
    for (std::size_t i = 0; i < entryCount; ++i) {
        Entry entry;
        entry.at = std::chrono::time_point_cast<Date::duration>(start + std::chrono::minutes(i * 347));
        const std::string name = std::string(stems[i % 5]) + std::to_string(i) + "." + exts[i % 5];
        entry.file = "/home/alex/Downloads/" + name;
        entry.rule = rules[i % 5];
        entry.version = "0123456789abcdef";
        entry.checks = {Check{Attr::ext, Op::is, exts[i % 5], exts[i % 5], true},
                        Check{Attr::name, Op::contains, stems[i % 5], name, true}};
        Step move{Step::Kind::move, entry.file, "/home/alex/Documents/" + std::string(rules[i % 5]) + "/" + name, {},
                  {}, {}};
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
        previousId = entry.id;
        out << logLine(entry);
    }
}

struct Setup {
    Setup()
    {
        fs::remove_all(scratch());
        fs::create_directories(scratch() / "Olva");
        fs::create_directories(scratch() / "Inbox");
        setenv("OLVA_HOME", (scratch() / "Olva").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (scratch() / "config").c_str(), 1);
        store = std::make_shared<Store>(Store::defaultDir());
        Config config;
        Folder folder;
        folder.path = (scratch() / "Inbox").string();
        config.folders = {folder};
        store->saveConfig(config);
        writeLog(scratch() / "Olva/log.json");
        settings = std::make_unique<QSettings>(QString::fromStdString((scratch() / "Olva.ini").string()),
                                               QSettings::IniFormat);
        app::ModelServices services;
        services.settings = settings.get();
        model = std::make_unique<app::Model>(store, services);
        auto started = model->ensureStarted();
        while (!started.isFinished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (model->entries().size() != entryCount) std::abort();
    }
    ~Setup()
    {
        model.reset();
        std::error_code ignored;
        fs::remove_all(scratch(), ignored);
    }

    std::shared_ptr<Store> store;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<app::Model> model;
};

Setup& setup()
{
    static Setup made;
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

void selectEveryRow(benchmark::State& state)
{
    app::ActivityView view(*setup().model);
    view.resize(1100, 700);
    for (auto _ : state) {
        view.table()->selectAll();
        view.table()->clearSelection();
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
