// The privacy policy the app ships as Markdown, cut into the blocks its
// window lays out: the text is split at every blank line ("\n\n"), and a
// piece that begins with "# " is the title, one with "## " a heading, one
// whose every line begins with "- " a bulleted list, and anything else a
// paragraph.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace olva::app {

struct PolicyBlock {
    enum class Kind { title, heading, paragraph, list, missing };

    Kind kind = Kind::paragraph;
    QString markdown;   // title, heading, paragraph: the Markdown to show
    QStringList items;  // list: each line's Markdown, without its "- "

    friend bool operator==(const PolicyBlock&, const PolicyBlock&) = default;
};

// The blocks of a policy text; for none, or bytes that are not UTF-8, the
// one block that says the policy is missing.
std::vector<PolicyBlock> policyBlocks(const std::optional<QByteArray>& text);

// The shipped policy's blocks, read once per process.
const std::vector<PolicyBlock>& shippedPolicy();

// "The privacy policy is missing from this copy of Olva."
QString missingPolicyText();

}  // namespace olva::app
