#include "OlvaApp/ExplainSheet/ExplainSheet.h"

#include "OlvaApp/Model/Model.h"

namespace olva::app {

ExplainSheet::ExplainSheet(Model& model, QWidget* parent) : QDialog(parent), model_(model)
{
    setWindowModality(Qt::WindowModal);
    connect(this, &QDialog::finished, this, [this] { model_.setExplained(std::nullopt); });
}

ExplainSheet::~ExplainSheet() = default;

}  // namespace olva::app
