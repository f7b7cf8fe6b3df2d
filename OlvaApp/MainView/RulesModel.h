// The rules of one watched folder as list rows, first rule first: the order
// in which the engine tries them. A row's check state is the rule's switch;
// rows are dragged to reorder them. Every change goes through the model's
// operations, so each is saved and can be undone.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include "Core/model/Model.h"

#include <QAbstractListModel>

#include <vector>

namespace olva::app {

class Model;

class RulesModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The drag format of rows: the folder's stored path, then the rows.
    static const QString kMimeType;
    // The accessible name of a row's on/off switch: "Enable “Invoices”".
    static constexpr int switchNameRole = Qt::UserRole + 1;

    explicit RulesModel(Model& model, QObject* parent = nullptr);

    // Shows the rules of the folder at `folder` of the model's rules; -1
    // for none.
    void setFolder(int folder);
    int folder() const { return folder_; }

    const Rule* rule(int row) const;
    // The rule's sentence, made once per change of the rules.
    const Sentence* sentence(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // The model moves the rows itself; a finished drag removes nothing.
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // The rows a drag of this model carries, when it was made for the
    // folder shown now.
    std::vector<int> draggedRows(const QMimeData* data) const;

private:
    struct Row {
        Rule rule;
        Sentence sentence;
    };

    void reload();

    Model& model_;
    int folder_ = -1;
    QString folderPath_;
    std::vector<Row> rows_;
};

}  // namespace olva::app
