// The model's state that tests read or switch and views never may: the
// engine itself, the log's read position and count, and the sandbox-only
// behaviour, which never runs on Linux otherwise.
#pragma once

#include "OlvaApp/Model/Model.h"

namespace olva::app {

struct ModelTesting {
    static std::shared_ptr<Engine> engine(const Model& model) { return model.engine_; }
    static const LogPosition& logPosition(const Model& model) { return model.logPosition_; }
    // How many times the log was read.
    static int logReadCount(const Model& model) { return model.logReads_; }
    static void setSandboxed(Model& model, bool sandboxed) { model.sandboxed_ = sandboxed; }
};

}  // namespace olva::app
