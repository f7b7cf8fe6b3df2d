#include "OlvaApp/Sentences/RuleSentence.h"

#include "OlvaApp/Sentences/ListFormat.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"
#include "OlvaApp/Sentences/Titles.h"

#include <QCoreApplication>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::RuleSentence)
};

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString itemPhrase(const olva::Node& node)
{
    if (node.isGroup()) {
        const olva::Group& group = node.group();
        return u'(' + conditionPhrase(group.mode, group.items) + u')';
    }
    const olva::Condition& condition = node.condition();
    //: A condition: name contains invoice
    return filled(Words::tr("\uE000 \uE001 \uE002"),
                  {sentenceName(condition.attr), title(condition.op), text(condition.value)});
}

}  // namespace

QString conditionPhrase(olva::Group::Mode mode, const std::vector<olva::Node>& items)
{
    if (items.empty()) return {};
    QStringList phrases;
    for (const olva::Node& item : items) phrases.append(itemPhrase(item));

    if (mode == olva::Group::Mode::none)
        //: Followed by the conditions none of which may hold
        return filled(Words::tr("none of \uE000"), {joinedStrings(phrases)});

    const QString joiner = mode == olva::Group::Mode::all
        //: Two conditions that must both hold
        ? Words::tr("\uE000 and \uE001")
        //: Two conditions of which one must hold
        : Words::tr("\uE000 or \uE001");
    QString phrase = phrases.front();
    for (qsizetype i = 1; i < phrases.size(); ++i) phrase = filled(joiner, {phrase, phrases[i]});
    return phrase;
}

Sentence actionSentence(const olva::Action& action)
{
    using Kind = olva::Action::Kind;
    QStringList tags;
    for (const std::string& tag : action.tags) tags.append(text(tag));
    switch (action.kind) {
    case Kind::move: return segments(Words::tr("move to \uE000"), {Sentence{Segment::place(text(action.text))}});
    case Kind::copy: return segments(Words::tr("copy to \uE000"), {Sentence{Segment::place(text(action.text))}});
    case Kind::rename:
        return segments(Words::tr("rename to \uE000"), {Sentence{Segment::pattern(text(action.text))}});
    case Kind::sortInto:
        return segments(Words::tr("sort into \uE000"), {Sentence{Segment::pattern(text(action.text))}});
    case Kind::addTags: return segments(Words::tr("tag \uE000"), {joinedStrings(tags)});
    case Kind::removeTags: return segments(Words::tr("remove tag \uE000"), {joinedStrings(tags)});
    case Kind::trash: return {Segment::text(Words::tr("move to Trash"))};
    case Kind::shell: return {Segment::text(Words::tr("run a shell script"))};
    }
    return {};
}

Sentence ruleSentence(const olva::Rule& rule)
{
    QString phrase = conditionPhrase(rule.match.mode, rule.match.items);
    QList<Sentence> pieces;
    for (const olva::Action& action : rule.actions) pieces.append(actionSentence(action));
    Sentence actions = joinedList(pieces);
    if (phrase.isEmpty()) return capitalizingFirstLetter(std::move(actions));
    //: Followed by what the rule does
    return segments(Words::tr("If \uE000, \uE001"), {phrase, actions});
}

}  // namespace olva::app
