#pragma once

#include "platform/ByteSink.h"
#include "platform/Status.h"
#include "platform/SystemError.h"

#include <QByteArray>
#include <QString>

#include <errno.h>

// Whole-file access to the disk, behind an interface so that tests can inject faults.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads the whole regular file at `path` into `contents`. Fails with a Status that
    // IsNotFound() when nothing exists at `path`, and with an error naming the path and the reason
    // when it cannot be read, is not a regular file (a directory, a FIFO, a device), or is larger
    // than `maxBytes`.
    virtual Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) = 0;

    // Replaces the file at `path` by what `produce` gives, all or nothing. The bytes go to a
    // temporary file in the same directory as they come, every write is checked, the file is
    // flushed to the disk, and only then is it renamed over the target. The target's permission
    // bits are kept; a symlink is followed and the file it points to is replaced; an existing
    // target that we may not write is refused. An existing target that is not a regular file (a
    // FIFO, a character device) is written directly instead. On failure the old file is
    // unchanged, no temporary file is left behind, and the error names the path and the reason.
    // A temporary file that a killed save left beside the target is removed by its next save.
    virtual Status WriteFileFrom(const QString& path, const ByteProducer& produce) = 0;

    // WriteFileFrom with bytes that are already in memory.
    Status WriteFile(const QString& path, const QByteArray& contents) {
        return WriteFileFrom(path, [&contents](ByteSink& sink) {
            sink.Append(contents.constData(), static_cast<std::size_t>(contents.size()));
        });
    }

    // True when a file or directory exists at `path` (a symlink counts by what it points to).
    virtual bool Exists(const QString& path) = 0;

  protected:
    // The failures of ReadFile, in the same words for every file system.
    static Status FileNotFound(const QString& path) {
        return Status::PathNotFound(path, DescribeErrno(ENOENT));
    }
    static Status FileTooLarge(const QString& path, qint64 maxBytes) {
        return Status::PathError(path,
                                 QStringLiteral("the file is larger than %1 bytes").arg(maxBytes));
    }
};
