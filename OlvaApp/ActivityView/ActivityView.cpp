#include "OlvaApp/ActivityView/ActivityView.h"

#include "OlvaApp/Model/Model.h"

namespace olva::app {

ActivityView::ActivityView(Model& model, QWidget* parent) : QWidget(parent), model_(model) {}

ActivityView::~ActivityView() = default;

QList<QAction*> ActivityView::toolbarActions() const { return {}; }

}  // namespace olva::app
