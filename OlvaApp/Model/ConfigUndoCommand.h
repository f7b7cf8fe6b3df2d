// One rule edit on the main window's undo history: it holds the rules as
// they were before the edit, and as they were when it was undone, so that
// undo and redo switch between the two.
#pragma once

#include "Core/model/Model.h"

#include <QPointer>
#include <QUndoCommand>

namespace olva::app {

class Model;

class ConfigUndoCommand : public QUndoCommand {
public:
    ConfigUndoCommand(Model* model, Config before, const QString& actionName);

    void undo() override;
    // The first call, made by QUndoStack::push, does nothing: the edit is
    // already made.
    void redo() override;

private:
    QPointer<Model> model_;
    Config before_;
    Config after_;
    bool pushed_ = false;
};

}  // namespace olva::app
