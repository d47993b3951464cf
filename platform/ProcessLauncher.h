#pragma once

#include "platform/Status.h"

#include <QCoreApplication>
#include <QString>

// Starts external programs without waiting for them.
class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;

    // Starts the program named by `commandLine` (program and arguments, split as
    // QProcess::splitCommand does: blanks separate, double quotes group, no shell) as a detached
    // process. Fails, naming the command line and the reason, when the text is empty, has an
    // unbalanced double quote, or the program cannot be started.
    virtual Status StartDetached(const QString& commandLine) = 0;

  protected:
    // How every launcher says that `commandLine` was not started, and why.
    static Status CannotStart(const QString& commandLine, const QString& reason) {
        return Status::Error(QCoreApplication::translate("ProcessLauncher",
                                                         "The command could not be started: %1: %2")
                                 .arg(commandLine, reason));
    }
};
