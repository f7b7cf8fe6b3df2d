// `olva run` and `olva once`: the engine without the app.
#include "olva/Tool.h"

#include "Core/Store.h"
#include "olva/EntryText.h"

#include <cerrno>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace olva {

namespace {

constexpr const char* kLockHeld = "the Olva app or another olva run already processes the watched folders, quit it first";

void lockEngine(Store& store)
{
    try {
        store.lockEngine();
    } catch (const std::exception&) {
        fail(kLockHeld);
    }
}

}  // namespace

int runCommand(Store& store, const Console&)
{
    lockEngine(store);
    fail("cannot read rules: running needs the engine, which this build does not have yet");
}

int onceCommand(Store& store, const Console&)
{
    lockEngine(store);
    fail("cannot read rules: running needs the engine, which this build does not have yet");
}

}  // namespace olva
