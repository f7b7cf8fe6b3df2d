// The words of the rule sheet's preview: the count line in its header and
// the detail shown for a file the draft does not match.
#pragma once

#include "Core/tools/Preview.h"
#include "OlvaApp/Sentences/Segment.h"

#include <QString>

namespace olva::app {

// "7 matches in the first 300 of 1000 files", "3 of 20 files match", "No
// files match", or nothing when no file was looked at. Files passed over
// (partly downloaded, unreadable) were looked at all the same, so they count
// among the files checked.
QString previewCountLine(const FolderPreview& preview);

// The last condition tested and the file's value: "Extension: txt", or
// "Size: empty"; nothing when no condition was tested.
QString mismatchDetail(const PreviewRow& row);

// What a preview row says after the file's name, and how it is drawn.
struct PreviewDetail {
    Sentence sentence;
    bool provisional = false;  // places drawn as provisional (a dry run)
    bool failed = false;       // the error, drawn in red
    bool dimmed = false;       // a file the draft does not match
};

// The error when describing the actions met one; the mismatch detail for a
// file the draft does not match; otherwise what the actions would do ("Would
// …" for a dry-run draft) or will do ("Will …").
PreviewDetail previewDetail(const PreviewRow& row, bool dryRun);

}  // namespace olva::app
