#include "platform/QProcessLauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

namespace {

// QProcess::splitCommand quietly accepts an unclosed quote and treats the rest of the line as one
// argument. This follows its rules to find that case: within a run of double quotes, every three
// stand for one literal quote, and a single one left over opens or closes a quoted part (two left
// over do neither).
bool HasUnbalancedQuote(const QString& commandLine) {
    bool inQuote = false;
    int run = 0;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            ++run;
            continue;
        }
        if (run % 3 == 1) {
            inQuote = !inQuote;
        }
        run = 0;
    }
    if (run % 3 == 1) {
        inQuote = !inQuote;
    }
    return inQuote;
}

// The program and its arguments in `commandLine`, or why it cannot be started.
Status SplitCommand(const QString& commandLine, QStringList* arguments) {
    if (commandLine.trimmed().isEmpty()) {
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }
    if (HasUnbalancedQuote(commandLine)) {
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "unbalanced quotation mark"));
    }
    *arguments = QProcess::splitCommand(commandLine);
    if (arguments->isEmpty()) {  // only empty quotes, such as ""
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }
    return Status::Ok();
}

// A process for `arguments` that reads nothing from us and writes nothing to our output: a
// program that outlives us must not hold our standard output open, and one we wait for tells
// what went wrong through standard error, which the caller reads.
void Prepare(QStringList arguments, QProcess* process) {
    process->setProgram(arguments.takeFirst());
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
}

// What a waited program wrote to standard error is kept up to this size, from its end: enough for
// the lines a failure shows, whatever the program writes.
constexpr qsizetype kKeptErrorBytes = 64 * 1024;

// The last `count` lines of `bytes`, without their line breaks; an empty last line is none.
QStringList LastLines(const QByteArray& bytes, int count) {
    QStringList lines = QString::fromLocal8Bit(bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines.mid(std::max<qsizetype>(0, lines.size() - count));
}

// "9 (SIGKILL)".
QString SignalName(int signal) {
    const char* abbreviation = ::sigabbrev_np(signal);
    return abbreviation ? QStringLiteral("%1 (SIG%2)").arg(signal).arg(QLatin1String(abbreviation))
                        : QString::number(signal);
}

}  // namespace

Status QProcessLauncher::StartDetached(const QString& commandLine) {
    QStringList arguments;
    if (Status split = SplitCommand(commandLine, &arguments); !split.ok()) {
        return CannotStart(commandLine, split.message());
    }
    // The program is run directly, never through a shell, and nobody waits for it. A QProcess
    // object rather than the static startDetached() so that the reason for a failure can be read.
    QProcess process;
    Prepare(arguments, &process);
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        return CannotStart(commandLine, process.errorString());
    }
    return Status::Ok();
}

Status QProcessLauncher::RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                                    const std::function<bool()>& cancelled) {
    QStringList arguments;
    if (Status split = SplitCommand(commandLine, &arguments); !split.ok()) {
        return CannotStart(commandLine, split.message());
    }
    QProcess process;
    Prepare(arguments, &process);
    // In a process group of its own, so that stopping it also stops what it started (a shell's
    // sleep, a service script's helpers), which could otherwise go on changing files.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(-1)) {
        return CannotStart(commandLine, process.errorString());
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QByteArray errors;
    const auto keepErrors = [&] {
        errors += process.readAllStandardError();
        errors.remove(0, std::max<qsizetype>(0, errors.size() - kKeptErrorBytes));
    };
    QString stopped;
    while (!process.waitForFinished(50) && process.state() != QProcess::NotRunning) {
        keepErrors();
        if (cancelled && cancelled()) {
            stopped = QCoreApplication::translate("QProcessLauncher", "was cancelled");
        } else if (std::chrono::steady_clock::now() >= deadline) {
            stopped =
                QCoreApplication::translate(
                    "QProcessLauncher", "did not end within its timeout of %1 s and was stopped")
                    .arg(timeout.count());
        }
        if (!stopped.isEmpty()) {
            ::kill(-pid_t(process.processId()), SIGKILL);
            process.kill();
            process.waitForFinished(-1);
            break;
        }
    }
    keepErrors();
    const QStringList lines = LastLines(errors, kErrorLines);
    if (!stopped.isEmpty()) {
        return Failed(commandLine, stopped, lines);
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        return Failed(commandLine,
                      QCoreApplication::translate("QProcessLauncher", "was ended by signal %1")
                          .arg(SignalName(process.exitCode())),
                      lines);
    }
    if (process.exitCode() != 0) {
        return Failed(commandLine,
                      QCoreApplication::translate("QProcessLauncher", "ended with status %1")
                          .arg(process.exitCode()),
                      lines);
    }
    return Status::Ok();
}
