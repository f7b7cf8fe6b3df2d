// A borderless button that spans the width of its pane, its icon and words
// at the leading edge in the secondary tone: the sidebar's "Add Folder…".
#pragma once

#include <QAbstractButton>

namespace olva::app {

class FooterButton : public QAbstractButton {
    Q_OBJECT

public:
    FooterButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

}  // namespace olva::app
