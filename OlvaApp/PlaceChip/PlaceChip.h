// One folder drawn as a small chip: its icon and name, filled when settled
// and dashed while provisional. Its tooltip is the full path; its context
// menu shows it in the file manager.
#pragma once

#include <QString>
#include <QWidget>

namespace olva::app {

class ProvisionalLook;
class Workspace;

class PlaceChip : public QWidget {
    Q_OBJECT

public:
    // `path` in the user's form ("~/Documents").
    PlaceChip(const QString& path, bool provisional, Workspace* workspace, QWidget* parent = nullptr);
    ~PlaceChip() override;

    const QString& path() const { return path_; }
    void setPath(const QString& path);
    bool isProvisional() const;
    void setProvisional(bool provisional);
    // How provisional the chip looks now: 0 settled, 1 dashed.
    qreal provisionalAmount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString path_;
    Workspace* workspace_;
    ProvisionalLook* look_;
};

}  // namespace olva::app
