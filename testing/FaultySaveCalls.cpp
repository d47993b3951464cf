#include "testing/FaultySaveCalls.h"

#include <QFile>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

QByteArray ContentsOf(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

FaultySaveCalls::FaultySaveCalls(const QByteArray& folder) : mFolder(folder) {
    mFlushedNames = Names();
    for (auto it = mFlushedNames.cbegin(); it != mFlushedNames.cend(); ++it) {
        mFlushed[it.value()] = ContentsOf(mFolder + '/' + it.key());
    }
}

bool FaultySaveCalls::Go(const char* what, int error) {
    mCalls << QString::fromLatin1(what);
    if (mCalls.size() == mFaultAt) {
        mStopped = mFault != Fault::Fail;
        errno = mStopped ? EIO : error;
        return false;
    }
    errno = EIO;
    return !mStopped;
}

QHash<QByteArray, int> FaultySaveCalls::Names() {
    QHash<QByteArray, int> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(mFolder.constData()), ::closedir);
    while (const dirent* entry = folder ? ::readdir(folder.get()) : nullptr) {
        const QByteArray name = entry->d_name;
        struct stat info;
        if (::fstatat(dirfd(folder.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && !name.endsWith(".tervo-lock")) {
            // A file made outside the saves counts as one never flushed.
            if (!mFileOfInode.contains(info.st_ino)) {
                mFileOfInode[info.st_ino] = ++mLastFile;
            }
            names[name] = mFileOfInode[info.st_ino];
        }
    }
    return names;
}

int FaultySaveCalls::FileOf(int fd) {
    struct stat info;
    return ::fstat(fd, &info) == 0 ? mFileOfInode.value(info.st_ino) : 0;
}

void FaultySaveCalls::Restart(bool namesLast) {
    const QByteArray folder = mFolder + '/';
    const QHash<QByteArray, int> now = Names();
    const QHash<QByteArray, int> names = namesLast ? now : mFlushedNames;
    // A file that is still there keeps its inode: a temporary file is known by the number in its
    // name.
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        const QByteArray from = now.key(it.value());
        if (!from.isEmpty() && from != it.key()) {
            ::rename((folder + from).constData(), (folder + it.key()).constData());
        }
    }
    for (const QByteArray& name : Names().keys()) {
        if (!names.contains(name)) {
            ::unlink((folder + name).constData());
        }
    }
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        QFile file(QFile::decodeName(folder + it.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(mFlushed.value(it.value())) < 0) {
            qFatal("the folder could not be restarted");
        }
    }
    mStopped = false;
}

int FaultySaveCalls::CreateAt(int folder, const char* name, int flags, mode_t mode) {
    if (!Go("create")) {
        return -1;
    }
    const int fd = SaveCalls::CreateAt(folder, name, flags, mode);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0) {
        // A new file, though its inode number may have been another's.
        mFileOfInode[info.st_ino] = ++mLastFile;
    }
    return fd;
}

ssize_t FaultySaveCalls::Write(int fd, const void* data, std::size_t size) {
    return Go("write", ENOSPC) ? SaveCalls::Write(fd, data, size) : -1;
}

ssize_t FaultySaveCalls::CopyRange(int from, loff_t* fromOffset, int to, loff_t* toOffset,
                                   std::size_t size) {
    return Go("copy", ENOSPC) ? SaveCalls::CopyRange(from, fromOffset, to, toOffset, size) : -1;
}

int FaultySaveCalls::DataSync(int fd) {
    // The model is the disk here: a real flush would only take time.
    if (!Go("sync")) {
        return -1;
    }
    // Read again through the file's own name in /proc: the save's descriptor is for writing.
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    mFlushed[FileOf(fd)] = ContentsOf(self);
    return 0;
}

int FaultySaveCalls::LinkAt(int fromFolder, const char* from, int toFolder, const char* to,
                            int flags) {
    return Go("link") ? SaveCalls::LinkAt(fromFolder, from, toFolder, to, flags) : -1;
}

int FaultySaveCalls::RenameAt(int folder, const char* from, const char* to) {
    return Go("rename") ? SaveCalls::RenameAt(folder, from, to) : -1;
}

int FaultySaveCalls::FolderSync(int) {
    if (!Go("folder-sync")) {
        return -1;
    }
    mFlushedNames = Names();
    return 0;
}

int FaultySaveCalls::UnlinkAt(int folder, const char* name) {
    return Go("unlink") ? SaveCalls::UnlinkAt(folder, name) : -1;
}
