// "Dry Run" on an orange capsule: the rule only logs what it would do.
#pragma once

#include <QWidget>

namespace olva::app {

class DryRunBadge : public QWidget {
    Q_OBJECT

public:
    explicit DryRunBadge(QWidget* parent = nullptr);

    QString text() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont captionFont() const;
};

}  // namespace olva::app
