#include "platform/DiskFileSystem.h"

#include "platform/AtomicReplace.h"
#include "platform/ComparingSink.h"
#include "platform/SteadyWaitClock.h"
#include "platform/SystemError.h"
#include "platform/TrustedPath.h"
#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <limits>

namespace {

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

// A FIFO or a device is written in place: there is nothing to rename over it, and a temporary file
// would replace the pipe or device node by a plain file.
// The bytes are gathered first: a pipe cannot take back what a producer starts over.
Status WriteInPlace(const QString& path, const WriteTarget& target, const ByteProducer& produce,
                    SaveCalls& calls) {
    ByteArraySink contents;
    if (Status produced = produce(contents); !produced.ok()) {
        return produced;
    }
    // O_NONBLOCK makes opening a FIFO that nobody reads fail with ENXIO instead of waiting for a
    // reader that may never come.
    UniqueFd fd;
    do {
        fd = UniqueFd(::openat(target.folder.get(), target.name.constData(),
                               O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW));
    } while (!fd.valid() && errno == EINTR);
    if (!fd.valid()) {
        if (errno == ENXIO && S_ISFIFO(target.existing.st_mode)) {
            return Status::PathError(
                path, QCoreApplication::translate("DiskFileSystem",
                                                  "no program is reading from this pipe"));
        }
        return ErrnoFailure(path, errno);
    }
    // Only into what was looked at: a regular file put there meanwhile would be written over
    // without being cut to the new length.
    struct stat opened;
    if (::fstat(fd.get(), &opened) != 0) {
        return ErrnoFailure(path, errno);
    }
    if (opened.st_dev != target.existing.st_dev || opened.st_ino != target.existing.st_ino) {
        return Status::PathError(
            path,
            QCoreApplication::translate("DiskFileSystem", "the file changed while it was opened"));
    }

    // Once open, wait for a slow reader like any other writer would.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) < 0) {
        return ErrnoFailure(path, errno);
    }

    int error;
    {
        SigpipeBlocker blocker;
        error = calls.WriteAll(fd.get(), contents.bytes().constData(),
                               static_cast<std::size_t>(contents.bytes().size()));
        if (error == EPIPE) {
            blocker.NoteBrokenPipe();
        }
    }
    // A close() error can be the first report of a failed write.
    const int closeError = fd.Close();
    if (error == 0) {
        error = closeError;
    }
    return error == 0 ? Status::Ok() : ErrnoFailure(path, error);
}

// True when `fd` is a regular file (the very one `expected` describes, when given) that holds
// exactly what `produce` gives.
bool FileHolds(const UniqueFd& fd, const struct stat* expected, const ByteProducer& produce) {
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        (expected && (info.st_dev != expected->st_dev || info.st_ino != expected->st_ino))) {
        return false;
    }
    ComparingSink sink(fd.get(), info.st_size);
    return produce(sink).ok() && sink.Same();
}

}  // namespace

static FileIdentity IdentityOf(const struct stat& info);  // below

// An open regular file, read from its start. It fails a read that finds it grown beyond its
// limit: reading stops one byte past the limit, so a growing file costs no more than that.
class DiskFileSystem::FileSource final : public ByteSource {
  public:
    FileSource(QString path, UniqueFd fd, const struct stat& info, qint64 maxBytes)
        : mPath(std::move(path)), mFd(std::move(fd)), mInfo(info), mMaxBytes(maxBytes) {}

    Status Read(char* buffer, std::size_t capacity, std::size_t* got) override {
        *got = 0;
        const qint64 limit =
            mMaxBytes < std::numeric_limits<qint64>::max() ? mMaxBytes + 1 : mMaxBytes;
        const auto wanted = static_cast<std::size_t>(std::min<qint64>(
            static_cast<qint64>(std::min<std::size_t>(capacity, SSIZE_MAX)), limit - mTotal));
        ssize_t read;
        do {
            read = ::read(mFd.get(), buffer, wanted);
        } while (read < 0 && errno == EINTR);
        if (read < 0) {
            return ErrnoFailure(mPath, errno);
        }
        mTotal += read;
        if (mTotal > mMaxBytes) {
            return FileTooLarge(mPath, mMaxBytes);
        }
        *got = static_cast<std::size_t>(read);
        return Status::Ok();
    }
    Status Rewind() override {
        if (::lseek(mFd.get(), 0, SEEK_SET) < 0) {
            return ErrnoFailure(mPath, errno);
        }
        mTotal = 0;
        return Status::Ok();
    }

