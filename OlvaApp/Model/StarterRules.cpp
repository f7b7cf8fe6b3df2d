#include "OlvaApp/Model/StarterRules.h"

#include "Core/base/Paths.h"
#include "OlvaApp/Sentences/SuggestedRules.h"

#include <QStandardPaths>

namespace olva::app {

namespace {

std::string place(QStandardPaths::StandardLocation location, const char* fallback)
{
    QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? std::string(fallback) : abbreviate(path.toStdString());
}

// `text` with the place `from` at its start replaced by `to`.
void replacePlace(std::string& text, const std::string& from, const std::string& to)
{
    if (text == from || text.starts_with(from + "/")) text = to + text.substr(from.size());
}

}  // namespace

std::vector<Rule> downloadsStarterRules(const std::string& pictures, const std::string& documents)
{
    // The suggestions of an empty folder, moving into the desktop's own
    // Pictures and Documents folders, wherever the user keeps them.
    std::vector<Rule> rules = suggestedRules();
    for (Rule& rule : rules)
        for (Action& action : rule.actions) {
            if (action.kind != Action::Kind::move) continue;
            replacePlace(action.text, "~/Pictures", pictures);
            replacePlace(action.text, "~/Documents", documents);
        }
    return rules;
}

std::vector<Rule> downloadsStarterRules()
{
    return downloadsStarterRules(place(QStandardPaths::PicturesLocation, "~/Pictures"),
                                 place(QStandardPaths::DocumentsLocation, "~/Documents"));
}

}  // namespace olva::app
