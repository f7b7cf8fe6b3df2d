#include "OlvaApp/RuleSheet/ActionKinds.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::ActionsEditor)
};

constexpr std::array kKinds{Action::Kind::move,    Action::Kind::copy,       Action::Kind::rename,
                            Action::Kind::sortInto, Action::Kind::addTags,   Action::Kind::removeTags,
                            Action::Kind::trash,   Action::Kind::shell};

// Spaces of every width and tabs; line breaks are not blanks here.
bool isBlank(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

}  // namespace

std::span<const Action::Kind> actionKinds() { return kKinds; }

QString title(Action::Kind kind)
{
    switch (kind) {
    case Action::Kind::move: return Words::tr("Move to Folder");
    case Action::Kind::copy: return Words::tr("Copy to Folder");
    case Action::Kind::rename: return Words::tr("Rename");
    case Action::Kind::sortInto: return Words::tr("Sort into Subfolder");
    case Action::Kind::addTags: return Words::tr("Add Tags");
    case Action::Kind::removeTags: return Words::tr("Remove Tags");
    case Action::Kind::trash: return Words::tr("Move to Trash");
    case Action::Kind::shell: return Words::tr("Run Shell Script");
    }
    return {};
}

Action defaultAction(Action::Kind kind)
{
    switch (kind) {
    case Action::Kind::move: return Action::move({});
    case Action::Kind::copy: return Action::copy({});
    case Action::Kind::rename: return Action::rename("{name}");
    case Action::Kind::sortInto: return Action::sortInto("{added:yyyy}");
    case Action::Kind::addTags: return Action::addTags({});
    case Action::Kind::removeTags: return Action::removeTags({});
    case Action::Kind::trash: return Action::trash();
    case Action::Kind::shell: return Action::shell({});
    }
    return Action::trash();
}

std::vector<PatternToken> patternTokens()
{
    return {
        {Words::tr("Name"), QStringLiteral("{name}")},
        {Words::tr("Extension"), QStringLiteral("{ext}")},
        {Words::tr("Date Added"), QStringLiteral("{added:yyyy-MM-dd}")},
        {Words::tr("Date Created"), QStringLiteral("{created:yyyy-MM-dd}")},
        {Words::tr("Date Modified"), QStringLiteral("{modified:yyyy-MM-dd}")},
        {Words::tr("Today"), QStringLiteral("{now:yyyy-MM-dd}")},
        {Words::tr("First Date in Contents"), QStringLiteral("{date:yyyy-MM-dd}")},
    };
}

std::vector<std::string> tagsFromText(const QString& text)
{
    std::vector<std::string> tags;
    for (const QString& piece : text.split(u',')) {
        qsizetype begin = 0, end = piece.size();
        while (begin < end && isBlank(piece[begin])) ++begin;
        while (end > begin && isBlank(piece[end - 1])) --end;
        if (begin < end) tags.push_back(piece.mid(begin, end - begin).toStdString());
    }
    return tags;
}

QString tagsText(const std::vector<std::string>& tags)
{
    QStringList names;
    for (const auto& tag : tags) names << QString::fromStdString(tag);
    return names.join(QStringLiteral(", "));
}

}  // namespace olva::app
