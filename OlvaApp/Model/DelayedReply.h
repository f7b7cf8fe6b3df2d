// A D-Bus call that is answered later, once the work it asked for is done.
// Made, answered and let go on the thread that owns the connection (see
// BusEndpoint).
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QVariant>

#include <exception>

namespace olva::app {

// The sentence of a failure a model operation ended with; a general one
// when there is none (the work was abandoned).
QString failureSentence(const std::exception_ptr& failure);

class DelayedReply {
public:
    // Takes over the call `context` is handling: the bus does not answer it
    // when the slot returns.
    explicit DelayedReply(QDBusContext& context);

    void answer(const QVariant& value = {}) const;
    // Fails the call with the app's error carrying `sentence`.
    void fail(const QString& sentence) const;

private:
    QDBusConnection connection_;
    QDBusMessage call_;
};

}  // namespace olva::app
