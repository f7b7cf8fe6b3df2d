// The main window: the sidebar of watched folders and Activity beside the
// selected folder's rules or the activity list. It owns the undo history of
// every rule edit and presents the sheets the model asks for (a rule being
// edited, an import to confirm, a file explained).
#pragma once

#include <QMainWindow>

class QUndoStack;

namespace olva::app {

class ActivityView;
class Model;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Model& model, QWidget* parent = nullptr);
    ~MainWindow() override;

    QUndoStack* undoStack() const { return undoStack_; }
    // The activity list the window shows while Activity is selected.
    ActivityView* activityView() const { return activityView_; }

private:
    Model& model_;
    QUndoStack* undoStack_;
    ActivityView* activityView_;
};

}  // namespace olva::app
