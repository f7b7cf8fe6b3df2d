#include "OlvaApp/Model/DelayedReply.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/ModelError.h"

#include <QCoreApplication>

namespace olva::app {

QString failureSentence(const std::exception_ptr& failure)
{
    const auto unfinished = [] {
        return QCoreApplication::translate("olva::app::DelayedReply", "Olva couldn’t finish this request.");
    };
    if (!failure) return unfinished();
    try {
        std::rethrow_exception(failure);
    } catch (const ModelError& error) {
        return error.errorDescription();
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    } catch (...) {
        return unfinished();
    }
}

DelayedReply::DelayedReply(QDBusContext& context) : connection_(context.connection()), call_(context.message())
{
    context.setDelayedReply(true);
}

void DelayedReply::answer(const QVariant& value) const
{
    QDBusMessage reply = call_.createReply();
    if (value.isValid()) reply << value;
    connection_.send(reply);
}

void DelayedReply::fail(const QString& sentence) const
{
    connection_.send(call_.createErrorReply(bus::errorName, sentence));
}

}  // namespace olva::app
