// One ready-made rule offered to a folder without rules: its name, its
// sentence (always drawn provisional: it is only a suggestion) and "Add…",
// which opens the rule sheet on it.
#pragma once

#include "Core/model/Model.h"

#include <QWidget>

#include <functional>

class QPushButton;

namespace olva::app {

class Workspace;

class SuggestionRow : public QWidget {
    Q_OBJECT

public:
    SuggestionRow(const Rule& rule, std::function<void()> add, Workspace* workspace, QWidget* parent = nullptr);

    QPushButton* addButton() const { return add_; }

private:
    QPushButton* add_;
};

}  // namespace olva::app
