// The signals with which the command-line tool tells a running app that it
// changed the rules or the activity, received on the session bus.
#pragma once

#include <QObject>
#include <QString>

namespace olva::app {

class ToolSignals : public QObject {
    Q_OBJECT

public:
    // Listens on the session bus the environment names now, through a
    // connection of its own; without a bus it hears nothing.
    explicit ToolSignals(QObject* parent = nullptr);
    ~ToolSignals() override;

    bool isListening() const { return listening_; }

signals:
    void rulesChanged();
    void activityChanged();

private slots:
    void onRulesChanged() { emit rulesChanged(); }
    void onActivityChanged() { emit activityChanged(); }

private:
    QString connectionName_;
    bool listening_ = false;
};

}  // namespace olva::app
