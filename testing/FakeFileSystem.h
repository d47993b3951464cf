#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

// An in-memory FileSystem for tests: a map from path to bytes, with failures on demand. Error
// messages read like the disk's ("<path>: <reason>").
class FakeFileSystem : public FileSystem {
  public:
    // A file's identity: device 1 and an inode that every write (or SetFile) gives anew, like a
    // save that renames a new file over the old one; the inode doubles as the modification time.
    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                    FileIdentity* identity = nullptr) override;
    // Stores what `produce` gives unless writing `path` was made to fail; a failed write leaves
    // the old contents in place, as the disk does. A file that holds those bytes already is left
    // alone, as on the disk: its identity stays and the call does not count as a write.
    // The bytes come seven at a time, and a read after the first fails when failing midway was
    // asked for. A new file gets 0644 (a umask of 022), or 0600 for NewFileAccess::OwnerOnly; a
    // file keeps its mode unless the write sets one, also when it holds the bytes already.
    Status OpenFile(const QString& path, qint64 maxBytes,
                    std::unique_ptr<ByteSource>* source) override;
    // Every path is trusted: the trust rule is the disk's (platform/TrustedPath.h).
    Status OpenTrustedFile(const QString& path, qint64 maxBytes,
                           std::unique_ptr<ByteSource>* source) override {
        return OpenFile(path, maxBytes, source);
    }
    Status ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                           FileIdentity* identity = nullptr) override {
        return ReadFile(path, maxBytes, contents, identity);
    }
    // No path is a symlink.
    Status ReadReplacedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                            bool* linked) override {
        *linked = false;
        return ReadFile(path, maxBytes, contents);
    }
    Status CheckWriteTarget(const QString&) override { return Status::Ok(); }
    Status WriteFileFrom(const QString& path, const ByteProducer& produce,
                         FileAccess access = {}) override;
    bool Exists(const QString& path) override { return HasFile(path); }
    Status Identify(const QString& path, FileIdentity* identity) override;
    Status ModeOf(const QString& path, unsigned* mode) override;
    // A lock that locks nothing: a test runs one process.
    Status LockForUpdate(const QString&, const LockWait&,
                         std::unique_ptr<UpdateLock>* lock) override {
        *lock = std::make_unique<UpdateLock>();
        return Status::Ok();
    }

    // Keeps the mode a write gave the file, else 0644.
    void SetFile(const QString& path, const QByteArray& contents) {
        mFiles[path] = {contents, ++mLastInode, mFiles.value(path).mode};
    }
    bool HasFile(const QString& path) const { return mFiles.contains(path); }
    // The stored bytes, empty when there is no file at `path`.
    QByteArray FileContents(const QString& path) const { return mFiles.value(path).bytes; }

    // From now on reading (or writing) `path` fails with "<path>: <reason>"; an empty reason
    // makes it succeed again. The reason kOutOfMemory throws std::bad_alloc instead.
    static constexpr char kOutOfMemory[] = "out of memory";
    void FailReading(const QString& path, const QString& reason) { mReadFailures[path] = reason; }
    void FailWriting(const QString& path, const QString& reason) { mWriteFailures[path] = reason; }
    // Opening `path` works, and reading it fails after its first bytes.
    void FailReadingMidway(const QString& path, const QString& reason) {
        mMidwayFailures[path] = reason;
    }

    // How often `path` was written, failed calls included, and calls that found the bytes there
    // already not.
    int WriteCount(const QString& path) const { return mWriteCounts.value(path); }

  private:
    struct File {
        QByteArray bytes;
        quint64 inode = 0;
        unsigned mode = 0644;
    };
    QHash<QString, File> mFiles;
    QHash<QString, QString> mReadFailures, mWriteFailures, mMidwayFailures;
    QHash<QString, int> mWriteCounts;
    quint64 mLastInode = 0;
};
