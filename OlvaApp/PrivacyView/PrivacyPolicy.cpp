#include "OlvaApp/PrivacyView/PrivacyPolicy.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

// Resources of a static library are registered by name, outside any namespace.
static void registerPolicy() { Q_INIT_RESOURCE(privacy); }

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::PrivacyPolicy)
};

PolicyBlock blockOf(const QString& piece)
{
    if (piece.startsWith(QStringLiteral("# "))) return {PolicyBlock::Kind::title, piece.mid(2), {}};
    if (piece.startsWith(QStringLiteral("## "))) return {PolicyBlock::Kind::heading, piece.mid(3), {}};
    const QStringList lines = piece.split(u'\n', Qt::SkipEmptyParts);
    QStringList items;
    for (const QString& line : lines) {
        if (!line.startsWith(QStringLiteral("- "))) return {PolicyBlock::Kind::paragraph, piece, {}};
        items << line.mid(2);
    }
    // Also a piece with no lines at all: a list without rows.
    return {PolicyBlock::Kind::list, {}, items};
}

}  // namespace

QString missingPolicyText() { return Words::tr("The privacy policy is missing from this copy of Olva."); }

std::vector<PolicyBlock> policyBlocks(const std::optional<QByteArray>& text)
{
    const std::vector<PolicyBlock> missing = {{PolicyBlock::Kind::missing, missingPolicyText(), {}}};
    if (!text) return missing;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(*text);
    if (decoder.hasError()) return missing;
    std::vector<PolicyBlock> blocks;
    for (const QString& piece : decoded.split(QStringLiteral("\n\n"))) blocks.push_back(blockOf(piece));
    return blocks;
}

const std::vector<PolicyBlock>& shippedPolicy()
{
    static const std::vector<PolicyBlock> blocks = [] {
        registerPolicy();
        QFile file(QStringLiteral(":/privacy/Privacy.md"));
        std::optional<QByteArray> text;
        if (file.open(QIODevice::ReadOnly)) text = file.readAll();
        return policyBlocks(text);
    }();
    return blocks;
}

}  // namespace olva::app
