#include "tests/screenshots/Shots.h"

#include "OlvaApp/Model/Model.h"
#include "OlvaApp/RuleSheet/PreviewRunner.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"
#include "tests/support/app/AppTestSupport.h"

#include <QWidget>

namespace {

using namespace olva;
using namespace olva::app;

// The sheet for the rule the model is editing, over a window of its own
// size, with its first preview done.
void saveSheet(shots::ShotContext& context, const QString& name, const std::function<void(RuleSheet&)>& edit = {})
{
    Model& model = context.model();
    RuleSheet sheet(model, *model.editingRule());
    if (edit) edit(sheet);
    sheet.show();
    test::processUntil([&] { return !sheet.previewRunner()->isLoading(); });
    context.save(&sheet, name);
}

// The fixture's Downloads folder, selected.
void selectDownloads(shots::ShotContext& context) { context.model().setSelection(Selection::folder(0)); }

}  // namespace

OLVA_SHOT(rule_sheet_new)
{
    selectDownloads(context);
    context.model().newRule();
    saveSheet(context, QStringLiteral("rule-sheet-new"));
}

OLVA_SHOT(rule_sheet_nested)
{
    Model& model = context.model();
    selectDownloads(context);
    Rule rule;
    rule.name = "Receipts and invoices";
    rule.enabled = true;
    rule.dryRun = false;
    rule.match = Group{Group::Mode::all,
                       {Node(Condition{Attr::kind, Op::is, "pdf"}),
                        Node(Group{Group::Mode::any,
                                   {Node(Condition{Attr::name, Op::contains, "invoice"}),
                                    Node(Condition{Attr::contents, Op::contains, "receipt"}),
                                    Node(Group{Group::Mode::none,
                                               {Node(Condition{Attr::tags, Op::contains, "Done"})}})}}),
                        Node(Condition{Attr::added, Op::inLast, "2 weeks"})}};
    rule.actions = {Action::rename("{date:yyyy-MM-dd} {name}"), Action::addTags({"Finance", "Paid"}),
                    Action::move("~/Documents/Invoices")};
    model.newRule(rule);
    saveSheet(context, QStringLiteral("rule-sheet-nested"));
}

OLVA_SHOT(rule_sheet_preview)
{
    Model& model = context.model();
    selectDownloads(context);
    model.editRule(0);
    saveSheet(context, QStringLiteral("rule-sheet-preview"));
}

OLVA_SHOT(rule_sheet_invalid)
{
    Model& model = context.model();
    selectDownloads(context);
    Rule rule = Model::defaultNewRule();
    rule.actions = {Action::copy("")};
    model.newRule(rule);
    saveSheet(context, QStringLiteral("rule-sheet-invalid"));
}
