#pragma once

#include "platform/ProcessLauncher.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// A ProcessLauncher for tests: starts nothing, remembers every command line it was asked to start
// or to wait for and fails on demand with the same kind of message as the real one.
class FakeProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override {
        mCommandLines.append(commandLine + (note ? note() : QString()));
        const QString reason = mFailures.value(commandLine);
        return reason.isEmpty() ? Status::Ok() : CannotStart(commandLine, reason);
    }

    // Asks `cancelled` once, then ends as scripted by EndWith (Ok unless told).
    Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                      const std::function<bool()>& cancelled) override {
        mCommandLines.append(commandLine + (note ? note() : QString()));
        mWaited.append(QStringLiteral("%1 (%2 s)").arg(commandLine).arg(timeout.count()));
        if (const QString reason = mFailures.value(commandLine); !reason.isEmpty()) {
            return CannotStart(commandLine, reason);
        }
        if (cancelled && cancelled()) {
            return Failed(commandLine, QStringLiteral("was cancelled"), {});
        }
        const auto end = mEnds.constFind(commandLine);
        return end == mEnds.cend() ? Status::Ok() : Failed(commandLine, end->first, end->second);
    }

    // From now on starting exactly `commandLine` fails with `reason`; an empty one lets it start.
    void FailFor(const QString& commandLine, const QString& reason) {
        mFailures[commandLine] = reason;
    }
    // From now on waiting for `commandLine` ends as a failure that says `how` it ended ("ended
    // with status 3") with `errorLines` from its standard error.
    void EndWith(const QString& commandLine, const QString& how,
                 const QStringList& errorLines = {}) {
        mEnds[commandLine] = {how, errorLines};
    }
    // Every command line passed to StartDetached or RunAndWait, in order, failed ones included,
    // each followed by what `note` said when it was passed.
    const QStringList& commandLines() const { return mCommandLines; }
    // Every command line waited for, with its timeout: "reload.sh (60 s)".
    const QStringList& waited() const { return mWaited; }
    // Notes what a command would find when it starts, such as the state of a file it acts on.
    std::function<QString()> note;

  private:
    QStringList mCommandLines;
    QStringList mWaited;
    QHash<QString, QString> mFailures;
    QHash<QString, std::pair<QString, QStringList>> mEnds;
};
