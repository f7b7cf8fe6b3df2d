// "Olva Privacy Policy": the shipped policy, block by block, in a window
// that scrolls. While it shows, it counts as one of the app's windows.
#pragma once

#include "OlvaApp/PrivacyView/PrivacyPolicy.h"

#include <QScrollArea>

#include <vector>

namespace olva::app {

class Model;

class PrivacyWindow : public QScrollArea {
    Q_OBJECT

public:
    explicit PrivacyWindow(Model& model, QWidget* parent = nullptr);
    // Shows `blocks` instead of the shipped policy.
    PrivacyWindow(Model& model, const std::vector<PolicyBlock>& blocks, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Model& model_;
};

}  // namespace olva::app
