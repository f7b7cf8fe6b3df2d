#include "OlvaApp/Model/ModelTesting.h"
#include "OlvaApp/PlaceChip/PlaceChip.h"
#include "OlvaApp/RuleSheet/ActionKinds.h"
#include "OlvaApp/RuleSheet/ActionRow.h"
#include "OlvaApp/RuleSheet/ActionsEditor.h"
#include "tests/app-rulesheet/RuleBuilders.h"
#include "tests/support/app/ModelFixture.h"

#include "Core/base/Paths.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace olva;
using namespace olva::app;
using namespace olva::test;

namespace {

std::string json(const std::vector<Action>& actions)
{
    nlohmann::json list = nlohmann::json::array();
    for (const Action& action : actions) list.push_back(toJson(action));
    return list.dump();
}

class ActionsEditorTest : public ModelFixture {
protected:
    // A shown editor, so that focus and keys behave as on a desktop.
    ActionsEditor& editor(std::vector<Action> actions)
    {
        editor_ = std::make_unique<ActionsEditor>(model(), std::move(actions));
        editor_->resize(640, 200);
        editor_->show();
        QApplication::setActiveWindow(editor_.get());
        return *editor_;
    }
    ActionRow& row(int i) { return *editor_->rows().at(i).editor; }
    void pickKind(int i, Action::Kind kind)
    {
        QComboBox* box = row(i).kindBox();
        const int index = box->findData(static_cast<int>(kind));
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    std::unique_ptr<ActionsEditor> editor_;
};

}  // namespace

TEST(ActionKinds, TitlesAndWhatARowStartsWith)
{
    struct Case {
        Action::Kind kind;
        const char* title;
        Action start;
    };
    const Case cases[] = {
        {Action::Kind::move, "Move to Folder", Action::move("")},
        {Action::Kind::copy, "Copy to Folder", Action::copy("")},
        {Action::Kind::rename, "Rename", Action::rename("{name}")},
        {Action::Kind::sortInto, "Sort into Subfolder", Action::sortInto("{added:yyyy}")},
        {Action::Kind::addTags, "Add Tags", Action::addTags({})},
        {Action::Kind::removeTags, "Remove Tags", Action::removeTags({})},
        {Action::Kind::trash, "Move to Trash", Action::trash()},
        {Action::Kind::shell, "Run Shell Script", Action::shell("")},
    };
    ASSERT_EQ(actionKinds().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(actionKinds()[i], cases[i].kind);
        EXPECT_EQ(title(cases[i].kind), cases[i].title);
        EXPECT_EQ(toJson(defaultAction(cases[i].kind)), toJson(cases[i].start)) << cases[i].title;
    }
}

TEST(ActionKinds, TagsTextGivesTrimmedNonEmptyNamesInOrder)
{
    struct Case {
        QString text;
        std::vector<std::string> tags;
        QString tidy;
    };
    const Case cases[] = {
        {"", {}, ""},
        {"Work", {"Work"}, "Work"},
        {"  Work ,, Red  ,", {"Work", "Red"}, "Work, Red"},
        {"Work, ", {"Work"}, "Work"},
        {"\tA\t,B", {"A", "B"}, "A, B"},
        {"A, A", {"A", "A"}, "A, A"},  // duplicates stay
        {"Two words, x", {"Two words", "x"}, "Two words, x"},
        {QStringLiteral("\u00a0No-break\u2003"), {"No-break"}, "No-break"},
        {"line\n", {"line\n"}, "line\n"},  // line breaks are not blanks
        {" , ,", {}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tagsFromText(c.text), c.tags) << c.text.toStdString();
        EXPECT_EQ(tagsText(c.tags), c.tidy) << c.text.toStdString();
    }
}

TEST_F(ActionsEditorTest, RowsAreAddedAfterTheirOwnAndRemovedWhileMoreThanOneStays)
{
    ActionsEditor& list = editor({Action::trash()});
    QSignalSpy changes(&list, &ActionsEditor::actionsChanged);
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_FALSE(list.rows()[0].remove->isEnabled());
    EXPECT_TRUE(list.rows()[0].add->isEnabled());
    EXPECT_FALSE(list.addActionButton()->isVisible());

    QTest::mouseClick(list.rows()[0].add, Qt::LeftButton);
    EXPECT_EQ(json(list.actions()), json({Action::trash(), Action::move("")}));
    EXPECT_TRUE(list.rows()[0].remove->isEnabled());
    EXPECT_TRUE(list.rows()[1].remove->isEnabled());
    EXPECT_TRUE(row(1).kindBox()->hasFocus());
    EXPECT_EQ(row(1).noFolderLabel()->text(), "No folder chosen");
    EXPECT_TRUE(row(1).noFolderLabel()->isVisible());

    // Add on the first row inserts between the two.
    pickKind(1, Action::Kind::shell);
    QTest::mouseClick(list.rows()[0].add, Qt::LeftButton);
    EXPECT_EQ(json(list.actions()), json({Action::trash(), Action::move(""), Action::shell("")}));

    QTest::mouseClick(list.rows()[0].remove, Qt::LeftButton);
    QTest::mouseClick(list.rows()[0].remove, Qt::LeftButton);
    EXPECT_EQ(json(list.actions()), json({Action::shell("")}));
    EXPECT_FALSE(list.rows()[0].remove->isEnabled());
    EXPECT_EQ(changes.count(), 5);

    // An empty list (a hand-edited rule) offers "Add Action".
    ActionsEditor& empty = editor({});
    EXPECT_TRUE(empty.rows().empty());
    EXPECT_TRUE(empty.addActionButton()->isVisible());
    QTest::mouseClick(empty.addActionButton(), Qt::LeftButton);
    EXPECT_EQ(json(empty.actions()), json({Action::move("")}));
    EXPECT_FALSE(empty.addActionButton()->isVisible());
}

TEST_F(ActionsEditorTest, AnotherKindStartsFromItsDefaultAndKeepsNothing)
{
    struct Case {
        Action from;
        Action::Kind to;
        Action result;
    };
    const Case cases[] = {
        {Action::move("~/Invoices"), Action::Kind::copy, Action::copy("")},
        {Action::copy("~/Invoices"), Action::Kind::move, Action::move("")},
        {Action::rename("{name} x"), Action::Kind::sortInto, Action::sortInto("{added:yyyy}")},
        {Action::sortInto("{ext}"), Action::Kind::rename, Action::rename("{name}")},
        {Action::addTags({"A"}), Action::Kind::removeTags, Action::removeTags({})},
        {Action::shell("echo"), Action::Kind::trash, Action::trash()},
    };
    for (const Case& c : cases) {
        ActionsEditor& list = editor({c.from});
        pickKind(0, c.to);
        EXPECT_EQ(json(list.actions()), json({c.result})) << rawValue(c.to);
        EXPECT_TRUE(row(0).kindBox()->hasFocus());
    }
    // Choosing the kind it has changes nothing.
    ActionsEditor& list = editor({Action::move("~/Invoices")});
    QSignalSpy changes(&list, &ActionsEditor::actionsChanged);
    ActionRow* before = &row(0);
    pickKind(0, Action::Kind::move);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(&row(0), before);
    // By keyboard: Down on the kind box goes to the next kind.
    QTest::keyClick(row(0).kindBox(), Qt::Key_Down);
    EXPECT_EQ(json(list.actions()), json({Action::copy("")}));
    EXPECT_EQ(row(0).noFolderLabel()->text(), "No folder chosen");
    EXPECT_FALSE(row(0).destinationChip()->isVisible());
}

TEST_F(ActionsEditorTest, PatternTokensAreAppendedWhereverTheCursorIs)
{
    ActionsEditor& list = editor({Action::rename("{name}")});
    QLineEdit* field = row(0).patternField();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->placeholderText(), "{name} {added:yyyy-MM-dd}");
    field->setFocus();
    field->setCursorPosition(0);
    QTest::keyClicks(field, "x ");
    EXPECT_EQ(json(list.actions()), json({Action::rename("x {name}")}));
    field->setCursorPosition(1);

