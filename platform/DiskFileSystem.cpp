#include "DiskFileSystem.h"

#include "MemoryHints.h"
#include "SystemError.h"

#include <QFile>
#include <QSaveFile>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <limits>

namespace {

Status Failure(const QString& path, const QString& reason) {
    return Status::Error(path + QStringLiteral(": ") + reason);
}

Status ErrnoFailure(const QString& path, int errorNumber) {
    return Failure(path, DescribeErrno(errorNumber));
}

// Closes the descriptor when the scope ends; the read path has nothing useful to do with an error
// from close().
class FdCloser {
  public:
    explicit FdCloser(int fd) : mFd(fd) {}
    ~FdCloser() {
        if (mFd >= 0) {
            ::close(mFd);
        }
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

  private:
    int mFd;
};

Status TooLarge(const QString& path, qint64 maxBytes) {
    return Failure(path, QStringLiteral("the file is larger than %1 bytes").arg(maxBytes));
}

// Writing to a pipe whose reader has gone raises SIGPIPE, which would end the whole program. While
// this guard lives, SIGPIPE is blocked for the calling thread only, so write() fails with EPIPE
// instead; a SIGPIPE that the guarded writes caused is taken off the pending set before the old
// mask comes back. One that was already pending is left for the program to receive.
class SigpipeBlocker {
  public:
    SigpipeBlocker() {
        sigemptyset(&mSet);
        sigaddset(&mSet, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        mWasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &mSet, &mOldMask);
    }
    ~SigpipeBlocker() {
        if (mCausedSigpipe && !mWasPending) {
            const timespec noWait = {0, 0};
            while (sigtimedwait(&mSet, nullptr, &noWait) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &mOldMask, nullptr);
    }
    SigpipeBlocker(const SigpipeBlocker&) = delete;
    SigpipeBlocker& operator=(const SigpipeBlocker&) = delete;

    void NoteBrokenPipe() { mCausedSigpipe = true; }

  private:
    sigset_t mSet;
    sigset_t mOldMask;
    bool mWasPending = false;
    bool mCausedSigpipe = false;
};

// Writes all of `contents` to `fd`, retrying short writes and interruptions. Returns 0 or the errno
// of the failing write.
int WriteAll(int fd, const QByteArray& contents, SigpipeBlocker* blocker) {
    const char* data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EPIPE) {
                blocker->NoteBrokenPipe();
            }
            return errno;
        }
        if (written == 0) {
            return EIO;  // not expected from write(); never loop on it
        }
        data += written;
        left -= written;
    }
    return 0;
}

// A FIFO or a device is written in place: there is nothing to rename over it, and a temporary file
// would replace the pipe or device node by a plain file.
Status WriteInPlace(const QString& path, const QByteArray& native, bool isFifo,
                    const QByteArray& contents) {
    // O_NONBLOCK makes opening a FIFO that nobody reads fail with ENXIO instead of waiting for a
    // reader that may never come.
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENXIO && isFifo) {
            return Failure(path, QStringLiteral("no program is reading from this pipe"));
        }
        return ErrnoFailure(path, errno);
    }

    // Once open, wait for a slow reader like any other writer would.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int error = errno;
        ::close(fd);
        return ErrnoFailure(path, error);
    }

    int error;
    {
        SigpipeBlocker blocker;
        error = WriteAll(fd, contents, &blocker);
    }
    // A close() error can be the first report of a failed write; EINTR leaves the descriptor
    // closed on Linux, so it is not retried.
    if (::close(fd) < 0 && error == 0 && errno != EINTR) {
        error = errno;
    }
    return error == 0 ? Status::Ok() : ErrnoFailure(path, error);
}

// The reason a QSaveFile call failed. Qt reports a short write as success of fewer bytes without
// an error, so the errno left by the failing system call (cleared before the Qt call) comes first.
QString SaveFailureReason(const QSaveFile& file, int savedErrno) {
    if (savedErrno != 0) {
        return DescribeErrno(savedErrno);
    }
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty()) {
        return file.errorString();
    }
    return QStringLiteral("the file could not be written completely");
}

