#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// A file system that writes nothing: every write goes to memory instead, over another file system
// that is only read. Later reads of a path see what was "written" to it, so a run on it computes
// exactly what it would compute on the real one: what `/check` and `/diff` report. Only the bytes
// of a write that would change what is there are kept; the comparison itself streams
// (FileSystem::Holds). Locks are the real ones.
class DryRunFileSystem final : public FileSystem {
  public:
    explicit DryRunFileSystem(FileSystem& real) : mReal(real) {}

    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                    FileIdentity* identity = nullptr) override;
    // Never fails: a write that the real file system could not do is not foreseen.
    Status WriteFileFrom(const QString& path, const ByteProducer& produce) override;
    bool Holds(const QString& path, const ByteProducer& produce) override;
    bool Exists(const QString& path) override;
    Status Identify(const QString& path, FileIdentity* identity) override;
    Status LockForUpdate(const QString& path, const LockWait& wait,
                         std::unique_ptr<UpdateLock>* lock) override {
        return mReal.LockForUpdate(path, wait, lock);
    }

    // The paths written so far whose bytes now differ from the real file's, in the order of
    // their first write.
    QStringList ChangedFiles();
    // What was written to `path`. REQUIRES: `path` is one of ChangedFiles().
    const QByteArray& NewContents(const QString& path) const { return *mWritten.find(path); }

  private:
    FileSystem& mReal;
    QHash<QString, QByteArray> mWritten;
    QStringList mOrder;
};
