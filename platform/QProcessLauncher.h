#pragma once

#include "platform/ProcessLauncher.h"

// Starts programs with QProcess.
class QProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override;
    Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                      const std::function<bool()>& cancelled) override;
};
