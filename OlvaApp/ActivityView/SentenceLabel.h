// A sentence on one line, with its folders as chips, and a path shown
// whole where there is room. Small stand-ins for the inspector's step lines.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include <QLabel>
#include <QWidget>

namespace olva::app {

class SentenceLabel : public QWidget {
    Q_OBJECT

public:
    SentenceLabel(Sentence sentence, bool provisional, QWidget* parent = nullptr);

    const Sentence& sentence() const { return sentence_; }
    bool provisional() const { return provisional_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Sentence sentence_;
    bool provisional_;
};

// A path with the home folder as "~", elided in the middle when narrow.
class PathLabel : public QLabel {
    Q_OBJECT

public:
    explicit PathLabel(const QString& path, QWidget* parent = nullptr);

    const QString& path() const { return path_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString path_;
    QString shown_;
};

}  // namespace olva::app
