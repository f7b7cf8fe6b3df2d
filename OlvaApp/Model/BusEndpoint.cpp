#include "OlvaApp/Model/BusEndpoint.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/ApplicationAdaptor.h"
#include "OlvaApp/Model/DelayedReply.h"
#include "OlvaApp/Model/IntentsAdaptor.h"
#include "OlvaApp/Model/Model.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMutex>
#include <QThread>

namespace olva::app {

// Who may still be reached from the other side. The two threads post to
// each other only while holding the lock, so nothing is ever posted to an
// object that is gone; what was posted before is dropped with its receiver.
struct BusEndpoint::Link {
    QMutex mutex;
    Model* model = nullptr;
    BusEndpoint* endpoint = nullptr;

    void toModel(std::function<void(Model&)> work)
    {
        QMutexLocker locker(&mutex);
        if (!model) return;
        QMetaObject::invokeMethod(
            model, [model = model, work = std::move(work)] { work(*model); }, Qt::QueuedConnection);
    }

    void toEndpoint(std::function<void(BusEndpoint&)> work)
    {
        QMutexLocker locker(&mutex);
        if (!endpoint) return;
        QMetaObject::invokeMethod(
            endpoint, [endpoint = endpoint, work = std::move(work)] { work(*endpoint); }, Qt::QueuedConnection);
    }
};

namespace {

// Counts the characters of every text in `argument`, stopping once past
// `limit`; numbers and the like count for nothing.
class TextLength {
public:
    explicit TextLength(qsizetype limit) : limit_(limit) {}

    bool over() const { return total_ > limit_; }

    void add(const QVariant& value)
    {
        if (over()) return;
        switch (value.metaType().id()) {
        case QMetaType::QString: total_ += value.toString().size(); return;
        case QMetaType::QByteArray: total_ += value.toByteArray().size(); return;
        case QMetaType::QStringList:
            for (const QString& text : value.toStringList()) total_ += text.size();
            return;
        case QMetaType::QVariantList:
            for (const QVariant& item : value.toList()) add(item);
            return;
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            for (auto entry = map.begin(); entry != map.end() && !over(); ++entry) {
                total_ += entry.key().size();
                add(entry.value());
            }
            return;
        }
        default: break;
        }
        const QMetaType type = value.metaType();
        if (type == QMetaType::fromType<QDBusVariant>()) add(value.value<QDBusVariant>().variant());
        else if (type == QMetaType::fromType<QDBusArgument>()) add(value.value<QDBusArgument>());
        else if (type == QMetaType::fromType<QDBusObjectPath>()) total_ += value.value<QDBusObjectPath>().path().size();
        else if (type == QMetaType::fromType<QDBusSignature>()) total_ += value.value<QDBusSignature>().signature().size();
    }

    // Types Qt does not know come as the marshalled argument itself.
    void add(const QDBusArgument& argument)
    {
        while (!over() && !argument.atEnd()) {
            switch (argument.currentType()) {
            case QDBusArgument::BasicType: add(argument.asVariant()); break;
            case QDBusArgument::VariantType: {
                QDBusVariant inner;
                argument >> inner;
                add(inner.variant());
                break;
            }
            case QDBusArgument::ArrayType:
                argument.beginArray();
                add(argument);
                argument.endArray();
                break;
            case QDBusArgument::StructureType:
                argument.beginStructure();
                add(argument);
                argument.endStructure();
                break;
            case QDBusArgument::MapType:
                argument.beginMap();
                while (!over() && !argument.atEnd()) {
                    argument.beginMapEntry();
                    add(argument);
                    argument.endMapEntry();
                }
                argument.endMap();
                break;
            case QDBusArgument::MapEntryType:
            case QDBusArgument::UnknownType: return;
            }
        }
    }

private:
    qsizetype limit_;
    qsizetype total_ = 0;
};

}  // namespace

BusEndpoint::BusEndpoint(Model& model, const QDBusConnection& connection) : link_(std::make_shared<Link>())
{
    link_->model = &model;
    link_->endpoint = this;
    new ApplicationAdaptor(this, *this);
    new IntentsAdaptor(this, *this);
    // Qt keeps the connection on a thread of its own; its bus object was
    // made there. Without a connection the endpoint receives nothing and
    // may stay where it is.
    if (connection.isConnected()) moveToThread(connection.interface()->thread());
}

BusEndpoint::~BusEndpoint()
{
    detach();
    // Qt's connection hears of a published object's end through a blocking
    // queued call, which deadlocks on the connection's own thread. The
    // object is withdrawn from the bus before it goes, so nothing needs it.
    disconnect(this, &QObject::destroyed, nullptr, nullptr);
}

void BusEndpoint::detach()
{
    QMutexLocker locker(&link_->mutex);
    link_->model = nullptr;
    link_->endpoint = nullptr;
}

QString BusEndpoint::overlongText()
{
    return tr("That is too long to be the address of a file, so Olva did nothing with it.");
}

bool BusEndpoint::refuseOverlongCall()
{
    TextLength length(longestArguments);
    for (const QVariant& argument : message().arguments()) length.add(argument);
    if (!length.over()) return false;
    refuse(overlongText());
    return true;
}

void BusEndpoint::refuse(const QString& sentence) { sendErrorReply(bus::errorName, sentence); }

void BusEndpoint::answerFromModel(std::function<QFuture<QVariant>(Model&)> work)
{
    const quint64 id = nextId_++;
    held_.emplace(id, std::make_unique<DelayedReply>(*this));
    link_->toModel([work = std::move(work), link = link_, id](Model& model) {
        auto send = [link, id](Answer answer) {
            link->toEndpoint([id, answer = std::move(answer)](BusEndpoint& endpoint) { endpoint.finish(id, answer); });
        };
        work(model)
            .then(&model,
                  [send](QFuture<QVariant> done) {
                      Answer answer;
                      try {
                          answer.value = done.result();
                      } catch (...) {
                          answer.failure = failureSentence(std::current_exception());
                      }
                      send(std::move(answer));
                  })
            .onCanceled(&model, [send] { send(Answer{{}, failureSentence(nullptr)}); });
    });
}

void BusEndpoint::finish(quint64 id, const Answer& answer)
{
    const auto held = held_.find(id);
    if (held == held_.end()) return;
    if (answer.failure) held->second->fail(*answer.failure);
    else held->second->answer(answer.value);
    held_.erase(held);
}

}  // namespace olva::app
