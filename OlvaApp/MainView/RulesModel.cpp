#include "OlvaApp/MainView/RulesModel.h"

#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/DryRunBadge.h"
#include "OlvaApp/Sentences/RuleSentence.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace olva::app {

const QString RulesModel::kMimeType = QStringLiteral("application/x-olva-rule-rows");

RulesModel::RulesModel(Model& model, QObject* parent) : QAbstractListModel(parent), model_(model)
{
    connect(&model_, &Model::configChanged, this, &RulesModel::reload);
}

void RulesModel::setFolder(int folder)
{
    if (folder == folder_) return;
    folder_ = folder;
    beginResetModel();
    rows_.clear();
    endResetModel();
    reload();
}

void RulesModel::reload()
{
    const auto& folders = model_.config().folders;
    std::vector<Row> rows;
    QString path;
    if (folder_ >= 0 && folder_ < static_cast<int>(folders.size())) {
        path = QString::fromStdString(folders[folder_].path);
        for (const Rule& rule : folders[folder_].rules) rows.push_back({rule, ruleSentence(rule)});
    }
    folderPath_ = path;
    if (rows.size() == rows_.size()) {
        // Same number of rules: keep the rows (and the view's selection and
        // focus) and redraw them.
        rows_ = std::move(rows);
        if (!rows_.empty()) emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const Rule* RulesModel::rule(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)].rule;
}

const Sentence* RulesModel::sentence(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)].sentence;
}

int RulesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant RulesModel::data(const QModelIndex& index, int role) const
{
    const Rule* r = rule(index.row());
    if (!index.isValid() || !r) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(r->name);
    case Qt::CheckStateRole:
        return r->enabled ? Qt::Checked : Qt::Unchecked;
    case Qt::AccessibleTextRole: {
        QStringList parts{QString::fromStdString(r->name)};
        if (r->dryRun) parts << DryRunBadge::text();
        parts << accessibilityText(*sentence(index.row()));
        return parts.join(QStringLiteral(", "));
    }
    case switchNameRole:
        //: The accessible name of a rule's switch
        return tr("Enable “%1”").arg(QString::fromStdString(r->name));
    default:
        return {};
    }
}

bool RulesModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !rule(index.row())) return false;
    const bool enabled = value.value<Qt::CheckState>() == Qt::Checked;
    // The switch acts on the folder the sidebar selects, which is the one
    // shown here.
    model_.setRuleEnabled(index.row(), enabled);
    return true;
}

Qt::ItemFlags RulesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled;
}

Qt::DropActions RulesModel::supportedDragActions() const { return Qt::MoveAction; }

Qt::DropActions RulesModel::supportedDropActions() const { return Qt::MoveAction; }

QStringList RulesModel::mimeTypes() const { return {kMimeType}; }

QMimeData* RulesModel::mimeData(const QModelIndexList& indexes) const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && !rows.contains(index.row())) rows << index.row();
    out << folderPath_ << rows;
    auto* data = new QMimeData;
    data->setData(kMimeType, bytes);
    return data;
}

std::vector<int> RulesModel::draggedRows(const QMimeData* data) const
{
    if (!data || !data->hasFormat(kMimeType)) return {};
    QDataStream in(data->data(kMimeType));
    QString path;
    QList<int> rows;
    in >> path >> rows;
    if (in.status() != QDataStream::Ok || path != folderPath_ || rows.isEmpty()) return {};
    for (int row : rows)
        if (row < 0 || row >= rowCount()) return {};
    return {rows.begin(), rows.end()};
}

bool RulesModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex&) const
{
    return action == Qt::MoveAction && !draggedRows(data).empty();
}

bool RulesModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, 0, parent)) return false;
    const int destination = row >= 0 ? row : parent.isValid() ? parent.row() : rowCount();
    // After the drag has ended: the move rebuilds these rows.
    QMetaObject::invokeMethod(
        &model_,
        [model = &model_, folder = folder_, path = folderPath_.toStdString(), rows = draggedRows(data), destination] {
            const auto& folders = model->config().folders;
            // The move asks whether rules may be changed, and says why not.
            if (folder >= static_cast<int>(folders.size()) || folders[folder].path != path) return;
            // One rule dragged: it stays selected at its new place. A move
            // refused, or given up for another program's rules, leaves the
            // selection where it was.
            if (model->moveRules(folder, rows, destination) && rows.size() == 1
                && model->selection() == Selection::folder(folder))
                model->setSelectedRule(rows.front() < destination ? destination - 1 : destination);
        },
        Qt::QueuedConnection);
    return true;
}

bool RulesModel::removeRows(int, int, const QModelIndex&) { return false; }

}  // namespace olva::app
