#pragma once

#include "platform/ProcessLauncher.h"

// Starts programs with QProcess::startDetached.
class QProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override;
};
