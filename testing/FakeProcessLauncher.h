#pragma once

#include "platform/ProcessLauncher.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// A ProcessLauncher for tests: starts nothing, remembers every command line it was asked to start
// and fails on demand with the same kind of message as the real one.
class FakeProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override {
        mCommandLines.append(commandLine + (note ? note() : QString()));
        const QString reason = mFailures.value(commandLine);
        return reason.isEmpty() ? Status::Ok() : CannotStart(commandLine, reason);
    }

    // From now on starting exactly `commandLine` fails with `reason`; an empty one lets it start.
    void FailFor(const QString& commandLine, const QString& reason) {
        mFailures[commandLine] = reason;
    }
    // Every command line passed to StartDetached, in order, failed ones included, each followed by
    // what `note` said when it was passed.
    const QStringList& commandLines() const { return mCommandLines; }
    // Notes what a command would find when it starts, such as the state of a file it acts on.
    std::function<QString()> note;

  private:
    QStringList mCommandLines;
    QHash<QString, QString> mFailures;
};