    qint64 SizeHint() const override { return mInfo.st_size; }

    // As it was when opened: the file may grow or shrink while it is read, and some files (/proc)
    // report 0.
    const struct stat& Info() const { return mInfo; }

  private:
    QString mPath;
    UniqueFd mFd;
    struct stat mInfo;
    qint64 mMaxBytes;
    qint64 mTotal = 0;
};

Status DiskFileSystem::OpenRegularFile(const QString& path, qint64 maxBytes,
                                       std::unique_ptr<FileSource>* source) {
    maxBytes = std::max<qint64>(maxBytes, 0);
    const QByteArray native = QFile::encodeName(path);

    // Look before opening: opening a FIFO for reading would wait for a writer.
    struct stat info;
    if (::stat(native.constData(), &info) < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return FileNotFound(path);
        }
        return ErrnoFailure(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Status::PathError(
            path, QCoreApplication::translate("DiskFileSystem", "is not a regular file"));
    }
    if (info.st_size > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }

    // O_NONBLOCK still matters: the path may have been replaced by a FIFO since the stat().
    UniqueFd fd;
    do {
        fd = UniqueFd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    } while (!fd.valid() && errno == EINTR);
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return FileNotFound(path);
        }
        return ErrnoFailure(path, errno);
    }
    if (::fstat(fd.get(), &info) < 0) {
        return ErrnoFailure(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Status::PathError(
            path, QCoreApplication::translate("DiskFileSystem", "is not a regular file"));
    }
    *source = std::make_unique<FileSource>(path, std::move(fd), info, maxBytes);
    return Status::Ok();
}

// Reads what is left of `file` into `contents`, and gives the identity of the file read.
Status DiskFileSystem::ReadWhole(FileSource& file, QByteArray* contents, FileIdentity* identity) {
    if (Status read = ReadAll(file, contents); !read.ok()) {
        return read;
    }
    if (identity != nullptr) {
        *identity = IdentityOf(file.Info());
    }
    return Status::Ok();
}

Status DiskFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                FileIdentity* identity) {
    contents->clear();
    std::unique_ptr<FileSource> source;
    if (Status opened = OpenRegularFile(path, maxBytes, &source); !opened.ok()) {
        return opened;
    }
    return ReadWhole(*source, contents, identity);
}

Status DiskFileSystem::OpenFile(const QString& path, qint64 maxBytes,
                                std::unique_ptr<ByteSource>* source) {
    std::unique_ptr<FileSource> file;
    Status opened = OpenRegularFile(path, maxBytes, &file);
    *source = std::move(file);
    return opened;
}

Status DiskFileSystem::OpenTrustedFile(const QString& path, qint64 maxBytes,
                                       std::unique_ptr<ByteSource>* source) {
    UniqueFd fd;
    struct stat info;
    if (Status opened = ::OpenTrustedFile(path, &fd, &info); !opened.ok()) {
        return opened;
    }
    maxBytes = std::max<qint64>(maxBytes, 0);
    if (info.st_size > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    *source = std::make_unique<FileSource>(path, std::move(fd), info, maxBytes);
    return Status::Ok();
}

Status DiskFileSystem::ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                       FileIdentity* identity) {
    contents->clear();
    std::unique_ptr<ByteSource> source;
    if (Status opened = OpenTrustedFile(path, maxBytes, &source); !opened.ok()) {
        return opened;
    }
    return ReadWhole(static_cast<FileSource&>(*source), contents, identity);
}

