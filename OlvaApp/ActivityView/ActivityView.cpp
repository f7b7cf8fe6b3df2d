#include "OlvaApp/ActivityView/ActivityView.h"

#include "OlvaApp/Model/Model.h"

#include <QAction>

namespace olva::app {

ActivityView::ActivityView(Model& model, QWidget* parent)
    : QWidget(parent), model_(model), inspectorAction_(new QAction(tr("Show Inspector"), this))
{
    inspectorAction_->setCheckable(true);
}

ActivityView::~ActivityView() = default;

QList<QAction*> ActivityView::toolbarActions() const { return {}; }

}  // namespace olva::app
