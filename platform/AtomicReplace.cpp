#include "platform/AtomicReplace.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <QRandomGenerator>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kRandomCharacters = 6;
constexpr int kMaxSymlinkHops = 40;
// Written data is handed to the disk in steps of this size while the file is produced.
constexpr off_t kWritebackStep = off_t{8} << 20;

QByteArray DirectoryOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray NameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// The file that writing `path` is meant to replace: `path` itself, or what its chain of symlinks
// ends in (which need not exist yet). Returns 0 or an errno.
int FollowSymlinks(const QByteArray& path, QByteArray* target) {
    QByteArray current = path;
    for (int hop = 0; hop <= kMaxSymlinkHops; ++hop) {
        struct stat info;
        if (::lstat(current.constData(), &info) != 0) {
            if (errno != ENOENT) {
                return errno;
            }
            *target = current;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            *target = current;
            return 0;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(current.constData(), link.data(), PATH_MAX);
        if (length < 0) {
            return errno;
        }
        if (length >= PATH_MAX) {
            return ENAMETOOLONG;
        }
        link.truncate(length);
        current = link.startsWith('/') ? link : DirectoryOf(current) + '/' + link;
    }
    return ELOOP;
}

// The prefix of the temporary files of the file named `name`.
QByteArray TemporaryPrefix(const QByteArray& name) {
    // A file name has at most NAME_MAX bytes: ".", ".tervo-" and the random part take 14.
    return '.' + name.left(NAME_MAX - 8 - kRandomCharacters) + ".tervo-";
}

bool IsTemporaryName(const QByteArray& name, const QByteArray& prefix) {
    if (name.size() != prefix.size() + kRandomCharacters || !name.startsWith(prefix)) {
        return false;
    }
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

QByteArray TemporaryName(const QByteArray& prefix) {
    static constexpr char kAlphabet[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray name = prefix;
    for (int i = 0; i < kRandomCharacters; ++i) {
        name += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)];
    }
    return name;
}

// Removes the temporaries of `prefix` in `directory` that no save holds. A save locks its
// temporary before the file has a name and keeps the lock until the name is gone, so a lock that
// can be had means the save is over: it was killed between naming the file and renaming it.
void RemoveStaleTemporaries(const QByteArray& directory, const QByteArray& prefix) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(directory.constData()), ::closedir);
    if (!listing) {
        return;  // a folder we cannot list; the save itself will say what is wrong with it
    }
    while (const dirent* entry = ::readdir(listing.get())) {
        const QByteArray name(entry->d_name);
        if (!IsTemporaryName(name, prefix)) {
            continue;
        }
        const QByteArray path = directory + '/' + name;
        struct stat named;
        if (::lstat(path.constData(), &named) != 0 || !S_ISREG(named.st_mode)) {
            continue;
        }
        // A lock needs an open file; one made for a write-only target may not open for reading.
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        UniqueFd file(::open(path.constData(), O_RDONLY | kFlags));
        if (!file.valid() && errno == EACCES) {
            file = UniqueFd(::open(path.constData(), O_WRONLY | kFlags));
        }
        struct stat opened;
        if (!file.valid() || ::fstat(file.get(), &opened) != 0 ||
            ::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // Only while the name still names the file that is locked.
        if (::lstat(path.constData(), &named) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev) {
            ::unlink(path.constData());
        }
    }
}

// The bytes go straight to the temporary file.
class FileSink final : public ByteSink {
  public:
    explicit FileSink(int fd) : mFd(fd) {}

    bool Append(const char* data, std::size_t size) override {
        if (mError == 0) {
            mError = WriteAll(mFd, data, size);
        }
        if (mError != 0) {
            return false;
        }
        mWritten += static_cast<off_t>(size);
        StartWriteback();
        return true;
    }

    bool Restart() override {
        if (mError == 0 && (::ftruncate(mFd, 0) != 0 || ::lseek(mFd, 0, SEEK_SET) != 0)) {
            mError = errno;
        }
        mWritten = 0;
        mQueued = 0;
        return mError == 0;
    }

    int error() const { return mError; }

  private:
    // Starts writing what has come so far to the disk, so that the flush at the end finds most of
    // a large file there already. Only a hint: the flush reports any failure.
    void StartWriteback() {
#if defined(__linux__)
        if (mWritten - mQueued >= kWritebackStep) {
            ::sync_file_range(mFd, mQueued, mWritten - mQueued, SYNC_FILE_RANGE_WRITE);
            mQueued = mWritten;
        }
#endif
    }

    int mFd;
    int mError = 0;
    off_t mWritten = 0;
    off_t mQueued = 0;
};

