#pragma once

#include "platform/SaveCalls.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <errno.h>
#include <sys/types.h>

// The system calls of the saves into one folder, with a fault at the step a test chooses. They are
// the real ones, but for the flushes: what a flush would make last is kept by a model of the disk
// as the kernel keeps it. The bytes of a file last only once it is flushed (DataSync), and a name
// made or changed (create, link, rename, unlink) only once the folder is flushed (FolderSync);
// until then it may or may not have happened. After a crash, Restart() leaves the folder as the
// disk might hold it when the power comes back.
class FaultySaveCalls final : public SaveCalls {
  public:
    enum class Fault {
        Fail,   // the call fails with ENOSPC (a write) or EIO, and the save goes on from there
        Break,  // the call and every later one fail with EIO; what was done stays, as on a disk
                // that turned read-only
        Crash,  // as Break, and the process is taken for dead: Restart()
    };
    // Every regular file in `folder` counts as on the disk as it is now.
    explicit FaultySaveCalls(const QByteArray& folder);

    // The `step`th call from now on (1: the next) does `fault`.
    void InjectAt(int step, Fault fault) {
        mFaultAt = mCalls.size() + step;
        mFault = fault;
    }
    // The calls made so far, one word each ("create", "write", "copy", "sync", "link", "rename",
    // "folder-sync", "unlink").
    const QStringList& Calls() const { return mCalls; }
    bool Crashed() const { return mStopped && mFault == Fault::Crash; }
    // After a crash: every regular file of the folder but the lock files holds what it held when
    // last flushed (nothing, when it never was), under the names it has now when `namesLast`,
    // or under those of the folder's last flush.
    void Restart(bool namesLast);

    int CreateAt(int folder, const char* name, int flags, mode_t mode) override;
    ssize_t Write(int fd, const void* data, std::size_t size) override {
        return Go("write", ENOSPC) ? SaveCalls::Write(fd, data, size) : -1;
    }
    ssize_t CopyRange(int from, loff_t* fromAt, int to, loff_t* toAt, std::size_t size) override {
        return Go("copy", ENOSPC) ? SaveCalls::CopyRange(from, fromAt, to, toAt, size) : -1;
    }
    int DataSync(int fd) override;
    int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) override {
        return Go("link") ? SaveCalls::LinkAt(fromFolder, from, toFolder, to, flags) : -1;
    }
    int RenameAt(int folder, const char* from, const char* to) override {
        return Go("rename") ? SaveCalls::RenameAt(folder, from, to) : -1;
    }
    int FolderSync(int folder) override;
    int UnlinkAt(int folder, const char* name) override {
        return Go("unlink") ? SaveCalls::UnlinkAt(folder, name) : -1;
    }

  private:
    // Counts a call of `what`; false, with errno set, when it is to fail.
    bool Go(const char* what, int error = EIO);
    // The regular files of the folder by name, as the model knows them.
    QHash<QByteArray, int> Names();
    int FileOf(ino_t inode);

    QByteArray mFolder;
    QStringList mCalls;
    qsizetype mFaultAt = 0;
    Fault mFault = Fault::Fail;
    bool mStopped = false;  // by Break or Crash
    // A file is known by a number of its own: an inode number can come back for a new file.
    QHash<ino_t, int> mFileOfInode;
    int mLastFile = 0;
    QHash<int, QByteArray> mFlushed;       // what each file held when last flushed
    QHash<QByteArray, int> mFlushedNames;  // the folder at its last flush
};