    QMenu* menu = row(0).insertButton()->menu();
    QStringList titles;
    for (QAction* item : menu->actions()) titles << item->text();
    EXPECT_EQ(titles, (QStringList{"Name", "Extension", "Date Added", "Date Created", "Date Modified", "Today",
                                   "First Date in Contents"}));
    menu->actions()[5]->trigger();
    EXPECT_EQ(json(list.actions()), json({Action::rename("x {name}{now:yyyy-MM-dd}")}));
    EXPECT_EQ(field->text(), "x {name}{now:yyyy-MM-dd}");
    menu->actions()[6]->trigger();
    EXPECT_EQ(list.actions()[0].text, "x {name}{now:yyyy-MM-dd}{date:yyyy-MM-dd}");

    ActionsEditor& sort = editor({Action::sortInto("")});
    EXPECT_EQ(row(0).patternField()->placeholderText(), "{added:yyyy}/{added:MM}");
    row(0).insertButton()->menu()->actions()[2]->trigger();
    EXPECT_EQ(json(sort.actions()), json({Action::sortInto("{added:yyyy-MM-dd}")}));
}

TEST_F(ActionsEditorTest, TheTagsFieldKeepsWhatIsTypedAndTidiesWhenEditingEnds)
{
    ActionsEditor& list = editor({Action::addTags({}), Action::trash()});
    QLineEdit* field = row(0).tagsField();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->placeholderText(), "Work, Red");
    field->setFocus();
    QTest::keyClicks(field, "Work, ");
    EXPECT_EQ(field->text(), "Work, ");  // the comma and blank the user typed stay
    EXPECT_EQ(json(list.actions()), json({Action::addTags({"Work"}), Action::trash()}));
    QTest::keyClicks(field, " Red ,,");
    EXPECT_EQ(field->text(), "Work,  Red ,,");
    EXPECT_EQ(list.actions()[0].tags, (std::vector<std::string>{"Work", "Red"}));

    row(1).kindBox()->setFocus();  // editing ends
    EXPECT_EQ(field->text(), "Work, Red");
    EXPECT_EQ(list.actions()[0].tags, (std::vector<std::string>{"Work", "Red"}));
}

