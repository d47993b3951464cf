#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <map>

// An in-memory FileSystem for tests: a map from path to bytes, with failures on demand. Error
// messages read like the disk's ("<path>: <reason>").
class FakeFileSystem : public FileSystem {
  public:
    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) override;
    // Stores what `produce` gives unless writing `path` was made to fail; a failed write leaves
    // the old contents in place, as the disk does.
    Status WriteFileFrom(const QString& path, const ByteProducer& produce) override;
    bool Exists(const QString& path) override { return HasFile(path); }

    void SetFile(const QString& path, const QByteArray& contents) { mFiles[path] = contents; }
    void RemoveFile(const QString& path) { mFiles.erase(path); }
    bool HasFile(const QString& path) const { return mFiles.count(path) != 0; }
    // The stored bytes, empty when there is no file at `path`.
    QByteArray FileContents(const QString& path) const;
    const std::map<QString, QByteArray>& files() const { return mFiles; }

    // From now on reading (or writing) `path` fails with "<path>: <reason>"; an empty reason
    // makes it succeed again.
    void FailReading(const QString& path, const QString& reason);
    void FailWriting(const QString& path, const QString& reason);

    // How often `path` was written for `path`, failed calls included.
    int WriteCount(const QString& path) const;

  private:
    std::map<QString, QByteArray> mFiles;
    std::map<QString, QString> mReadFailures;
    std::map<QString, QString> mWriteFailures;
    std::map<QString, int> mWriteCounts;
};
