#pragma once

#include <QByteArray>
#include <QString>

// Where a run without a window writes what is not a message to the user: the report of /check
// and /diff, meant for standard output and for programs to read, and warnings, one line each on
// standard error. Messages go through Dialogs.
class RunOutput {
  public:
    virtual ~RunOutput() = default;

    // Adds `bytes` to the report as they are.
    virtual void Report(const QByteArray& bytes) = 0;
    // One warning, without a line break.
    virtual void Warn(const QString& line) = 0;
};
