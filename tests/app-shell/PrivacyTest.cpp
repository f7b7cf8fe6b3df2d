// The privacy policy: cut into blocks at blank lines, each a title, a
// heading, a paragraph or a bulleted list, and the window that shows them.
#include "OlvaApp/PrivacyView/PrivacyPolicy.h"
#include "OlvaApp/PrivacyView/PrivacyWindow.h"
#include "tests/app-shell/ShellFixture.h"

#include <QLabel>

using namespace olva::app;
using Kind = PolicyBlock::Kind;

namespace {

std::string shape(const std::vector<PolicyBlock>& blocks)
{
    std::string text;
    for (const PolicyBlock& block : blocks) {
        if (!text.empty()) text += " | ";
        switch (block.kind) {
        case Kind::title: text += "title:" + block.markdown.toStdString(); break;
        case Kind::heading: text += "heading:" + block.markdown.toStdString(); break;
        case Kind::paragraph: text += "text:" + block.markdown.toStdString(); break;
        case Kind::missing: text += "missing"; break;
        case Kind::list:
            text += "list(" + block.items.join(QStringLiteral(";")).toStdString() + ")";
            break;
        }
    }
    return text;
}

struct Policy {
    std::optional<QByteArray> text;
    std::string blocks;
};

void PrintTo(const Policy& policy, std::ostream* out) { *out << (policy.text ? policy.text->toStdString() : "none"); }

class Blocks : public ::testing::TestWithParam<Policy> {};

TEST_P(Blocks, FollowTheBlankLines) { EXPECT_EQ(shape(policyBlocks(GetParam().text)), GetParam().blocks); }

INSTANTIATE_TEST_SUITE_P(
    Policies, Blocks,
    ::testing::Values(
        Policy{"# Title\n\n## Heading\n\nSome *text*.\n\n- one\n- two", "title:Title | heading:Heading | text:Some *text*. | list(one;two)"},
        // No blank line: one block, lines and all.
        Policy{"# Title\nMore text", "title:Title\nMore text"},
        // "#" without a space is no title.
        Policy{"#hashtag", "text:#hashtag"}, Policy{"##no", "text:##no"},
        // One line of a list is a list; one line without "- " makes it text.
        Policy{"- only", "list(only)"}, Policy{"- one\ntwo", "text:- one\ntwo"},
        Policy{"- one\n\n\n- two", "list(one) | list(two)"},
        Policy{"- one\n\n\n\n- two", "list(one) | list() | list(two)"}, Policy{"text\n\n", "text:text | list()"},
        Policy{"", "list()"}, Policy{"-no space", "text:-no space"},
        Policy{"- a\n\n- b\n", "list(a) | list(b)"},
        Policy{std::nullopt, "missing"}, Policy{QByteArray("# Caf\xe9"), "missing"}));

TEST(ShippedPolicy, IsThereWithATitleAndSections)
{
    const auto& blocks = shippedPolicy();
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.front().kind, Kind::title);
    EXPECT_EQ(blocks.front().markdown, QStringLiteral("Olva Privacy Policy"));
    EXPECT_GT(std::count_if(blocks.begin(), blocks.end(), [](const PolicyBlock& b) { return b.kind == Kind::heading; }),
              2);
    // Read once: the same list every time.
    EXPECT_EQ(&shippedPolicy(), &blocks);
}

class PrivacyWindows : public olva::test::ShellFixture {};

TEST_F(PrivacyWindows, CountAsAWindowWhileShownAndOpenLinksOutside)
{
    PrivacyWindow window(model(), policyBlocks(QByteArray("# T\n\nSee [the site](https://example.com).\n\nThe policy is missing")));
    EXPECT_EQ(window.minimumSize(), QSize(480, 400));
    EXPECT_EQ(window.sizeHint(), QSize(560, 640));
    window.show();
    EXPECT_TRUE(model().visibleWindows().contains(QStringLiteral("privacy")));
    const auto labels = window.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    for (QLabel* label : labels) {
        EXPECT_TRUE(label->openExternalLinks());
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
    }
    window.hide();
    EXPECT_FALSE(model().visibleWindows().contains(QStringLiteral("privacy")));

    // The missing policy is told in plain words.
    PrivacyWindow missing(model(), policyBlocks(std::nullopt));
    const auto only = missing.findChildren<QLabel*>();
    ASSERT_EQ(only.size(), 1);
    EXPECT_EQ(only[0]->text(), QStringLiteral("The privacy policy is missing from this copy of Olva."));
}

}  // namespace
