// The preview's rows as an item model: one per examined file, in the order
// the preview gives them, each with what the draft would do to it.
#pragma once

#include "Core/tools/Preview.h"
#include "OlvaApp/Sentences/PreviewTexts.h"

#include <QAbstractListModel>

#include <vector>

namespace olva::app {

class PreviewListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole + 1,  // the file's path
        DetailRole,                   // a PreviewDetail
    };

    using QAbstractListModel::QAbstractListModel;

    void setRows(std::vector<PreviewRow> rows);
    // Whether the draft is a dry run: "Would …" rather than "Will …".
    void setDryRun(bool dryRun);

    const PreviewRow& row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<PreviewRow> rows_;
    bool dryRun_ = true;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::PreviewDetail)
