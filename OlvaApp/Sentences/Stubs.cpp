// Placeholder bodies so the headers build; each moves to its own file.
#include "OlvaApp/Sentences/ActivityDate.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/Sentences/CurrentLocation.h"
#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/ListFormat.h"
#include "OlvaApp/Sentences/RuleSentence.h"
#include "OlvaApp/Sentences/Segment.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"
#include "OlvaApp/Sentences/StepSentence.h"
#include "OlvaApp/Sentences/SuggestedRules.h"
#include "OlvaApp/Sentences/SymbolIcons.h"
#include "OlvaApp/Sentences/Titles.h"

#include <ostream>

namespace olva::app {

size_t qHash(const Segment& segment, size_t seed) noexcept
{
    return ::qHash(segment.value, seed ^ static_cast<size_t>(segment.kind));
}
QString placeName(const QString& path) { return path; }
QString plainText(const Sentence&) { return {}; }
QString accessibilityText(const Segment& segment) { return segment.value; }
QString accessibilityText(const Sentence&) { return {}; }
QString revealActionName(const QString& path) { return path; }
Sentence capitalizingFirstLetter(Sentence sentence) { return sentence; }
void PrintTo(const Segment& segment, std::ostream* out) { *out << segment.value.toStdString(); }
QString sentenceMarker(qsizetype) { return {}; }
qsizetype markerIndex(char32_t) { return -1; }
Sentence segments(const QString&, const QList<Piece>&) { return {}; }
QString filled(const QString& localizedTemplate, const QStringList&) { return localizedTemplate; }
Sentence joinedList(const QList<Sentence>&) { return {}; }
QString joinedStrings(const QStringList& items) { return items.join(u", "); }
QString title(olva::Attr) { return {}; }
QString title(olva::Op) { return {}; }
QString sentenceName(olva::Attr) { return {}; }
QString conditionPhrase(olva::Group::Mode, const std::vector<olva::Node>&) { return {}; }
Sentence actionSentence(const olva::Action&) { return {}; }
Sentence ruleSentence(const olva::Rule&) { return {}; }
QString inflected(const QString& pattern, qint64) { return pattern; }
Sentence stepDescription(const olva::Step&, SummaryMode) { return {}; }
Sentence outcomeSummary(const std::vector<olva::Step>&, SummaryMode) { return {}; }
Sentence resultText(const olva::Entry&) { return {}; }
QString activityStatusLine(bool, std::span<const olva::Entry>, qsizetype, const QDateTime&) { return {}; }
QString revertLabel(qsizetype) { return {}; }
Placeholder failedStartPlaceholder(const QString& loadError) { return {{}, {}, loadError}; }
QString showDataFolderLabel() { return {}; }
Placeholder firstRunPlaceholder() { return {}; }
QString watchDownloadsLabel() { return {}; }
QString chooseAnotherFolderLabel() { return {}; }
QString importHazelRulesLabel() { return {}; }
Placeholder emptyLogPlaceholder(qsizetype) { return {}; }
Placeholder noProblemsPlaceholder() { return {}; }
Placeholder noDryRunsPlaceholder() { return {}; }
Placeholder noSearchResultsPlaceholder(const QString&) { return {}; }
std::optional<QUrl> currentURL(const olva::Entry&) { return {}; }
struct ActivityDateFormatter::Impl {};
ActivityDateFormatter::ActivityDateFormatter() = default;
ActivityDateFormatter::~ActivityDateFormatter() = default;
QString ActivityDateFormatter::format(olva::Date) const { return {}; }
QString ActivityDateFormatter::format(const QDateTime&) const { return {}; }
const ActivityDateFormatter& activityDateFormatter()
{
    static const ActivityDateFormatter formatter;
    return formatter;
}
const std::vector<olva::Rule>& suggestedRules()
{
    static const std::vector<olva::Rule> rules;
    return rules;
}
QString addSuggestionLabel(const olva::Rule&) { return {}; }
std::span<const SymbolIcon> symbolIcons() { return {}; }
QString iconName(std::string_view) { return {}; }

}  // namespace olva::app
