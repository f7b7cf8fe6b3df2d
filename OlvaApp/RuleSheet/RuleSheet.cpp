#include "OlvaApp/RuleSheet/RuleSheet.h"

#include "OlvaApp/Model/Model.h"

namespace olva::app {

RuleSheet::RuleSheet(Model& model, EditingRule editing, QWidget* parent)
    : QDialog(parent), model_(model), editing_(std::move(editing))
{
    setWindowModality(Qt::WindowModal);
}

RuleSheet::~RuleSheet() = default;

}  // namespace olva::app
