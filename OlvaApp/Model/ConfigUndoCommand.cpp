#include "OlvaApp/Model/ConfigUndoCommand.h"

#include "OlvaApp/Model/Model.h"

namespace olva::app {

ConfigUndoCommand::ConfigUndoCommand(Model* model, Config before, const QString& actionName)
    : QUndoCommand(actionName), model_(model), before_(std::move(before))
{
}

void ConfigUndoCommand::undo()
{
    if (!model_) return;
    after_ = model_->config();
    model_->restoreConfig(before_);
}

void ConfigUndoCommand::redo()
{
    if (!pushed_) {
        pushed_ = true;
        return;
    }
    if (model_) model_->restoreConfig(after_);
}

}  // namespace olva::app
