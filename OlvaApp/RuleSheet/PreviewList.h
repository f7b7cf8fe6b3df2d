// The files of the rule sheet's preview, one row each, in the preview's
// order (matching files first). Over an empty list, once loading ended,
// "No Files" says that the folder is empty; while a run loads, the rows of
// the previous one stay.
#pragma once

#include "Core/tools/Preview.h"

#include <QListView>

class QLabel;

namespace olva::app {

class PreviewListModel;
class PreviewRowDelegate;
class Workspace;

class PreviewList : public QListView {
    Q_OBJECT

public:
    explicit PreviewList(Workspace* workspace, QWidget* parent = nullptr);

    // The result of a run, and how many files the folder holds in all.
    void setPreview(const FolderPreview& preview);
    void setLoading(bool loading);
    void setDryRun(bool dryRun);

    PreviewListModel* rows() const { return model_; }
    // The "No Files" placeholder, shown over the list.
    QWidget* placeholder() const { return placeholder_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void updatePlaceholder();

    Workspace* workspace_;
    PreviewListModel* model_;
    PreviewRowDelegate* delegate_;
    QWidget* placeholder_;
    bool loading_ = true;
    std::int64_t total_ = 0;
};

}  // namespace olva::app