Status WriteAtomically(const QString& path, const QByteArray& contents) {
    // QSaveFile writes a temporary file beside the target (following a symlink to the file it
    // names), gives it the target's permission bits, and renames it over the target in commit().
    // Qt 6.4's commit() does not notice a short or failed write that happened while flushing, and
    // would rename a truncated file over the good one: so every step is checked here, and any
    // failure discards the temporary file before commit() is reached.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        return Failure(path, SaveFailureReason(file, errno));
    }
    if (!contents.isEmpty()) {
        errno = 0;
        const qint64 written = file.write(contents);
        const int writeErrno = errno;
        if (written != contents.size()) {
            file.cancelWriting();  // the destructor removes the temporary file
            return Failure(path, SaveFailureReason(file, writeErrno));
        }
    }
    errno = 0;
    if (!file.flush()) {
        const int flushErrno = errno;
        file.cancelWriting();
        return Failure(path, SaveFailureReason(file, flushErrno));
    }
    errno = 0;
    if (!file.commit()) {
        // commit() has removed the temporary file itself.
        return Failure(path, SaveFailureReason(file, errno));
    }
    return Status::Ok();
}

}  // namespace

Status DiskFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) {
    contents->clear();
    maxBytes = std::max<qint64>(maxBytes, 0);
    const QByteArray native = QFile::encodeName(path);

    // Look before opening: opening a FIFO for reading would wait for a writer.
    struct stat info;
    if (::stat(native.constData(), &info) < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return Status::NotFound(path + QStringLiteral(": ") + DescribeErrno(ENOENT));
        }
        return ErrnoFailure(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure(path, QStringLiteral("is not a regular file"));
    }
    if (info.st_size > maxBytes) {
        return TooLarge(path, maxBytes);
    }

    // O_NONBLOCK still matters: the path may have been replaced by a FIFO since the stat().
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return Status::NotFound(path + QStringLiteral(": ") + DescribeErrno(ENOENT));
        }
        return ErrnoFailure(path, errno);
    }
    FdCloser closer(fd);
    if (::fstat(fd, &info) < 0) {
        return ErrnoFailure(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure(path, QStringLiteral("is not a regular file"));
    }

    // The size is only a hint: the file may grow or shrink while it is read, and some files
    // (/proc) report 0. Reading stops at end of file or one byte past the limit, whichever is
    // first, so a growing file costs at most maxBytes + 1 bytes of memory.
    const qint64 limit = maxBytes < std::numeric_limits<qint64>::max() ? maxBytes + 1 : maxBytes;
    const qint64 chunk = 64 * 1024;
    QByteArray data;
    data.resize(std::min<qint64>(limit, std::max<qint64>(info.st_size + 1, chunk)));
    PreferHugePages(data.data(), static_cast<size_t>(data.size()));
    qint64 total = 0;
    while (total < limit) {
        if (total == data.size()) {
            data.resize(std::min<qint64>(limit, std::max(total * 2, total + chunk)));
        }
        const ssize_t got =
            ::read(fd, data.data() + total, static_cast<size_t>(data.size() - total));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrnoFailure(path, errno);
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    if (total > maxBytes) {
        return TooLarge(path, maxBytes);
    }
    data.truncate(total);
    *contents = std::move(data);
    return Status::Ok();
}

Status DiskFileSystem::WriteFile(const QString& path, const QByteArray& contents) {
    const QByteArray native = QFile::encodeName(path);
    // stat(), not lstat(): a symlink counts as what it points to.
    struct stat info;
    if (::stat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return ErrnoFailure(path, EISDIR);
        }
        if (!S_ISREG(info.st_mode)) {
            return WriteInPlace(path, native, S_ISFIFO(info.st_mode), contents);
        }
    } else if (errno != ENOENT) {
        // ENOTDIR (a parent is a file), ELOOP, EACCES: QSaveFile would only fail later and
        // less clearly.
        return ErrnoFailure(path, errno);
    }
    return WriteAtomically(path, contents);
}

bool DiskFileSystem::Exists(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}
