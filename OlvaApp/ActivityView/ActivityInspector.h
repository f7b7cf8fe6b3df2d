// The pane beside the activity table: the inspector of the one selected
// entry, or a word on why there is none ("No Selection", "3 Files
// Selected").
#pragma once

#include "Core/model/Entry.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QVBoxLayout;

namespace olva::app {

class EmptyState;
class EntryInspector;
class Workspace;

class ActivityInspector : public QWidget {
    Q_OBJECT

public:
    explicit ActivityInspector(Workspace* workspace, QWidget* parent = nullptr);

    // `reverted` tells whether the one selected entry is fully reverted.
    void showSelection(const std::vector<olva::Entry>& selection, bool reverted);

    // The inspector of the one selected entry; none otherwise.
    EntryInspector* entryInspector() const { return entry_; }
    // The words shown with no or several entries selected; hidden otherwise.
    EmptyState* placeholder() const { return placeholder_; }

    QSize sizeHint() const override;

private:
    Workspace* workspace_;
    QVBoxLayout* layout_;
    EmptyState* placeholder_;
    EntryInspector* entry_ = nullptr;
    // What the inspector shows, so that a change elsewhere in the log does
    // not rebuild it (and lose its scroll position).
    std::optional<std::string> shownId_;
    bool shownReverted_ = false;
    std::size_t shownSteps_ = 0;
};

}  // namespace olva::app
