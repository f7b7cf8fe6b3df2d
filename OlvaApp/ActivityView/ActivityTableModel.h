// The activity log as a table: one row per entry of the newest thousand, in
// log order, with the columns Name, Result, Rule and Date. Rows keep their
// result sentences and sort keys once made, so sorting and drawing a long
// log builds each only once.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include "Core/model/Entry.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>

#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace olva::app {

class Model;

class ActivityTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { nameColumn, resultColumn, ruleColumn, dateColumn, numberOfColumns };
    enum Role {
        entryIdRole = Qt::UserRole + 1,  // QString
        fullyRevertedRole,               // bool
        failedRole,                      // bool
        dryRunRole,                      // bool
        pathRole,                        // QString: the logged path
    };

    explicit ActivityTableModel(Model& model, QObject* parent = nullptr);
    ~ActivityTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragging rows out hands over where their files are now, as copies.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    const olva::Entry& entryAt(int row) const { return rows_[static_cast<std::size_t>(row)].entry; }
    std::optional<int> rowOf(const std::string& id) const;
    // The result sentence of a row, made on first use.
    const Sentence& resultAt(int row) const;
    // Compares two rows by a text column in the user's locale; numbers by
    // value.
    int compareText(Column column, int left, int right) const;

private:
    struct Row {
        olva::Entry entry;
        mutable std::optional<Sentence> result;
        mutable std::array<std::optional<QCollatorSortKey>, 3> keys;
    };

    void takeEntries();
    const QCollatorSortKey& keyAt(Column column, int row) const;
    QString textAt(Column column, int row) const;

    Model& model_;
    std::vector<Row> rows_;
    // Where each entry's row is: its place in the sequence of rows ever
    // taken in, less the number that has left the window at the front.
    std::unordered_map<std::string, std::size_t> sequence_;
    std::size_t dropped_ = 0;
    std::size_t taken_ = 0;
    QCollator collator_;
};

}  // namespace olva::app
