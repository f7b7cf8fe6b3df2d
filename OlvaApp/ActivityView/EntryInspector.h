// Everything the log knows about one entry: the file with its type icon and
// result, the rule, date and status, each condition as it was evaluated,
// each step with the path it led to, and the error.
#pragma once

#include "Core/model/Entry.h"

#include <QScrollArea>

class QLabel;
class QVBoxLayout;

namespace olva::app {

class Workspace;

class EntryInspector : public QScrollArea {
    Q_OBJECT

public:
    // `reverted`: every step of the entry has been reverted. Folders in the
    // steps are shown in the file manager through `workspace`.
    EntryInspector(const olva::Entry& entry, bool reverted, Workspace* workspace, QWidget* parent = nullptr);

    const olva::Entry& entry() const { return entry_; }
    bool reverted() const { return reverted_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void build();
    QVBoxLayout* addSection(const QString& title);
    void addInfoRow(QVBoxLayout* section, const QString& label, const QString& value);
    void updateColors();

    olva::Entry entry_;
    bool reverted_;
    Workspace* workspace_;
    QWidget* content_;
    QVBoxLayout* layout_;
    QList<QLabel*> secondary_;
    QList<QLabel*> errors_;
};

}  // namespace olva::app
