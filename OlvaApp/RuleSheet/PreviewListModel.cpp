#include "OlvaApp/RuleSheet/PreviewListModel.h"

#include <QFileInfo>

namespace olva::app {

void PreviewListModel::setRows(std::vector<PreviewRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void PreviewListModel::setDryRun(bool dryRun)
{
    if (dryRun_ == dryRun) return;
    dryRun_ = dryRun;
    if (!rows_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
}

int PreviewListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant PreviewListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const PreviewRow& row = rows_[static_cast<std::size_t>(index.row())];
    const QString path = QString::fromStdString(row.path);
    switch (role) {
    case Qt::DisplayRole: return QFileInfo(path).fileName();
    case PathRole: return path;
    case DetailRole: return QVariant::fromValue(previewDetail(row, dryRun_));
    case Qt::AccessibleTextRole:
        return QFileInfo(path).fileName() + QStringLiteral(", ")
               + accessibilityText(previewDetail(row, dryRun_).sentence);
    default: return {};
    }
}

}  // namespace olva::app
