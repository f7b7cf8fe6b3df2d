// The model's own failure: one sentence for the user. It travels through
// QFuture, so callers of the asynchronous operations receive it as thrown.
#pragma once

#include <QException>
#include <QString>

namespace olva::app {

class ModelError : public QException {
public:
    explicit ModelError(QString description) : description_(std::move(description)) {}

    const QString& errorDescription() const { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

    void raise() const override { throw *this; }
    ModelError* clone() const override { return new ModelError(*this); }

private:
    QString description_;
    QByteArray utf8_ = description_.toUtf8();
};

}  // namespace olva::app
