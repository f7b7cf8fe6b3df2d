#include "OlvaApp/App/PkexecRunner.h"

#include <QCoreApplication>
#include <QProcess>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::PkexecRunner)
};

}  // namespace

PrivilegedResult PkexecRunner::resultOf(int exitStatus, const QString& errorOutput)
{
    if (exitStatus == 0) return {PrivilegedResult::Status::done, {}};
    if (exitStatus == 126) return {PrivilegedResult::Status::cancelled, {}};
    return {PrivilegedResult::Status::failed, errorOutput.trimmed()};
}

PrivilegedResult PkexecRunner::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral("pkexec"), QStringList{program} + arguments);
    if (!process.waitForStarted())
        return {PrivilegedResult::Status::failed,
                Words::tr("pkexec couldn’t be started. Install the package “pkexec” and try again.")};
    process.closeWriteChannel();
    // The authentication dialog is another program's: waiting for it here
    // is waiting for the user.
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        return {PrivilegedResult::Status::failed, Words::tr("pkexec ended unexpectedly.")};
    return resultOf(process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()));
}

}  // namespace olva::app
