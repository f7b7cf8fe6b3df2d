// The bar across the top of a folder's rules when the folder is missing or
// cannot be read: the sentence that says so, and the one fix that fits.
// Missing: "Locate…", which asks where the folder is now. Unreadable: in a
// sandbox "Grant Access…" (choose it again); otherwise "Show in File
// Manager" on the folder, where the user can change its permissions.
#pragma once

#include "Core/engine/Engine.h"
#include "Core/model/Model.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace olva::app {

class FolderProblemBar : public QWidget {
    Q_OBJECT

public:
    explicit FolderProblemBar(QWidget* parent = nullptr);

    // `locate` asks for the folder again; `reveal` shows it in the file
    // manager.
    void setProblem(const Folder& folder, FolderStatus status, bool sandboxed);
    // A sentence alone, with nothing to press: for the data folder, whose
    // only fix is to put it back.
    void setMessage(const QString& message);
    void setActions(std::function<void()> locate, std::function<void()> reveal);

    QString text() const;
    // The button's title; empty when the status offers none.
    QString buttonText() const;
    QPushButton* button() const { return button_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Fix { none, locate, reveal };

    QLabel* text_;
    QPushButton* button_;
    Fix fix_ = Fix::none;
    std::function<void()> locate_;
    std::function<void()> reveal_;
};

}  // namespace olva::app
