#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// A file system that writes nothing, over another one that it only reads, so that a run on it
// computes what it would compute on the real one and tells what would change: what `/check` and
// `/diff` report. Each write is compared with what its path holds as the bytes are produced, and
// the bytes are then dropped, so that a run holds one file at a time. Only the bytes written to
// one of `keptPaths`, the paths the run reads or writes again after writing them, are kept, and
// later reads of such a path see them; reads of any other path see the real file. It takes no
// locks: it has nothing to protect.
class DryRunFileSystem final : public FileSystem {
  public:
    // Told of each write that would change what its path holds (the real file, or what an earlier
    // write of this run left there), before the write takes effect, so that ReadFile still gives
    // the old bytes. `after` is the new bytes, or null when they were more than the `maxBytes`
    // given to ShowChanges.
    using ChangeHandler = std::function<void(const QString& path, const QByteArray* after)>;

    DryRunFileSystem(FileSystem& real, QSet<QString> keptPaths)
        : mReal(real), mKeptPaths(std::move(keptPaths)) {}

    // Keeps the bytes of each write, up to `maxBytes`, long enough to hand them to `handler`.
    void ShowChanges(qint64 maxBytes, ChangeHandler handler) {
        mShownBytes = maxBytes;
        mShow = std::move(handler);
    }

    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                    FileIdentity* identity = nullptr) override;
    Status OpenFile(const QString& path, qint64 maxBytes,
                    std::unique_ptr<ByteSource>* source) override;
    // A path written earlier in this run is read from what was written, once the real path
    // passes the trust rule.
    Status OpenTrustedFile(const QString& path, qint64 maxBytes,
                           std::unique_ptr<ByteSource>* source) override;
    Status ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                           FileIdentity* identity = nullptr) override;
    // A path written earlier in this run gives what was written, once the real path passes the
    // checks of a write.
    Status ReadReplacedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                            bool* linked) override;
    Status CheckWriteTarget(const QString& path) override { return mReal.CheckWriteTarget(path); }
    // Fails as the real write would before it wrote a byte (CheckWriteTarget), and when `produce`
    // does; what the real one could find only on the way (a full disk) is not foreseen.
    Status WriteFileFrom(const QString& path, const ByteProducer& produce,
                         FileAccess access = {}) override;
    bool Holds(const QString& path, const ByteProducer& produce) override;
    bool Exists(const QString& path) override;
    Status Identify(const QString& path, FileIdentity* identity) override;
    // The real file's: a run that writes nothing changes no mode.
    Status ModeOf(const QString& path, unsigned* mode) override { return mReal.ModeOf(path, mode); }
    Status LockForUpdate(const QString& path, const LockWait& wait,
                         std::unique_ptr<UpdateLock>* lock) override;

    // The paths written so far whose last write differs from the real file, in the order of
    // their first write.
    QStringList ChangedFiles() const;

  private:
    struct Written {
        bool differs = false;  // from the real file
        bool kept = false;     // `bytes` holds what was written: a path of mKeptPaths
        QByteArray bytes;
    };
    const Written* KeptWrite(const QString& path) const;

    FileSystem& mReal;
    QSet<QString> mKeptPaths;
    qint64 mShownBytes = 0;
    ChangeHandler mShow;
    QByteArray mNewBytes;  // of the write under way, when they are kept
    QHash<QString, Written> mWritten;
    QStringList mOrder;
};
