// One section of the rule sheet: a headline with an optional detail at its
// end (the preview's count line), above a group box holding the section's
// content.
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

namespace olva::app {

class SheetSection : public QWidget {
    Q_OBJECT

public:
    SheetSection(const QString& title, QWidget* content, QWidget* parent = nullptr);

    // Shown as it is; an empty detail shows nothing.
    void setDetail(const QString& detail);
    QString detail() const;
    QLabel* detailLabel() const { return detail_; }

private:
    QLabel* detail_;
};

}  // namespace olva::app
