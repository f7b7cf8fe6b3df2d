#include "OlvaApp/MainView/MainWindow.h"

#include "OlvaApp/Model/Model.h"

#include <QUndoStack>

namespace olva::app {

MainWindow::MainWindow(Model& model, QWidget* parent)
    : QMainWindow(parent), model_(model), undoStack_(new QUndoStack(this))
{
    setWindowTitle(tr("Olva"));
}

MainWindow::~MainWindow() = default;

}  // namespace olva::app
