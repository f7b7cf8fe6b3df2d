// A D-Bus call that is answered later, once the work it asked for is done.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFuture>
#include <QVariant>

#include <exception>

namespace olva::app {

// The sentence of a failure a model operation ended with.
QString failureSentence(const std::exception_ptr& failure);

class DelayedReply {
public:
    // Takes over the call `context` is handling: the bus does not answer it
    // when the slot returns.
    explicit DelayedReply(QDBusContext& context);

    void answer(const QVariant& value = {}) const;
    // Fails the call with the app's error carrying `sentence`.
    void fail(const QString& sentence) const;

    // Answers once `future` has finished, on `context`'s thread: with
    // `value(future)`, or with the failure's sentence.
    template <typename T, typename Value>
    void answerWhenDone(QObject* context, QFuture<T> future, Value value) const
    {
        future.then(context, [reply = *this, value](QFuture<T> done) {
            try {
                done.waitForFinished();
                reply.answer(value(done));
            } catch (...) {
                reply.fail(failureSentence(std::current_exception()));
            }
        });
    }
    // The same for work that has no result.
    void answerWhenDone(QObject* context, QFuture<void> future) const
    {
        answerWhenDone(context, future, [](const QFuture<void>&) { return QVariant(); });
    }

private:
    QDBusConnection connection_;
    QDBusMessage call_;
};

}  // namespace olva::app