TEST_F(ActionsEditorTest, TheScriptIsKeptAsTypedAndGrowsUpToSixLines)
{
    ActionsEditor& list = editor({Action::shell("")});
    QPlainTextEdit* script = row(0).scriptField();
    ASSERT_TRUE(script);
    EXPECT_EQ(script->placeholderText(), "The file’s path is $1");
    const int oneLine = script->height();
    script->setFocus();
    QTest::keyClicks(script, "echo \"$1\"");
    EXPECT_EQ(json(list.actions()), json({Action::shell("echo \"$1\"")}));
    QTest::keyClick(script, Qt::Key_Return);
    QTest::keyClicks(script, "  ls");
    EXPECT_EQ(list.actions()[0].text, "echo \"$1\"\n  ls");
    const int twoLines = script->height();
    EXPECT_GT(twoLines, oneLine);
    for (int i = 0; i < 10; ++i) QTest::keyClick(script, Qt::Key_Return);
    const int most = script->height();
    EXPECT_EQ(most - oneLine, 5 * (twoLines - oneLine));
    EXPECT_EQ(&row(0), list.rows()[0].editor);  // typing never made the row again
}

TEST_F(ActionsEditorTest, ChoosingAFolderKeepsAccessAndShowsIt)
{
    const auto invoices = folder("Invoices");
    ActionsEditor& list = editor({Action::move("")});
    EXPECT_FALSE(row(0).accessWarning()->isVisible());

    panels.answer(std::nullopt);  // cancelled: nothing changes
    QTest::mouseClick(row(0).chooseButton(), Qt::LeftButton);
    EXPECT_EQ(json(list.actions()), json({Action::move("")}));
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].choose, OpenPanelRequest::Choose::folders);
    EXPECT_TRUE(panels.requests[0].canCreateFolders);
    EXPECT_EQ(panels.requests[0].message, "Choose a folder");

    panels.answer(invoices);
    QTest::mouseClick(row(0).chooseButton(), Qt::LeftButton);
    // Stored in the user's form (the home folder of the process as "~").
    const std::string stored = abbreviate(invoices.string());
    EXPECT_EQ(json(list.actions()), json({Action::move(stored)}));
    EXPECT_TRUE(row(0).destinationChip()->isVisible());
    EXPECT_FALSE(row(0).noFolderLabel()->isVisible());
    EXPECT_EQ(row(0).destinationChip()->path(), QString::fromStdString(stored));
    EXPECT_TRUE(model().config().bookmarks.contains(stored));
    EXPECT_FALSE(row(0).accessWarning()->isVisible());

    // In a sandbox, a destination without a bookmark asks to be chosen
    // again; choosing it again keeps access.
    ModelTesting::setSandboxed(model(), true);
    const std::string elsewhere = abbreviate(folder("Elsewhere").string());
    ActionsEditor& sandboxed = editor({Action::copy(elsewhere), Action::copy(stored)});
    EXPECT_TRUE(row(0).accessWarning()->isVisible());
    EXPECT_EQ(row(0).accessWarning()->text(), "Choose it again so Olva can use it");
    EXPECT_FALSE(row(1).accessWarning()->isVisible());
    panels.answer(folder("Elsewhere"));
    QTest::mouseClick(row(0).chooseButton(), Qt::LeftButton);
    EXPECT_FALSE(row(0).accessWarning()->isVisible());
    EXPECT_EQ(sandboxed.actions()[0].text, elsewhere);
}
