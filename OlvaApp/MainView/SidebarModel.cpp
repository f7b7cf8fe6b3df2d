#include "OlvaApp/MainView/SidebarModel.h"

#include "OlvaApp/MainView/FolderStatusText.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

namespace olva::app {

SidebarModel::SidebarModel(Model& model, QObject* parent) : QAbstractListModel(parent), model_(model)
{
    connect(&model_, &Model::configChanged, this, &SidebarModel::reload);
    connect(&model_, &Model::folderStatusChanged, this, &SidebarModel::reload);
    reload();
}

void SidebarModel::reload()
{
    std::vector<FolderRow> rows;
    const auto& statuses = model_.folderStatus();
    for (const Folder& folder : model_.config().folders) {
        FolderRow row;
        row.name = folderName(folder);
        row.path = QString::fromStdString(folder.path);
        if (auto found = statuses.find(folder.path); found != statuses.end()) row.status = found->second;
        row.paused = folder.paused;
        rows.push_back(std::move(row));
    }
    if (rows.size() == folders_.size()) {
        // Same rows: tell the views what changed, so the selection and the
        // keyboard focus stay where they are.
        folders_ = std::move(rows);
        if (!folders_.empty())
            emit dataChanged(index(kFirstFolderRow), index(kFirstFolderRow + static_cast<int>(folders_.size()) - 1));
        return;
    }
    beginResetModel();
    folders_ = std::move(rows);
    endResetModel();
}

int SidebarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFirstFolderRow + static_cast<int>(folders_.size());
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.row() == 1) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = index.row();
    if (role == KindRole) {
        const RowKind kind = row == 0 ? RowKind::activity : row == 1 ? RowKind::heading : RowKind::folder;
        return static_cast<int>(kind);
    }
    if (role == FolderIndexRole) return row >= kFirstFolderRow ? row - kFirstFolderRow : -1;
    if (row == 0) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return tr("Activity");
        case Qt::DecorationRole:
            return symbolIcon("clock");
        default:
            return {};
        }
    }
    if (row == 1) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return tr("Folders");
        return {};
    }
    return folderData(folders_[static_cast<std::size_t>(row - kFirstFolderRow)], role);
}

QVariant SidebarModel::folderData(const FolderRow& row, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return singleLine(row.name);
    case Qt::AccessibleTextRole:
        return row.name;
    case Qt::DecorationRole:
        if (row.status != FolderStatus::watching) return warningSymbol();
        if (row.paused) return tintedSymbol("pause.circle", dryRunOrange());
        return symbolIcon("folder");
    case Qt::AccessibleDescriptionRole:
        if (auto label = folderStatusLabel(row.status)) return *label;
        return row.paused ? tr("Paused") : QString();
    case Qt::ToolTipRole: {
        if (auto help = folderStatusHelp(row.path, row.status)) return plainToolTip(*help);
        if (row.paused) return plainToolTip(filled(tr("\uE000 (paused)"), {row.path}));
        return plainToolTip(row.path);
    }
    default:
        return {};
    }
}

QModelIndex SidebarModel::indexFor(const std::optional<Selection>& selection) const
{
    if (!selection) return {};
    if (selection->isActivity()) return index(0);
    if (selection->index < 0 || selection->index >= static_cast<int>(folders_.size())) return {};
    return index(kFirstFolderRow + selection->index);
}

std::optional<Selection> SidebarModel::selectionAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this) return std::nullopt;
    if (index.row() == 0) return Selection::activity();
    if (index.row() < kFirstFolderRow || index.row() >= rowCount()) return std::nullopt;
    return Selection::folder(index.row() - kFirstFolderRow);
}

}  // namespace olva::app
