// What reading a file's facts and testing a three-condition rule costs,
// next to the least any scan must do: one statx per file.
#include "Core/evaluate/Evaluator.h"
#include "Core/facts/FileInfo.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace olva;

namespace {

constexpr int fileCount = 10'000;

// The files, made once: a mix of names, extensions and sizes, so that the
// rule passes for some and stops early for others.
const std::vector<fs::path>& files()
{
    static const std::vector<fs::path> paths = [] {
        fs::path root = fs::path(OLVA_BENCH_TMP_ROOT) / ("facts-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        const char* stems[] = {"report", "invoice", "photo", "notes"};
        const char* exts[] = {"pdf", "txt", "jpg", "docx", "pdf"};
        std::vector<fs::path> made;
        std::string bytes(4096, 'x');
        for (int i = 0; i < fileCount; ++i) {
            fs::path path = root / (std::string(stems[i % 4]) + "-" + std::to_string(i) + "." + exts[i % 5]);
            std::ofstream(path, std::ios::binary).write(bytes.data(), (i * 37) % 4096);
            made.push_back(path);
        }
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(fs::path(OLVA_BENCH_TMP_ROOT) / ("facts-" + std::to_string(getpid())), ignored);
        });
        return made;
    }();
    return paths;
}

Group rule()
{
    return Group{Group::Mode::all,
                 {Condition{Attr::name, Op::contains, "report"}, Condition{Attr::ext, Op::is, "pdf"},
                  Condition{Attr::size, Op::gt, "1 KB"}}};
}

void factsAndRule(benchmark::State& state)
{
    const auto& paths = files();
    const Group group = rule();
    const Date now = currentDate();
    { FileInfo warm(paths.front()); }
    std::int64_t matched = 0;
    for (auto _ : state) {
        for (const auto& path : paths) {
            FileInfo info(path);
            matched += evaluate(group, info, now).pass;
        }
    }
    benchmark::DoNotOptimize(matched);
    state.SetItemsProcessed(state.iterations() * fileCount);
}

void bareStatx(benchmark::State& state)
{
    const auto& paths = files();
    std::uint64_t total = 0;
    for (auto _ : state) {
        for (const auto& path : paths) {
            struct statx sx{};
            statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx);
            total += sx.stx_size;
        }
    }
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(state.iterations() * fileCount);
}

}  // namespace

BENCHMARK(factsAndRule)->Unit(benchmark::kMillisecond);
BENCHMARK(bareStatx)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
