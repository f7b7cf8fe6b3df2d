#include "OlvaApp/ActivityView/ActivityTableModel.h"

#include "OlvaApp/ActivityView/FileIcon.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/ActivityDate.h"
#include "OlvaApp/Sentences/ActivitySearch.h"
#include "OlvaApp/Sentences/CurrentLocation.h"
#include "OlvaApp/Sentences/StepSentence.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace olva::app {

ActivityTableModel::ActivityTableModel(Model& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model), collator_(activityCollator())
{
    takeEntries();
    connect(&model_, &Model::entriesChanged, this, &ActivityTableModel::takeEntries);
    connect(&model_, &Model::revertedStepsChanged, this, [this] {
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, numberOfColumns - 1));
    });
}

ActivityTableModel::~ActivityTableModel() = default;

void ActivityTableModel::takeEntries()
{
    const std::span<const olva::Entry> window = activityRowWindowOf(model_.entries());

    // The usual change: new entries at the end, and as many of the oldest
    // leaving the window. Rows that stay keep their place, their caches and
    // the view's selection.
    std::size_t dropped = rows_.size();
    if (!window.empty()) {
        auto first = std::find_if(rows_.begin(), rows_.end(),
                                  [&](const Row& row) { return row.entry.id == window.front().id; });
        dropped = static_cast<std::size_t>(first - rows_.begin());
    }
    const std::size_t kept = rows_.size() - dropped;
    bool follows = kept <= window.size();
    for (std::size_t i = 0; follows && i < kept; ++i) follows = rows_[dropped + i].entry.id == window[i].id;

    const auto takeIn = [this](const olva::Entry& entry) {
        sequence_[entry.id] = taken_++;
        rows_.push_back(Row{entry, {}, {}});
    };
    if (!follows) {
        beginResetModel();
        rows_.clear();
        sequence_.clear();
        dropped_ = taken_ = 0;
        rows_.reserve(window.size());
        for (const olva::Entry& entry : window) takeIn(entry);
        endResetModel();
        return;
    }
    if (dropped > 0) {
        beginRemoveRows({}, 0, static_cast<int>(dropped) - 1);
        for (std::size_t i = 0; i < dropped; ++i) {
            // An id logged twice points at its later row: leave that one.
            auto found = sequence_.find(rows_[i].entry.id);
            if (found != sequence_.end() && found->second == dropped_ + i) sequence_.erase(found);
        }
        rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(dropped));
        dropped_ += dropped;
        endRemoveRows();
    }
    if (window.size() > kept) {
        beginInsertRows({}, static_cast<int>(kept), static_cast<int>(window.size()) - 1);
        for (std::size_t i = kept; i < window.size(); ++i) takeIn(window[i]);
        endInsertRows();
    }
}

int ActivityTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ActivityTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : numberOfColumns; }

std::optional<int> ActivityTableModel::rowOf(const std::string& id) const
{
    const auto found = sequence_.find(id);
    if (found == sequence_.end()) return std::nullopt;
    return static_cast<int>(found->second - dropped_);
}

const Sentence& ActivityTableModel::resultAt(int row) const
{
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (!r.result) r.result = resultText(r.entry);
    return *r.result;
}

QString ActivityTableModel::textAt(Column column, int row) const
{
    const olva::Entry& entry = entryAt(row);
    switch (column) {
    case nameColumn: return entryFileName(entry);
    case resultColumn: return plainText(resultAt(row));
    case ruleColumn: return QString::fromStdString(entry.rule);
    default: return {};
    }
}

const QCollatorSortKey& ActivityTableModel::keyAt(Column column, int row) const
{
    auto& key = rows_[static_cast<std::size_t>(row)].keys[static_cast<std::size_t>(column)];
    if (!key) key = collator_.sortKey(textAt(column, row));
    return *key;
}

int ActivityTableModel::compareText(Column column, int left, int right) const
{
    return keyAt(column, left).compare(keyAt(column, right));
}

QVariant ActivityTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = index.row();
    const olva::Entry& entry = entryAt(row);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        // One line each: a tab or a bell in a name shows as a space or its
        // picture instead of breaking the row or hiding.
        switch (index.column()) {
        case nameColumn: return singleLine(entryFileName(entry));
        case resultColumn:
            if (model_.isFullyReverted(entry)) return tr("Reverted");
            return singleLine(role == Qt::AccessibleTextRole ? accessibilityText(resultAt(row))
                                                             : plainText(resultAt(row)));
        case ruleColumn: return singleLine(QString::fromStdString(entry.rule));
        case dateColumn: return activityDateFormatter().format(entry.at);
        }
        return {};
    case Qt::DecorationRole:
        if (index.column() == nameColumn) return iconForFileName(QString::fromStdString(entry.file));
        return {};
    case entryIdRole: return QString::fromStdString(entry.id);
    case fullyRevertedRole: return model_.isFullyReverted(entry);
    case failedRole: return entry.error.has_value();
    case dryRunRole: return entry.dryRun;
    case pathRole: return QString::fromStdString(entry.file);
    }
    return {};
}

QVariant ActivityTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case nameColumn: return tr("Name");
    case resultColumn: return tr("Result");
    case ruleColumn: return tr("Rule");
    case dateColumn: return tr("Date");
    }
    return {};
}

Qt::ItemFlags ActivityTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList ActivityTableModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* ActivityTableModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && std::find(rows.begin(), rows.end(), index.row()) == rows.end())
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    QList<QUrl> urls;
    for (int row : rows)
        if (auto url = currentURL(entryAt(row))) urls.push_back(*url);
    // A row whose file is gone cannot be dragged.
    if (urls.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions ActivityTableModel::supportedDragActions() const { return Qt::CopyAction; }

}  // namespace olva::app
