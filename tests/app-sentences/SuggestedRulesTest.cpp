#include "tests/app-sentences/SentenceText.h"

#include "OlvaApp/Sentences/RuleSentence.h"
#include "OlvaApp/Sentences/SuggestedRules.h"
#include "OlvaApp/Sentences/SymbolIcons.h"

#include "Core/evaluate/Evaluator.h"
#include "Core/facts/FileInfo.h"
#include "Core/model/RuleVersion.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace olva::app;
using olva::test::described;

TEST(SuggestedRules, AreValidDryRunsThatReadAsTheirSentences)
{
    struct Case {
        const char* name;
        std::string sentence;
        const char* addLabel;
    };
    const Case cases[] = {
        {"Screenshots", "If name starts with Screenshot, |move to |[place:~/Pictures/Screenshots]", "Add Screenshots…"},
        {"Installers",
         "If extension is deb or extension is rpm or extension is AppImage or extension is flatpakref, |move to Trash",
         "Add Installers…"},
        {"PDFs", "If kind is PDF, |move to |[place:~/Documents]", "Add PDFs…"},
    };
    const std::vector<olva::Rule>& rules = suggestedRules();
    ASSERT_EQ(rules.size(), std::size(cases));
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const olva::Rule& rule = rules[i];
        EXPECT_EQ(rule.name, cases[i].name);
        EXPECT_TRUE(rule.enabled) << rule.name;
        EXPECT_TRUE(rule.dryRun) << rule.name;
        EXPECT_NO_THROW(olva::validate(rule)) << rule.name;
        EXPECT_EQ(described(ruleSentence(rule)), cases[i].sentence) << rule.name;
        EXPECT_EQ(addSuggestionLabel(rule), QString::fromUtf8(cases[i].addLabel)) << rule.name;
    }
    EXPECT_EQ(&rules, &suggestedRules());
}

// Disk images on Linux are mostly operating systems to install, not
// installers to throw away after use.
TEST(SuggestedRules, InstallersMatchLinuxPackagesButNotDiskImages)
{
    const olva::Rule& installers = suggestedRules().at(1);
    olva::test::TempDir dir;
    struct Case {
        const char* file;
        bool matches;
    };
    const Case cases[] = {
        {"tool_1.0_amd64.deb", true}, {"tool-1.0.x86_64.rpm", true}, {"Tool.AppImage", true},
        {"tool.appimage", true},      {"app.flatpakref", true},      {"debian-12.iso", false},
        {"disk.img", false},          {"notes.deb.txt", false},      {"deb", false},
    };
    for (const Case& c : cases) {
        olva::test::writeFile(dir / c.file, "x");
        olva::FileInfo file(dir / c.file);
        EXPECT_EQ(olva::evaluate(installers.match, file, olva::currentDate()).pass, c.matches) << c.file;
    }
}

TEST(SymbolIcons, NameAFreedesktopIconForEverySymbolTheAppUses)
{
    const char* used[] = {
        "arrow.counterclockwise", "checkmark", "checkmark.circle", "clock", "doc.on.doc", "doc.text.magnifyingglass",
        "ellipsis", "exclamationmark.circle.fill", "exclamationmark.triangle", "exclamationmark.triangle.fill", "folder",
        "folder.badge.gearshape", "folder.badge.plus", "magnifyingglass", "minus", "pause.circle", "play.circle",
        "plus", "plus.circle", "sidebar.trailing", "terminal", "xmark",
    };
    for (const char* symbol : used) EXPECT_FALSE(iconName(symbol).isEmpty()) << symbol;

    std::set<std::string_view> symbols;
    for (const SymbolIcon& icon : symbolIcons()) {
        EXPECT_TRUE(symbols.insert(icon.symbol).second) << icon.symbol << " twice";
        EXPECT_FALSE(icon.iconName.empty()) << icon.symbol;
        EXPECT_EQ(icon.iconName.find_first_of(" ./"), std::string_view::npos) << icon.iconName;
    }
    EXPECT_TRUE(iconName("no.such.symbol").isEmpty());
    EXPECT_EQ(iconName("pause.circle"), "media-playback-pause");
}
