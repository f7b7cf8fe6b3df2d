// The object the app publishes on the session bus, with its adaptors. It
// lives on the thread that owns the bus connection, so every call message
// arrives, is answered and is let go on that thread: the bus library counts
// the bytes of the messages still held and stops reading above a limit, and
// it may resume only from the connection's own thread. Had the main thread
// dropped the last copy of a large call, the app would never read again.
// The work a call asks for runs on the main thread, which sees only the
// call's arguments and hands its answer back.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QFuture>
#include <QObject>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace olva::app {

class DelayedReply;
class Model;

class BusEndpoint : public QObject, public QDBusContext {
    Q_OBJECT

public:
    // The longest text a call may carry, in characters, all its arguments
    // together: a file URI of the longest path the system allows, every
    // byte percent-encoded, with room to spare.
    static constexpr qsizetype longestArguments = 32 * 1024;

    // Made on the main thread, then moved to `connection`'s thread. The
    // model stays on the main thread.
    BusEndpoint(Model& model, const QDBusConnection& connection);
    ~BusEndpoint() override;

    // From the main thread, before the endpoint is let go (deleteLater):
    // answers that are still to come are dropped, and nothing reaches the
    // model any more.
    void detach();

    // What an adaptor's slot calls first, on the connection's thread: a call
    // whose arguments are longer than `longestArguments` is answered with
    // the app's error, and true says nothing more is to be done for it.
    bool refuseOverlongCall();
    // Answers the call being handled with the app's error now.
    void refuse(const QString& sentence);
    // Holds the call being handled and has `work` run with the model on the
    // main thread; the call is answered with the value the future finishes
    // with (none when invalid), or fails with its failure's sentence.
    void answerFromModel(std::function<QFuture<QVariant>(Model&)> work);

    static QString overlongText();

private:
    struct Link;
    struct Answer {
        QVariant value;
        std::optional<QString> failure;
    };
    void finish(quint64 id, const Answer& answer);

    std::shared_ptr<Link> link_;
    // Touched only on the connection's thread.
    std::map<quint64, std::unique_ptr<DelayedReply>> held_;
    quint64 nextId_ = 0;
};

}  // namespace olva::app