Status DiskFileSystem::ReadReplacedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                        bool* linked) {
    contents->clear();
    *linked = false;
    WriteTarget target;
    if (Status status = ResolveWriteTarget(path, QFile::encodeName(path), &target); !status.ok()) {
        return status;
    }
    *linked = target.linked;
    if (!target.exists) {
        return FileNotFound(path);
    }
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    if (!S_ISREG(target.existing.st_mode)) {
        return Status::PathError(
            path, QCoreApplication::translate("DiskFileSystem", "is not a regular file"));
    }
    UniqueFd fd(::openat(target.folder.get(), target.name.constData(),
                         O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        return ErrnoFailure(path, errno);
    }
    if (info.st_dev != target.existing.st_dev || info.st_ino != target.existing.st_ino) {
        return Status::PathError(
            path,
            QCoreApplication::translate("DiskFileSystem", "the file changed while it was opened"));
    }
    maxBytes = std::max<qint64>(maxBytes, 0);
    if (info.st_size > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    FileSource source(path, std::move(fd), info, maxBytes);
    return ReadAll(source, contents);
}

Status DiskFileSystem::CheckWriteTarget(const QString& path) {
    WriteTarget target;
    return ResolveWriteTarget(path, QFile::encodeName(path), &target);
}

Status DiskFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce,
                                     FileAccess access) {
    // Found before anything is written: a folder that cannot be opened, a loop of symlinks, a
    // folder at the path, and a part of the path that another user controls are reported here. A
    // symlink counts as what it points to.
    WriteTarget target;
    if (Status status = ResolveWriteTarget(path, QFile::encodeName(path), &target); !status.ok()) {
        return status;
    }
    if (target.exists && !S_ISREG(target.existing.st_mode)) {
        return WriteInPlace(path, target, produce, Calls());
    }
    return ReplaceFileAtomically(path, target, produce, access, Calls());
}

// Through the walk of a write, and only into the file it found. O_NONBLOCK: the entry may have
// become a FIFO since it was looked at, and must not wait.
bool DiskFileSystem::Holds(const QString& path, const ByteProducer& produce) {
    WriteTarget target;
    if (!ResolveWriteTarget(path, QFile::encodeName(path), &target).ok() || !target.exists) {
        return false;
    }
    return FileHolds(UniqueFd(::openat(target.folder.get(), target.name.constData(),
                                       O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC)),
                     &target.existing, produce);
}

bool DiskFileSystem::Exists(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

static FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino), info.st_size,
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// What `path` names now, a symlink by what it points to; IsNotFound() when nothing is there.
static Status StatPath(const QString& path, struct stat* info) {
    if (::stat(QFile::encodeName(path).constData(), info) == 0) {
        return Status::Ok();
    }
    return errno == ENOENT || errno == ENOTDIR ? Status::PathNotFound(path, DescribeErrno(ENOENT))
                                               : ErrnoFailure(path, errno);
}

Status DiskFileSystem::Identify(const QString& path, FileIdentity* identity) {
    struct stat info;
    Status found = StatPath(path, &info);
    if (found.ok()) {
        *identity = IdentityOf(info);
    }
    return found;
}

Status DiskFileSystem::ModeOf(const QString& path, unsigned* mode) {
    struct stat info;
    Status found = StatPath(path, &info);
    if (found.ok()) {
        *mode = info.st_mode & 07777;
    }
    return found;
}

namespace {

class FileLock final : public UpdateLock {
  public:
    explicit FileLock(UniqueFd file) : mFile(std::move(file)) {}

  private:
    UniqueFd mFile;  // closing it releases the lock
};

// The name of the lock file of the file `name`: hidden, beside it, and never one of the
// temporaries a save makes and removes (AtomicReplace.h).
QByteArray LockFileName(const QByteArray& name) {
    return '.' + name.left(NAME_MAX - 12) + ".tervo-lock";
}

// Tries the write lock of `fd` once: 0 when taken, or the errno of the try.
int TryWriteLock(int fd) {
    struct flock whole = {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0 ? 0 : errno;
}

}  // namespace

// The lock is the write lock of an open file description (fcntl F_OFD_SETLK, F_WRLCK) on a lock
// file beside the file the path resolves to, ".<name>.tervo-lock", made with mode 0600 and never
// removed, renamed or replaced. A write lock needs a descriptor open for writing, so only the lock
// file's owner (root or the user running the program, by the trust rule) can hold it: a user who
// may only read the folder can neither make the lock file nor open it, and a flock() of the folder
// or of the settings file binds nothing here. Because a save renames its new file over the
// settings file but never touches the lock file, the lock stays exclusive across that rename: a
// lock on the settings file itself would stay with the old file, and a second save could lock the
// new one while the first still exports. The folder is that of the file the path resolves to, so
// that a symlink and its target share the lock, and it must pass the trust rule: otherwise the
// save refuses it anyway, and says why, without a lock. Where no lock file can be made (a folder
// we may not write, where no save can replace a file either) or a file system has no such locks,
// the save goes on without one. The lock cannot wait for a limited time, nor be stopped while it
// waits, so it is tried again and again, a little less often the longer it takes.
Status DiskFileSystem::LockForUpdate(const QString& path, const LockWait& wait,
                                     std::unique_ptr<UpdateLock>* lock) {
    PathEnd end;
    UniqueFd fd;
    QString folder;
    if (WalkTrustedPath(path, QFile::encodeName(path), PathUse::Write, &end).ok() &&
        end.name != ".") {
        folder = QFile::decodeName(end.folderShown);
        const QByteArray name = LockFileName(end.name);
        fd = UniqueFd(::openat(end.folder.get(), name.constData(),
                               O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                               0600));
        // ENXIO: a FIFO of that name that nobody reads, which only another user can have made.
        if (!fd.valid() && errno != EACCES && errno != EPERM && errno != EROFS && errno != ENXIO) {
            return ErrnoFailure(folder + u'/' + QFile::decodeName(name), errno);
        }
        // Another user's file of that name binds nobody: it would only let that user hold us up.
        struct stat info;
        if (fd.valid() && (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
                           info.st_nlink != 1 || !TrustedOwner(info.st_uid))) {
            fd = UniqueFd();
        }
    }
    SteadyWaitClock steadyClock;
    WaitClock& clock = wait.clock ? *wait.clock : steadyClock;
    const WaitClock::TimePoint start = clock.Now();
    bool told = false;
    std::chrono::milliseconds pause(5);
    for (int error; fd.valid() && (error = TryWriteLock(fd.get())) != 0;) {
        if (error == ENOLCK || error == EOPNOTSUPP || error == EINVAL) {
            fd = UniqueFd();  // no such locks here
            break;
        }
        if (error == EINTR) {
            continue;
        }
        if (error != EAGAIN && error != EACCES) {
            return ErrnoFailure(folder, error);
        }
        if (wait.cancelled && wait.cancelled()) {
            return Status::Cancelled(QCoreApplication::translate(
                                         "DiskFileSystem",
                                         "the wait was cancelled: another program is still "
                                         "saving there"))
                .Prefixed(folder);
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start);
        if (!told && waited >= wait.tellAfter) {
            told = true;
            if (wait.tell) {
                wait.tell(
                    QCoreApplication::translate(
                        "DiskFileSystem", "Waiting for %1: another program is saving there...")
                        .arg(folder));
            }
        }
        if (waited >= wait.giveUpAfter) {
            return Status::PathError(
                folder,
                QCoreApplication::translate("DiskFileSystem",
                                            "gave up waiting after %1 s: another program is still "
                                            "saving there")
                    .arg(QString::number(wait.giveUpAfter.count() / 1000.0, 'g', 4)));
        }
        // Never past the moment to tell or to give up.
        auto next = wait.giveUpAfter - waited;
        if (!told) {
            next = std::min(next, wait.tellAfter - waited);
        }
        clock.SleepFor(std::min(pause, next));
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
    *lock = std::make_unique<FileLock>(std::move(fd));
    return Status::Ok();
}
