// An icon shown by itself (the large symbol of an empty state), drawn at
// each repaint so that a symbolic icon follows the palette of the moment.
#pragma once

#include <QIcon>
#include <QWidget>

namespace olva::app {

class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QIcon& icon, int size, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {size_, size_}; }
    // Drawn standing back, as the symbol of an empty state is.
    void setMuted(bool muted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon icon_;
    int size_;
    bool muted_ = false;
};

}  // namespace olva::app
