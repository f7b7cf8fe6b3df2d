// A sentence as the app tells it: words, places drawn as chips, and patterns
// drawn in a fixed-width font. Views draw the segments; everything else reads
// the sentence flattened to plain text.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <iosfwd>
#include <utility>

namespace olva::app {

struct Segment {
    enum class Kind { text, place, pattern };

    Kind kind = Kind::text;
    // Words already localized (text), a path in the user's form that may
    // begin with "~" (place), or a pattern shown literally (pattern).
    QString value;

    static Segment text(QString words) { return {Kind::text, std::move(words)}; }
    static Segment place(QString path) { return {Kind::place, std::move(path)}; }
    static Segment pattern(QString pattern) { return {Kind::pattern, std::move(pattern)}; }

    friend bool operator==(const Segment&, const Segment&) = default;
};

size_t qHash(const Segment& segment, size_t seed = 0) noexcept;

// Neighbouring text segments are kept apart, never merged.
using Sentence = QList<Segment>;

// What a place is called: the last component of its expanded path, so "~"
// gives the home folder's name. Reads nothing from disk.
QString placeName(const QString& path);

// The segments one after another, a place by its name.
QString plainText(const Sentence& sentence);

// What a screen reader says: a place as "Invoices folder", other segments
// as they are.
QString accessibilityText(const Segment& segment);
QString accessibilityText(const Sentence& sentence);

// The name of the accessibility action that reveals a place:
// "Show Invoices in File Manager".
QString revealActionName(const QString& path);

// The sentence with the first character of its first segment upper-cased
// in the current locale, when that segment is text ("ß" becomes "SS").
Sentence capitalizingFirstLetter(Sentence sentence);

// For test failure messages.
void PrintTo(const Segment& segment, std::ostream* out);

}  // namespace olva::app
