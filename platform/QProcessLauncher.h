#pragma once

#include "ProcessLauncher.h"

// Starts programs with QProcess::startDetached.
class QProcessLauncher : public ProcessLauncher {
  public:
    Status StartDetached(const QString& commandLine) override;
};
