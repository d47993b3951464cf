#pragma once

#include "platform/ProcessLauncher.h"

// Starts programs on this system: detached ones with QProcess, waited ones through a keeper
// process of their own that stops everything they start when they are stopped, and also when this
// process dies while it waits (on Linux), so that nothing runs on past its timeout.
class QProcessLauncher : public ProcessLauncher {
  public:
    Status CheckProgram(const QString& commandLine) override;
    Status StartDetached(const QString& commandLine) override;
    Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                      const std::function<bool()>& cancelled, const SecretSet& secrets) override;
};
