#include "testing/FakeProcessLauncher.h"

Status FakeProcessLauncher::StartDetached(const QString& commandLine) {
    mCommandLines.append(commandLine);
    const auto failure = mFailures.find(commandLine);
    if (failure == mFailures.end()) {
        return Status::Ok();
    }
    return CannotStart(commandLine, failure->second);
}
