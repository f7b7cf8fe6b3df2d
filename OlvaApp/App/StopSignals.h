// SIGTERM, SIGINT and SIGHUP end the app as its Quit command does: the
// signal only wakes the event loop, which then quits in its own time, so
// the engine stops cleanly. A second signal ends the process at once.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace olva::app {

class StopSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; one object per process.
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    void onWake();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace olva::app
