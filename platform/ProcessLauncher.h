#pragma once

#include "platform/SecretSet.h"
#include "platform/Status.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// Starts external programs, without waiting for them or waiting until they end.
class ProcessLauncher {
  public:
    // How many of the last lines a waited program wrote to standard error its failure shows.
    static constexpr int kErrorLines = 10;

    virtual ~ProcessLauncher() = default;

    // Starts the program named by `commandLine` (program and arguments, split as
    // QProcess::splitCommand does: blanks separate, double quotes group, no shell) as a detached
    // process. The program is found as execvp() finds it (a name without a "/" on the PATH), and
    // started only when it passes the program's trust rule (CheckProgram), by the path that was
    // checked. Its standard input, output and error are /dev/null, so that it never holds ours
    // open: whoever reads our output through a pipe gets its end when we end. Fails, naming the
    // command line and the reason, when the text is empty, has an unbalanced double quote, or the
    // program cannot be started.
    virtual Status StartDetached(const QString& commandLine) = 0;

    // Runs the program named by `commandLine`, split and started as StartDetached does, and waits
    // until it ends. Ok when it exits with status 0. Otherwise fails with a message that names
    // the command line and says how it ended (its exit status, the signal that ended it, or that
    // it ran longer than `timeout` or was cancelled: then it has been killed, with every process
    // it started, also one that left its process group), followed by the last kErrorLines lines
    // it wrote to standard error, as text (LastLines), however much it wrote; a line that holds
    // any of `secrets` in its bytes as written is held back whole. `cancelled`, when given, is
    // asked about every 50 ms while the program runs; true cancels it. Its standard input and
    // output are /dev/null. What a program that ended by itself left running goes on.
    virtual Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                              const std::function<bool()>& cancelled, const SecretSet& secrets) = 0;

    // Why the program of `commandLine` would not be started, or Ok, without starting anything.
    // The program is found as the starts find it; it, or a folder or symlink on the way to it,
    // that fails the program's trust rule (platform/TrustedPath.h) is refused with a Status that
    // IsUntrusted(), and the starts refuse it in the same words. Other reasons (an empty command,
    // a program that is not there) come back as they are; the start tells them.
    virtual Status CheckProgram(const QString& commandLine) = 0;

  protected:
    // How every launcher says that `commandLine` was not started, and why.
    static Status CannotStart(const QString& commandLine, const QString& reason) {
        return Status::Error(QCoreApplication::translate("ProcessLauncher",
                                                         "The command could not be started: %1: %2")
                                 .arg(commandLine, reason));
    }
    // How every launcher says that a waited `commandLine` did not succeed: `how` it ended, then
    // the last lines of its standard error, if it wrote any.
    static Status Failed(const QString& commandLine, const QString& how,
                         const QStringList& errorLines) {
        QString message = QCoreApplication::translate("ProcessLauncher", "The command %1: %2")
                              .arg(how, commandLine);
        if (!errorLines.isEmpty()) {
            message += QCoreApplication::translate(
                           "ProcessLauncher", "\nThe last lines it wrote to standard error:\n") +
                       errorLines.join(u'\n');
        }
        return Status::Error(message);
    }
};
