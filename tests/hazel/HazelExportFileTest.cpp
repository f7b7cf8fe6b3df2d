#include "Core/base/ActionError.h"
#include "Core/hazel/HazelExportFile.h"
#include "tests/hazel/HazelExport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace olva;
using namespace olva::test;

namespace {

std::string quoted(const std::filesystem::path& path) { return "“" + path.string() + "”"; }

}  // namespace

TEST(HazelExportFile, ReadsOnlyRegularFilesOfAnExportsSize)
{
    TempDir temp;
    HazelExport h;
    writeFile(temp / "rules.hazelrules", h.withHeader(h.ruleSet({h.rule({.name = "R", .actions = {h.move(h.trashFolder())}})})));
    ASSERT_EQ(::mkfifo((temp / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(temp / "folder");
    {
        std::ofstream big(temp / "big", std::ios::binary);
    }
    std::filesystem::resize_file(temp / "big", maxHazelExportSize + 1);

    struct Case {
        std::string name;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{
             {"pipe", quoted(temp / "pipe") + " isn’t a file, so it can’t be a Hazel rules export"},
             {"folder", quoted(temp / "folder") + " isn’t a file, so it can’t be a Hazel rules export"},
             {"big", quoted(temp / "big") + " is too large to be a Hazel rules export"},
             {"missing", "couldn’t read " + quoted(temp / "missing") + ": No such file or directory"},
         }) {
        EXPECT_EQ(thrownText([&] { readHazelExport(temp / c.name); }), c.expected) << c.name;
    }

    Imported imported = importHazelFile(temp / "rules.hazelrules", "~/Inbox");
    EXPECT_EQ(imported.folder.path, "~/Inbox");
    ASSERT_EQ(imported.folder.rules.size(), 1u);
    EXPECT_EQ(imported.folder.rules[0].name, "R");
}
