#pragma once

#include "platform/ProcessLauncher.h"

#include <QString>
#include <QStringList>

#include <map>

// A ProcessLauncher for tests: starts nothing, remembers every command line it was asked to start
// and fails on demand with the same kind of message as the real one.
class FakeProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override;

    // From now on starting exactly `commandLine` fails with `reason`.
    void FailFor(const QString& commandLine, const QString& reason) {
        mFailures[commandLine] = reason;
    }
    // Every command line passed to StartDetached, in order, failed ones included.
    const QStringList& commandLines() const { return mCommandLines; }

  private:
    QStringList mCommandLines;
    std::map<QString, QString> mFailures;
};
