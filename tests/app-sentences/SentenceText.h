// Sentences written out for comparison in tables: segments separated by "|",
// a place as "[place:PATH]" and a pattern as "[pattern:TEXT]".
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include <string>

namespace olva::test {

inline std::string described(const app::Sentence& sentence)
{
    std::string text;
    for (qsizetype i = 0; i < sentence.size(); ++i) {
        if (i > 0) text += '|';
        const app::Segment& segment = sentence[i];
        std::string value = segment.value.toStdString();
        switch (segment.kind) {
        case app::Segment::Kind::text: text += value; break;
        case app::Segment::Kind::place: text += "[place:" + value + "]"; break;
        case app::Segment::Kind::pattern: text += "[pattern:" + value + "]"; break;
        }
    }
    return text;
}

}  // namespace olva::test