// The temporary file of one save: open and locked, then named, then renamed over the target. Until
// that rename has happened, its name is removed when it goes.
class Temporary {
  public:
    Temporary(QByteArray directory, QByteArray prefix)
        : mDirectory(std::move(directory)), mPrefix(std::move(prefix)) {}
    ~Temporary() {
        if (!mPath.isEmpty()) {
            ::unlink(mPath.constData());
        }
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return mFd.get(); }

    // Creates the file, without a name where the system allows it. Returns 0 or an errno.
    int Open() {
#if defined(O_TMPFILE)
        mFd = UniqueFd(::open(mDirectory.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (mFd.valid()) {
            Lock();
            return 0;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return errno;
        }
        // The file system has no unnamed files: a named one, locked at once.
#endif
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray path = mDirectory + '/' + TemporaryName(mPrefix);
            mFd = UniqueFd(::open(path.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (mFd.valid()) {
                mPath = path;
                Lock();
                return 0;
            }
            if (errno != EEXIST && errno != EINTR) {
                return errno;
            }
        }
        return EEXIST;
    }

    // Gives an unnamed file its name in the folder. Returns 0 or an errno.
    int Name() {
        if (!mPath.isEmpty()) {
            return 0;
        }
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", mFd.get());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray path = mDirectory + '/' + TemporaryName(mPrefix);
            int result = ::linkat(AT_FDCWD, self, AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW);
#if defined(AT_EMPTY_PATH)
            if (result != 0 && errno == ENOENT) {
                // Without /proc only a privileged process can link the descriptor itself.
                result = ::linkat(mFd.get(), "", AT_FDCWD, path.constData(), AT_EMPTY_PATH);
            }
#endif
            if (result == 0) {
                mPath = path;
                return 0;
            }
            if (errno != EEXIST && errno != EINTR) {
                return errno;
            }
        }
        return EEXIST;
    }

    // Renames the file over `target`. Returns 0 or an errno.
    int RenameOver(const QByteArray& target) {
        if (::rename(mPath.constData(), target.constData()) != 0) {
            return errno;
        }
        mPath.clear();
        return 0;
    }

  private:
    // Tells the saves that clean up that this file is in use. Where the file system has no locks
    // the save goes on; a concurrent save of the same file could then take the temporary for a
    // stale one, and this save would fail on the rename instead of replacing the target.
    void Lock() {
        ::flock(mFd.get(), LOCK_EX | LOCK_NB);
    }

    QByteArray mDirectory;
    QByteArray mPrefix;
    UniqueFd mFd;
    QByteArray mPath;  // empty while the file has no name, and once it is renamed
};

// Gives the new file the owner (where we may) and the permission bits of the one it replaces.
int KeepOwnerAndMode(int fd, const struct stat& existing) {
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
        // Only a privileged process may give a file away; others keep their own.
        (void)::fchown(fd, existing.st_uid, existing.st_gid);
    }
    return ::fchmod(fd, existing.st_mode & 07777) == 0 ? 0 : errno;
}

// Makes the rename itself durable. Not every file system can flush a folder; the file's data
// is on the disk already, so a failure here is not reported.
void SyncDirectory(const QByteArray& directory) {
    const UniqueFd folder(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        (void)::fsync(folder.get());
    }
}

}  // namespace

Status ReplaceFileAtomically(const QString& path, const QByteArray& native,
                             const ByteProducer& produce) {
    QByteArray target;
    if (const int error = FollowSymlinks(native, &target); error != 0) {
        return ErrnoFailure(path, error);
    }
    struct stat existing;
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && ::access(target.constData(), W_OK) != 0) {
        return ErrnoFailure(path, errno);  // a file its owner made read-only stays so
    }

    const QByteArray directory = DirectoryOf(target);
    const QByteArray prefix = TemporaryPrefix(NameOf(target));
    RemoveStaleTemporaries(directory, prefix);

    Temporary temporary(directory, prefix);
    if (const int error = temporary.Open(); error != 0) {
        return ErrnoFailure(path, error);
    }
    if (exists) {
        if (const int error = KeepOwnerAndMode(temporary.fd(), existing); error != 0) {
            return ErrnoFailure(path, error);
        }
    }
    FileSink sink(temporary.fd());
    produce(sink);
    if (sink.error() != 0) {
        return ErrnoFailure(path, sink.error());
    }
    if (::fdatasync(temporary.fd()) != 0) {
        return ErrnoFailure(path, errno);
    }
    if (const int error = temporary.Name(); error != 0) {
        return ErrnoFailure(path, error);
    }
    if (const int error = temporary.RenameOver(target); error != 0) {
        return ErrnoFailure(path, error);
    }
    SyncDirectory(directory);
    return Status::Ok();
}
