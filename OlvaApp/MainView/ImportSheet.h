// The confirmation of a Hazel import: which folder the rules are for, the
// notes on what changed on the way, and "Import N Rules" or "Cancel".
// Nothing is saved until the user imports; the model takes the pending
// import from itself, not from this sheet.
#pragma once

#include "OlvaApp/Model/PendingImport.h"

#include <QDialog>

class QPushButton;
class QScrollArea;

namespace olva::app {

class Model;

class ImportSheet : public QDialog {
    Q_OBJECT

public:
    ImportSheet(Model& model, PendingImport pending, QWidget* parent = nullptr);

    QString title() const;
    QStringList notes() const;
    QPushButton* importButton() const { return import_; }
    QPushButton* cancelButton() const { return cancel_; }
    QScrollArea* notesArea() const { return notesArea_; }

    // Closing by any means drops the pending import; "Import" commits it.
    void done(int result) override;
    // Closes the sheet without touching the model: a newer import, or none,
    // took its place.
    void dismissQuietly();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Model& model_;
    PendingImport pending_;
    QPushButton* import_;
    QPushButton* cancel_;
    QScrollArea* notesArea_;
    QString title_;
    bool quiet_ = false;
};

}  // namespace olva::app
