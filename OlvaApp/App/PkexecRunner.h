// Runs a program as the administrator through pkexec, which asks the user
// through the desktop's authentication agent.
#pragma once

#include "OlvaApp/Model/PrivilegedRunner.h"

namespace olva::app {

class PkexecRunner final : public PrivilegedRunner {
public:
    PrivilegedResult run(const QString& program, const QStringList& arguments) override;

    // What pkexec's exit status and error output mean: 126, the user
    // dismissed the dialog; 127, authorization failed; any other status
    // but 0 is the program's own failure.
    static PrivilegedResult resultOf(int exitStatus, const QString& errorOutput);
};

}  // namespace olva::app
