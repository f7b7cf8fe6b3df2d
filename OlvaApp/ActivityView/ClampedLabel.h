// Plain text wrapped over at most a given number of lines. Text that needs
// more ends its last line with "…" and shows whole in the tooltip, and
// screen readers read it whole.
#pragma once

#include <QLabel>

namespace olva::app {

class ClampedLabel : public QLabel {
    Q_OBJECT

public:
    ClampedLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    const QString& fullText() const { return full_; }
    // Whether the text is cut at the label's present width.
    bool isClamped() const { return clamped_; }

    int heightForWidth(int width) const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The lines shown at `width`, and whether text was left out.
    QStringList linesAt(int width, bool* cut) const;
    void clamp();

    QString full_;
    int maxLines_;
    bool clamped_ = false;
};

}  // namespace olva::app
