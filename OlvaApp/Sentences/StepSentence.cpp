#include "OlvaApp/Sentences/StepSentence.h"

#include "OlvaApp/Sentences/ListFormat.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include "Core/engine/InterruptedStep.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::StepSentence)
};

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

Sentence words(const QString& phrase) { return {Segment::text(phrase)}; }

Sentence moveStep(const olva::Step& step, bool done)
{
    if (!step.to) return words(done ? Words::tr("moved") : Words::tr("move"));
    const QString from = text(step.from);
    const QString to = text(*step.to);
    const QString newName = lastComponent(to);
    const Sentence folder{Segment::place(parentPath(to))};
    if (parentPath(from) == parentPath(to))
        return segments(done ? Words::tr("renamed to \uE000") : Words::tr("rename to \uE000"), {newName});
    if (lastComponent(from) == newName)
        return segments(done ? Words::tr("moved to \uE000") : Words::tr("move to \uE000"), {folder});
    return segments(done ? Words::tr("moved to \uE000 as \uE001") : Words::tr("move to \uE000 as \uE001"),
                    {folder, newName});
}

Sentence copyStep(const olva::Step& step, bool done)
{
    if (!step.to) return words(done ? Words::tr("copied") : Words::tr("copy"));
    const Sentence folder{Segment::place(parentPath(text(*step.to)))};
    return segments(done ? Words::tr("copied to \uE000") : Words::tr("copy to \uE000"), {folder});
}

// The tags a step left, read back from its note. The note joins them with
// ", ", which a tag may hold itself: where consecutive parts join into a tag
// the file had before, they are that one tag.
QStringList tagsAfter(const olva::Step& step, const QSet<QString>& before)
{
    const QString separator = QString::fromUtf8(olva::kTagsNoteSeparator.data(),
                                                static_cast<qsizetype>(olva::kTagsNoteSeparator.size()));
    const QStringList parts = text(step.note.value_or(std::string())).split(separator);
    QStringList after;
    for (qsizetype i = 0; i < parts.size();) {
        qsizetype taken = 1;
        for (qsizetype last = parts.size() - 1; last > i; --last) {
            if (before.contains(parts.mid(i, last - i + 1).join(separator))) {
                taken = last - i + 1;
                break;
            }
        }
        QString tag = parts.mid(i, taken).join(separator);
        if (!tag.isEmpty()) after.append(tag);
        i += taken;
    }
    return after;
}

Sentence tagsStep(const olva::Step& step, bool done)
{
    QStringList before;
    for (const std::string& tag : step.tagsBefore.value_or(std::vector<std::string>())) before.append(text(tag));
    const QSet<QString> beforeSet(before.begin(), before.end());
    const QStringList after = tagsAfter(step, beforeSet);
    const QSet<QString> afterSet(after.begin(), after.end());

    QStringList added;
    for (const QString& tag : after)
        if (!beforeSet.contains(tag)) added.append(tag);
    QStringList removed;
    for (const QString& tag : before)
        if (!afterSet.contains(tag)) removed.append(tag);

    QList<Sentence> pieces;
    if (QString list = joinedStrings(added); !list.isEmpty())
        pieces.append(segments(done ? Words::tr("tagged \uE000") : Words::tr("tag \uE000"), {list}));
    if (QString list = joinedStrings(removed); !list.isEmpty())
        pieces.append(segments(done ? Words::tr("removed tag \uE000") : Words::tr("remove tag \uE000"), {list}));
    return joinedList(pieces);
}

}  // namespace

Sentence stepDescription(const olva::Step& step, SummaryMode mode)
{
    const bool done = mode == SummaryMode::done;
    using Kind = olva::Step::Kind;
    switch (step.kind) {
    case Kind::move: return moveStep(step, done);
    case Kind::copy: return copyStep(step, done);
    case Kind::tags: return tagsStep(step, done);
    case Kind::trash: return words(done ? Words::tr("moved to Trash") : Words::tr("move to Trash"));
    case Kind::shell: return words(done ? Words::tr("ran a script") : Words::tr("run a script"));
    }
    return {};
}

Sentence outcomeSummary(const std::vector<olva::Step>& steps, SummaryMode mode)
{
    // A step that says nothing (tags that ended as they were) is left out,
    // so no list ends in a bare "and".
    QList<Sentence> pieces;
    for (const olva::Step& step : steps)
        if (Sentence piece = stepDescription(step, mode); !piece.isEmpty()) pieces.append(std::move(piece));
    if (pieces.isEmpty()) return words(Words::tr("Matched, nothing to change"));

    Sentence joined = joinedList(pieces);
    switch (mode) {
    case SummaryMode::done: return capitalizingFirstLetter(std::move(joined));
    //: Followed by what a dry run would do
    case SummaryMode::dryRun: return segments(Words::tr("Would \uE000"), {joined});
    //: Followed by what a rule will do
    case SummaryMode::planned: return segments(Words::tr("Will \uE000"), {joined});
    }
    return joined;
}

Sentence resultText(const olva::Entry& entry)
{
    if (entry.error) {
        // A run cut short while its script ran says that it may have run.
        const bool scriptMayHaveRun = std::any_of(entry.steps.begin(), entry.steps.end(), [](const olva::Step& step) {
            return step.kind == olva::Step::Kind::shell && step.note == olva::kScriptMayHaveRun;
        });
        if (scriptMayHaveRun)
            return segments(Words::tr("Couldn’t finish: \uE000; the script may have run before Olva stopped"),
                            {text(*entry.error)});
        return segments(Words::tr("Couldn’t finish: \uE000"), {text(*entry.error)});
    }
    if (!entry.undoOf) return outcomeSummary(entry.steps, entry.dryRun ? SummaryMode::dryRun : SummaryMode::done);
    return segments(Words::tr("Reverted \uE000"), {text(entry.rule)});
}

}  // namespace olva::app
