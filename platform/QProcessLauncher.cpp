#include "platform/QProcessLauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

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

}  // namespace

Status QProcessLauncher::StartDetached(const QString& commandLine) {
    if (commandLine.trimmed().isEmpty()) {
        return CannotStart(commandLine,
                           QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }
    if (HasUnbalancedQuote(commandLine)) {
        return CannotStart(commandLine, QCoreApplication::translate("QProcessLauncher",
                                                                    "unbalanced quotation mark"));
    }
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {  // only empty quotes, such as ""
        return CannotStart(commandLine,
                           QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }

    // The program is run directly, never through a shell, and nobody waits for it. A QProcess
    // object rather than the static startDetached() so that the reason for a failure can be read.
    QProcess process;
    process.setProgram(arguments.takeFirst());
    process.setArguments(arguments);
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        return CannotStart(commandLine, process.errorString());
    }
    return Status::Ok();
}
