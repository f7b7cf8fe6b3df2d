// Runs one program with administrator rights, after the desktop asked the
// user to allow it.
#pragma once

#include <QString>
#include <QStringList>

namespace olva::app {

struct PrivilegedResult {
    enum class Status { done, cancelled, failed };

    Status status = Status::done;
    QString message;  // for a failure: what went wrong, when the program said
};

class PrivilegedRunner {
public:
    virtual ~PrivilegedRunner() = default;

    // Blocks until the program ends or the user declined.
    virtual PrivilegedResult run(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace olva::app
