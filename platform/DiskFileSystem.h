#pragma once

#include "platform/FileSystem.h"
#include "platform/SaveCalls.h"

// The real disk.
class DiskFileSystem : public FileSystem {
  public:
    DiskFileSystem() = default;
    // A disk whose writes make their system calls through `calls` (a test's, to inject faults),
    // which must outlive it.
    explicit DiskFileSystem(SaveCalls& calls) : mCalls(&calls) {}

    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                    FileIdentity* identity = nullptr) override;
    Status OpenFile(const QString& path, qint64 maxBytes,
                    std::unique_ptr<ByteSource>* source) override;
    Status OpenTrustedFile(const QString& path, qint64 maxBytes,
                           std::unique_ptr<ByteSource>* source) override;
    Status ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                           FileIdentity* identity = nullptr) override;
    Status ReadReplacedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                            bool* linked) override;
    Status CheckWriteTarget(const QString& path) override;
    Status WriteFileFrom(const QString& path, const ByteProducer& produce,
                         FileAccess access = {}) override;
    bool Holds(const QString& path, const ByteProducer& produce) override;
    bool Exists(const QString& path) override;
    Status Identify(const QString& path, FileIdentity* identity) override;
    Status ModeOf(const QString& path, unsigned* mode) override;
    // A write lock on a lock file beside the file the path resolves to; see the definition.
    Status LockForUpdate(const QString& path, const LockWait& wait,
                         std::unique_ptr<UpdateLock>* lock) override;

  private:
    SaveCalls& Calls() { return mCalls ? *mCalls : mRealCalls; }

    class FileSource;
    static Status OpenRegularFile(const QString& path, qint64 maxBytes,
                                  std::unique_ptr<FileSource>* source);
    static Status ReadWhole(FileSource& file, QByteArray* contents, FileIdentity* identity);

    SaveCalls mRealCalls;
    SaveCalls* mCalls = nullptr;  // null: mRealCalls
};
