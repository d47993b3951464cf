#pragma once

#include "Status.h"

#include <QByteArray>
#include <QString>

// Whole-file access to the disk, behind an interface so that tests can inject faults.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads the whole regular file at `path` into `contents`. Fails with Status::NotFound when
    // nothing exists at `path`, and with an error naming the path and the reason when it cannot be
    // read, is not a regular file (a directory, a FIFO, a device), or is larger than `maxBytes`.
    virtual Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) = 0;

    // Replaces the file at `path` by `contents`, all or nothing: the bytes go to a temporary file
    // in the same directory, every byte is checked as written and flushed, and only then is the
    // temporary renamed over the target. The target's permission bits are kept; a symlink is
    // followed and the file it points to is replaced. An existing target that is not a regular
    // file (a FIFO, a character device) is opened and written directly instead. On failure the
    // old file is unchanged, no temporary file is left behind, and the error names the path and
    // the reason.
    virtual Status WriteFile(const QString& path, const QByteArray& contents) = 0;

    // True when a file or directory exists at `path` (a symlink counts by what it points to).
    virtual bool Exists(const QString& path) = 0;
};
