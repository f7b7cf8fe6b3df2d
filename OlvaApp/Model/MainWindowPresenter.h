// The main window as the model reaches it: made on first use, brought
// forward on request, and the owner of the undo history of rule edits.
#pragma once

class QUndoStack;

namespace olva::app {

class MainWindowPresenter {
public:
    virtual ~MainWindowPresenter() = default;

    // Creates the window on first use, or shows it again; raises and
    // activates it. The window tells the model when it closes
    // (Model::setWindowVisible with "main" and false).
    virtual void present() = 0;
    // The window's undo history; null until the window exists.
    virtual QUndoStack* undoStack() = 0;
};

}  // namespace olva::app
