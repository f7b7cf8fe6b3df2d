// Folds the seen journal of a data directory into its seen file, as the
// engine does once the journal has outgrown it: what journal-bench.sh times
// `olva explain` and `olva undo` against, next to the journal before.
//
// usage: bench_fold_journal <data directory>
#include "Core/store/SeenRecords.h"
#include "Core/store/Store.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <data directory>\n", argv[0]);
        return 1;
    }
    try {
        olva::Store store(argv[1]);
        store.lockEngine();
        olva::SeenRecords seen;
        store.readSeen([&](const std::string& key, std::string_view version) { seen.add(key, version); });
        store.foldJournal(seen);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
