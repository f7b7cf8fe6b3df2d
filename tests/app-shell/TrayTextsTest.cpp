// The words of the tray: cut names, the state, the recent entries.
#include "OlvaApp/App/TrayTexts.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::app;

namespace {

QString repeated(const QString& piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

struct Cut {
    QString text;
    qsizetype limit;
    QString expected;
};

class Cutting : public ::testing::TestWithParam<Cut> {};

TEST_P(Cutting, CountsUserPerceivedCharacters)
{
    EXPECT_EQ(cutToCharacters(GetParam().text, GetParam().limit), GetParam().expected);
}

// "é" as e and a combining accent, a flag and a family emoji are one
// character each, though several code points.
const QString accent = QStringLiteral("e\u0301");
const QString flag = QStringLiteral("\U0001F1E8\U0001F1ED");
const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");

INSTANTIATE_TEST_SUITE_P(
    Limits, Cutting,
    ::testing::Values(Cut{QString(), 30, QString()}, Cut{repeated(QStringLiteral("a"), 30), 30, repeated(QStringLiteral("a"), 30)},
                      Cut{repeated(QStringLiteral("a"), 31), 30, repeated(QStringLiteral("a"), 29) + QStringLiteral("…")},
                      Cut{repeated(QStringLiteral("b"), 40), 40, repeated(QStringLiteral("b"), 40)},
                      Cut{repeated(QStringLiteral("b"), 41), 40, repeated(QStringLiteral("b"), 39) + QStringLiteral("…")},
                      Cut{repeated(accent, 30), 30, repeated(accent, 30)},
                      Cut{repeated(accent, 31), 30, repeated(accent, 29) + QStringLiteral("…")},
                      Cut{repeated(flag, 31), 30, repeated(flag, 29) + QStringLiteral("…")},
                      Cut{repeated(family, 30), 30, repeated(family, 30)},
                      Cut{repeated(QStringLiteral("x"), 28) + family + family + family, 30, repeated(QStringLiteral("x"), 28) + family + QStringLiteral("…")}));

struct StateCase {
    bool paused, storeProblem, recentError, problemFolders;
    TrayState expected;
};

class States : public ::testing::TestWithParam<StateCase> {};

TEST_P(States, PausedWinsThenAnyProblemNeedsAttention)
{
    const StateCase& c = GetParam();
    EXPECT_EQ(trayState(c.paused, c.storeProblem, c.recentError, c.problemFolders), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Tray, States,
                         ::testing::Values(StateCase{false, false, false, false, TrayState::watching},
                                           StateCase{true, true, true, true, TrayState::paused},
                                           StateCase{true, false, false, false, TrayState::paused},
                                           StateCase{false, true, false, false, TrayState::needsAttention},
                                           StateCase{false, false, true, false, TrayState::needsAttention},
                                           StateCase{false, false, false, true, TrayState::needsAttention}));

TEST(TrayLooks, EachStateHasItsSymbolIconAndWord)
{
    struct Look {
        TrayState state;
        std::string_view symbol;
        QString icon, word;
    };
    for (const Look& look : {Look{TrayState::paused, "pause.circle", "tools.olva.app-paused", "Paused"},
                             Look{TrayState::needsAttention, "exclamationmark.triangle", "tools.olva.app-attention",
                                  "Needs attention"},
                             Look{TrayState::watching, "folder.badge.gearshape", "tools.olva.app-watching",
                                  "Watching"}}) {
        const TrayStateLook made = trayStateLook(look.state);
        EXPECT_EQ(made.symbol, look.symbol);
        EXPECT_EQ(made.iconName, look.icon);
        EXPECT_EQ(made.word, look.word);
    }
}

Entry entry(std::string file, std::optional<std::string> error = {}, std::optional<std::string> undoOf = {})
{
    Entry e;
    e.file = std::move(file);
    e.rule = "Invoices";
    e.error = std::move(error);
    e.undoOf = std::move(undoOf);
    Step move;
    move.kind = Step::Kind::move;
    move.from = e.file;
    move.to = "/home/alex/Documents/Invoices/" + std::filesystem::path(e.file).filename().string();
    e.steps = {move};
    return e;
}

TEST(RecentEntries, AreTheFiveNewestLeavingOutUndoRecordsThatWorked)
{
    std::vector<Entry> log;
    for (int i = 0; i < 8; ++i) log.push_back(entry("/d/" + std::to_string(i) + ".pdf"));
    log.push_back(entry("/d/undone.pdf", {}, "X"));
    log.push_back(entry("/d/undo-failed.pdf", "the file is gone", "Y"));
    std::vector<std::string> names;
    for (const Entry& e : recentTrayEntries(log)) names.push_back(std::filesystem::path(e.file).filename());
    EXPECT_EQ(names, (std::vector<std::string>{"undo-failed.pdf", "7.pdf", "6.pdf", "5.pdf", "4.pdf"}));

    EXPECT_TRUE(recentTrayEntries({}).empty());
    std::vector<Entry> two = {entry("/d/a.pdf"), entry("/d/b.pdf")};
    EXPECT_EQ(recentTrayEntries(two).size(), 2u);
}

TEST(RecentEntries, TitleJoinsTheCutNameAndTheCutSummary)
{
    EXPECT_EQ(recentEntryTitle(entry("/home/alex/Downloads/invoice.pdf")),
              QStringLiteral("invoice.pdf · Moved to Invoices"));
    const QString longName = recentEntryTitle(entry("/d/" + std::string(35, 'n') + ".pdf"));
    EXPECT_TRUE(longName.startsWith(QString(29, u'n') + QStringLiteral("… · "))) << longName.toStdString();
    const QString failed = recentEntryTitle(entry("/d/a.pdf", std::string(60, 'e')));
    EXPECT_TRUE(failed.endsWith(QStringLiteral("…"))) << failed.toStdString();
    EXPECT_EQ(failed.section(QStringLiteral(" · "), 1).size(), 40);
    // A folder's trailing slash does not empty its name.
    EXPECT_TRUE(recentEntryTitle(entry("/d/Scans/")).startsWith(QStringLiteral("Scans · ")));
}

TEST(ProblemFolders, NameTheFolderAndItsStatus)
{
    Folder folder;
    folder.path = "/srv/Old Projects";
    EXPECT_EQ(problemFolderLine(folder, FolderStatus::missing), QStringLiteral("Old Projects: Folder not found"));
    EXPECT_EQ(problemFolderLine(folder, FolderStatus::noAccess), QStringLiteral("Old Projects: No access"));
}

TEST(MenuItems, ShowAmpersandsAndTabsAsTyped)
{
    EXPECT_EQ(menuItemText(QStringLiteral("R&D\tnotes.pdf")), QStringLiteral("R&&D notes.pdf"));
    EXPECT_EQ(menuItemText(QStringLiteral("<b>x</b>")), QStringLiteral("<b>x</b>"));
}

}  // namespace
