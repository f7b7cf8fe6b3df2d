// A file name's stem and extension, and the numbered names that stand in for
// a taken one.
#pragma once

#include <string>
#include <string_view>

namespace olva {

struct NameParts {
    std::string stem;
    std::string ext;  // without the dot; empty when there is none
};

// The extension is the text after the last dot, unless that dot begins the
// name (".profile") or ends it ("draft.").
NameParts splitName(std::string_view name);

// "report.pdf" numbered 3 is "report 3.pdf"; "notes" numbered 2 is "notes 2".
std::string numberedName(std::string_view name, unsigned long number);

}  // namespace olva
