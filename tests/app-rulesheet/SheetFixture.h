// A started model on a watched folder of its own, with the rule sheet opened
// for whatever the model is editing: the rule sheet's tests start here.
#pragma once

#include "OlvaApp/ConditionsEditor/ConditionRow.h"
#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"
#include "OlvaApp/ConditionsEditor/GroupRow.h"
#include "OlvaApp/RuleSheet/ActionRow.h"
#include "OlvaApp/RuleSheet/ActionsEditor.h"
#include "OlvaApp/RuleSheet/PreviewRunner.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"
#include "tests/app-rulesheet/RuleBuilders.h"
#include "tests/support/app/ModelFixture.h"

#include <QApplication>
#include <QComboBox>

#include <memory>

namespace olva::test {

class SheetFixture : public ModelFixture {
protected:
    // Watches `inbox` with these rules and selects it.
    void watch(std::vector<Rule> rules, std::int64_t depth = 0)
    {
        inbox = folder("Inbox");
        writeRules(Config{.paused = false, .folders = {watched(inbox, std::move(rules), depth)}, .bookmarks = {}});
        ASSERT_TRUE(start());
        model().setSelection(app::Selection::folder(0));
    }

    // The sheet for the model's editingRule, shown and active.
    app::RuleSheet& open()
    {
        sheet = std::make_unique<app::RuleSheet>(model(), *model().editingRule());
        sheet->show();
        QApplication::setActiveWindow(sheet.get());
        return *sheet;
    }

    // The preview the sheet asked for, once its delay has passed and it ran.
    bool previewed()
    {
        clock.advance(app::PreviewRunner::delay);
        return until([&] { return !sheet->previewRunner()->isLoading(); });
    }

    static void pick(QComboBox* box, int data)
    {
        const int index = box->findData(data);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    std::filesystem::path inbox;
    std::unique_ptr<app::RuleSheet> sheet;
};

}  // namespace olva::test
