// The sheet that tells how each rule of a folder treats one file. The main
// window opens it (window-modal, with open()) when the model holds an
// explanation; closing it clears the model's explanation.
#pragma once

#include <QDialog>

namespace olva::app {

class Model;

class ExplainSheet : public QDialog {
    Q_OBJECT

public:
    explicit ExplainSheet(Model& model, QWidget* parent = nullptr);
    ~ExplainSheet() override;

private:
    Model& model_;
};

}  // namespace olva::app
