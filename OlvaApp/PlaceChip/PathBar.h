// A file's path as a row of flat buttons, one per folder from the home
// folder (or the root) down to the file. Each button shows its folder or
// file in the file manager; none opens anything. When the row is too
// narrow, the folders in the middle fold into one "…" button whose menu
// lists them.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QMenu;
class QToolButton;

namespace olva::app {

class Workspace;

class PathBar : public QWidget {
    Q_OBJECT

public:
    explicit PathBar(Workspace* workspace, QWidget* parent = nullptr);
    ~PathBar() override;

    // An absolute path, "~" allowed.
    const QString& path() const { return path_; }
    void setPath(const QString& path);

    // The paths the buttons stand for, first to last, and how many of them
    // are folded into "…" now.
    QStringList componentPaths() const;
    int foldedCount() const { return folded_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Component {
        QString path;  // absolute
        QString name;
        QToolButton* button = nullptr;
        QWidget* separator = nullptr;  // the chevron before it; none for the first
        int width = 0;                 // of the button and its chevron, with the whole name
    };

    void rebuild();
    void fold();
    void place();
    int fullWidth() const;

    Workspace* workspace_;
    QString path_;
    QList<Component> components_;
    QToolButton* more_;
    QMenu* moreMenu_;
    QWidget* moreSeparator_;
    int folded_ = 0;
};

}  // namespace olva::app
