#include "OlvaApp/Sentences/Titles.h"

#include <gtest/gtest.h>

#include <set>

using namespace olva::app;
using olva::Attr;
using olva::Op;

TEST(Titles, NameEveryAttributeInMenusAndInSentences)
{
    struct Case {
        Attr attr;
        const char* title;
        const char* sentenceName;
    };
    const Case cases[] = {
        {Attr::name, "Name", "name"},
        {Attr::ext, "Extension", "extension"},
        {Attr::kind, "Kind", "kind"},
        {Attr::size, "Size", "size"},
        {Attr::added, "Date Added", "date added"},
        {Attr::created, "Date Created", "date created"},
        {Attr::modified, "Date Modified", "date modified"},
        {Attr::opened, "Date Last Opened", "date last opened"},
        {Attr::tags, "Tags", "tags"},
        {Attr::source, "Downloaded From", "downloaded from"},
        {Attr::contents, "Contents", "contents"},
    };
    ASSERT_EQ(std::size(cases), olva::allAttrs().size());
    for (const Case& c : cases) {
        EXPECT_EQ(title(c.attr), c.title) << c.title;
        EXPECT_EQ(sentenceName(c.attr), c.sentenceName) << c.title;
        EXPECT_EQ(sentenceName(c.attr), title(c.attr).toLower()) << c.title;
    }
}

TEST(Titles, NameEveryOperator)
{
    struct Case {
        Op op;
        const char* title;
    };
    const Case cases[] = {
        {Op::is, "is"},
        {Op::isNot, "is not"},
        {Op::contains, "contains"},
        {Op::notContains, "does not contain"},
        {Op::startsWith, "starts with"},
        {Op::endsWith, "ends with"},
        {Op::matches, "matches"},
        {Op::gt, "is greater than"},
        {Op::lt, "is less than"},
        {Op::inLast, "is in the last"},
        {Op::notInLast, "is not in the last"},
        {Op::inCurrent, "is in this"},
        {Op::notInCurrent, "is not in this"},
    };
    ASSERT_EQ(std::size(cases), olva::allOps().size());
    std::set<QString> distinct;
    for (const Case& c : cases) {
        EXPECT_EQ(title(c.op), c.title);
        distinct.insert(title(c.op));
    }
    EXPECT_EQ(distinct.size(), std::size(cases));
}
