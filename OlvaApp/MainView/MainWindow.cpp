#include "OlvaApp/MainView/MainWindow.h"

#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/Model/Model.h"

#include <QUndoStack>

namespace olva::app {

MainWindow::MainWindow(Model& model, QWidget* parent)
    : QMainWindow(parent), model_(model), undoStack_(new QUndoStack(this)), activityView_(new ActivityView(model, this))
{
    setCentralWidget(activityView_);
    setWindowTitle(tr("Olva"));
}

MainWindow::~MainWindow() = default;

}  // namespace olva::app
