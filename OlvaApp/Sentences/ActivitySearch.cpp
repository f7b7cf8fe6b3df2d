#include "OlvaApp/Sentences/ActivitySearch.h"

#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/Segment.h"
#include "OlvaApp/Sentences/StepSentence.h"

#include "Core/base/TextSearch.h"

#include <QLocale>

#include <string>

namespace olva::app {

namespace {

bool containsIgnoringCase(const std::string& text, const std::string& search)
{
    return SearchText(text).find(search, Folding::caseOnly).has_value();
}

}  // namespace

std::span<const olva::Entry> activityRowWindowOf(std::span<const olva::Entry> entries)
{
    if (entries.size() <= activityRowWindow) return entries;
    return entries.last(activityRowWindow);
}

bool isShown(const olva::Entry& entry, ActivityScope scope, const QString& search)
{
    if (entry.undoOf && !entry.error) return false;
    switch (scope) {
    case ActivityScope::all: break;
    case ActivityScope::problems:
        if (!entry.error) return false;
        break;
    case ActivityScope::dryRuns:
        if (!entry.dryRun) return false;
        break;
    }
    if (search.isEmpty()) return true;
    const std::string needle = search.toStdString();
    return containsIgnoringCase(entry.file, needle) || containsIgnoringCase(entry.rule, needle);
}

QString entryFileName(const olva::Entry& entry) { return lastComponent(QString::fromStdString(entry.file)); }

QString entryResultString(const olva::Entry& entry) { return plainText(resultText(entry)); }

QCollator activityCollator()
{
    QCollator collator{QLocale()};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

}  // namespace olva::app
