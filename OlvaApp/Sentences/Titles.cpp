#include "OlvaApp/Sentences/Titles.h"

#include <QCoreApplication>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::Titles)
};

}  // namespace

QString title(olva::Attr attr)
{
    using olva::Attr;
    switch (attr) {
    case Attr::name: return Words::tr("Name");
    case Attr::ext: return Words::tr("Extension");
    case Attr::kind: return Words::tr("Kind");
    case Attr::size: return Words::tr("Size");
    case Attr::added: return Words::tr("Date Added");
    case Attr::created: return Words::tr("Date Created");
    case Attr::modified: return Words::tr("Date Modified");
    case Attr::opened: return Words::tr("Date Last Opened");
    case Attr::tags: return Words::tr("Tags");
    case Attr::source: return Words::tr("Downloaded From");
    case Attr::contents: return Words::tr("Contents");
    }
    return {};
}

QString title(olva::Op op)
{
    using olva::Op;
    switch (op) {
    case Op::is: return Words::tr("is");
    case Op::isNot: return Words::tr("is not");
    case Op::contains: return Words::tr("contains");
    case Op::notContains: return Words::tr("does not contain");
    case Op::startsWith: return Words::tr("starts with");
    case Op::endsWith: return Words::tr("ends with");
    case Op::matches: return Words::tr("matches");
    case Op::gt: return Words::tr("is greater than");
    case Op::lt: return Words::tr("is less than");
    case Op::inLast: return Words::tr("is in the last");
    case Op::notInLast: return Words::tr("is not in the last");
    //: The period word follows in the condition's value: is in this week
    case Op::inCurrent: return Words::tr("is in this");
    //: The period word follows in the condition's value: is not in this month
    case Op::notInCurrent: return Words::tr("is not in this");
    }
    return {};
}

QString sentenceName(olva::Attr attr)
{
    using olva::Attr;
    // The same English words as the titles, in lower case, but translated on
    // their own: inside a sentence a language may need another form.
    switch (attr) {
    //: In a sentence: if name contains invoice
    case Attr::name: return Words::tr("name", "in a sentence");
    //: In a sentence: if extension is pdf
    case Attr::ext: return Words::tr("extension", "in a sentence");
    //: In a sentence: if kind is image
    case Attr::kind: return Words::tr("kind", "in a sentence");
    //: In a sentence: if size is greater than 10 MB
    case Attr::size: return Words::tr("size", "in a sentence");
    //: In a sentence: if date added is in the last 2 weeks
    case Attr::added: return Words::tr("date added", "in a sentence");
    //: In a sentence: if date created is in the last 2 weeks
    case Attr::created: return Words::tr("date created", "in a sentence");
    //: In a sentence: if date modified is in this week
    case Attr::modified: return Words::tr("date modified", "in a sentence");
    //: In a sentence: if date last opened is in the last year
    case Attr::opened: return Words::tr("date last opened", "in a sentence");
    //: In a sentence: if tags contains Work
    case Attr::tags: return Words::tr("tags", "in a sentence");
    //: In a sentence: if downloaded from contains example.com
    case Attr::source: return Words::tr("downloaded from", "in a sentence");
    //: In a sentence: if contents contains invoice
    case Attr::contents: return Words::tr("contents", "in a sentence");
    }
    return {};
}

}  // namespace olva::app
