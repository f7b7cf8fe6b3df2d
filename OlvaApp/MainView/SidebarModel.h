// The sidebar's rows: Activity, the "Folders" heading, then one row per
// watched folder with its name, its status icon, its help text and, for
// screen readers, its status. Follows the model's rules and folder
// statuses.
#pragma once

#include "OlvaApp/Model/Selection.h"

#include "Core/engine/Engine.h"

#include <QAbstractListModel>

#include <optional>
#include <vector>

namespace olva::app {

class Model;

class SidebarModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        KindRole = Qt::UserRole + 1,  // a RowKind
        FolderIndexRole,              // a folder row's index in the rules; -1 for the others
    };
    enum class RowKind { activity, heading, folder };

    explicit SidebarModel(Model& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The row that stands for a selection, and the selection a row stands
    // for (none for the heading and rows out of range).
    QModelIndex indexFor(const std::optional<Selection>& selection) const;
    std::optional<Selection> selectionAt(const QModelIndex& index) const;

    // The folder rows start here.
    static constexpr int kFirstFolderRow = 2;

private:
    struct FolderRow {
        QString name;
        QString path;  // as stored
        FolderStatus status = FolderStatus::watching;
        bool paused = false;
    };

    void reload();
    QVariant folderData(const FolderRow& row, int role) const;

    Model& model_;
    std::vector<FolderRow> folders_;
};

}  // namespace olva::app
