#include "testing/FaultySaveCalls.h"

#include <QDir>
#include <QFile>

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ContentsOf(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

FaultySaveCalls::FaultySaveCalls(const QByteArray& folder) : mFolder(folder + '/') {
    mFlushedNames = Names();
    for (auto it = mFlushedNames.cbegin(); it != mFlushedNames.cend(); ++it) {
        mFlushed[it.value()] = ContentsOf(mFolder + it.key());
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

int FaultySaveCalls::FileOf(ino_t inode) {
    // A file made outside the saves counts as one never flushed.
    if (!mFileOfInode.contains(inode)) {
        mFileOfInode[inode] = ++mLastFile;
    }
    return mFileOfInode[inode];
}

QHash<QByteArray, int> FaultySaveCalls::Names() {
    QHash<QByteArray, int> names;
    const QDir::Filters regular = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
    for (const QString& entry : QDir(QFile::decodeName(mFolder)).entryList(regular)) {
        const QByteArray name = QFile::encodeName(entry);
        struct stat info;
        if (!name.endsWith(".tervo-lock") && ::lstat(mFolder + name, &info) == 0) {
            names[name] = FileOf(info.st_ino);
        }
    }
    return names;
}

void FaultySaveCalls::Restart(bool namesLast) {
    const QHash<QByteArray, int> now = Names();
    const QHash<QByteArray, int> names = namesLast ? now : mFlushedNames;
    // A file that is still there keeps its inode: a temporary file is known by the number in its
    // name.
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        const QByteArray from = now.key(it.value());
        if (!from.isEmpty() && from != it.key()) {
            ::rename(mFolder + from, mFolder + it.key());
        }
    }
    for (const QByteArray& name : Names().keys()) {
        if (!names.contains(name)) {
            ::unlink(mFolder + name);
        }
    }
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        QFile file(QFile::decodeName(mFolder + it.key()));
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
        mFileOfInode[info.st_ino] = ++mLastFile;  // a new file, though its inode may have been used
    }
    return fd;
}

// The model is the disk here: a real flush would only take time.
int FaultySaveCalls::DataSync(int fd) {
    if (!Go("sync")) {
        return -1;
    }
    // Read again through the file's own name in /proc: the save's descriptor is for writing.
    struct stat info;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    mFlushed[::fstat(fd, &info) == 0 ? FileOf(info.st_ino) : 0] = ContentsOf(self);
    return 0;
}

int FaultySaveCalls::FolderSync(int) {
    if (!Go("folder-sync")) {
        return -1;
    }
    mFlushedNames = Names();
    return 0;
}
