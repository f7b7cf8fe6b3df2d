// The signals with which the command-line tool tells a running app that it
// changed the rules or the activity, received on the session bus.
#pragma once

#include <QObject>
#include <QString>

namespace olva::app {

// Hears the signals on the thread that owns the bus connection, so that
// their messages are let go there (whatever a sender puts in them), and
// passes on only that they came.
class ToolSignalRelay : public QObject {
    Q_OBJECT

public:
    ~ToolSignalRelay() override;

signals:
    void rulesChanged();
    void activityChanged();

public slots:
    void onRulesChanged() { emit rulesChanged(); }
    void onActivityChanged() { emit activityChanged(); }
};

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

private:
    QString connectionName_;
    ToolSignalRelay* relay_ = nullptr;
    bool listening_ = false;
};

}  // namespace olva::app
