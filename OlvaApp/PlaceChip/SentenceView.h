// A sentence drawn on one line, or wrapped over as many as it needs: words,
// patterns in the fixed-width face and places as chips. A chip tells its full path as a tooltip and offers "Show
// in File Manager" in its context menu; screen readers read the sentence as
// one text, with one action per place that shows it in the file manager.
#pragma once

#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/Sentences/Segment.h"

#include <QWidget>

namespace olva::app {

class ProvisionalLook;
class Workspace;

class SentenceView : public QWidget {
    Q_OBJECT

public:
    // `workspace` reveals places; without one the menu item does nothing.
    explicit SentenceView(Workspace* workspace, QWidget* parent = nullptr);
    SentenceView(const Sentence& sentence, bool provisional, Workspace* workspace, QWidget* parent = nullptr);
    ~SentenceView() override;

    const Sentence& sentence() const { return sentence_; }
    void setSentence(const Sentence& sentence);
    // Whether the sentence tells what has not happened yet: its chips are
    // drawn dashed instead of filled.
    bool isProvisional() const;
    void setProvisional(bool provisional);
    // Words in the secondary tone (chips keep the primary one).
    void setSecondary(bool secondary);
    // Wraps between words instead of cutting the line short; the view then
    // takes the height its width needs.
    void setWrapping(bool wrapping);
    bool wraps() const { return wrapping_; }

    // The place under `point`, in the widget's coordinates; empty when none.
    QString placeAt(const QPoint& point) const;
    // Shows a place of the sentence in the file manager.
    void reveal(const QString& path) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return wrapping_; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    SentenceLayout layout(int width) const;

    Workspace* workspace_;
    Sentence sentence_;
    ProvisionalLook* look_;
    bool secondary_ = false;
    bool wrapping_ = false;
};

}  // namespace olva::app
