#include "OlvaApp/Sentences/SuggestedRules.h"

#include "OlvaApp/Sentences/SentenceTemplate.h"

#include <QCoreApplication>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::SuggestedRules)
};

olva::Rule suggestion(std::string name, olva::Group match, olva::Action action)
{
    olva::Rule rule;
    rule.name = std::move(name);
    rule.enabled = true;
    rule.dryRun = true;
    rule.match = std::move(match);
    rule.actions = {std::move(action)};
    return rule;
}

olva::Group allOf(olva::Condition condition) { return {olva::Group::Mode::all, {std::move(condition)}}; }

// Installers on Linux are packages and self-contained programs. Disk images
// are left alone: here they are mostly operating systems waiting to be
// written to a stick.
olva::Group installers()
{
    olva::Group group{olva::Group::Mode::any, {}};
    for (const char* extension : {"deb", "rpm", "AppImage", "flatpakref"})
        group.items.emplace_back(olva::Condition{olva::Attr::ext, olva::Op::is, extension});
    return group;
}

}  // namespace

const std::vector<olva::Rule>& suggestedRules()
{
    static const std::vector<olva::Rule> rules = [] {
        using olva::Attr;
        using olva::Op;
        return std::vector<olva::Rule>{
            suggestion("Screenshots", allOf({Attr::name, Op::startsWith, "Screenshot"}),
                       olva::Action::move("~/Pictures/Screenshots")),
            suggestion("Installers", installers(), olva::Action::trash()),
            suggestion("PDFs", allOf({Attr::kind, Op::is, "PDF"}), olva::Action::move("~/Documents")),
        };
    }();
    return rules;
}

QString addSuggestionLabel(const olva::Rule& rule)
{
    return filled(Words::tr("Add \uE000…"), {QString::fromStdString(rule.name)});
}

}  // namespace olva::app
