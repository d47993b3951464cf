#include "platform/AtomicReplace.h"

#include "platform/ComparingSink.h"
#include "platform/SystemError.h"
#include "platform/TrustedPath.h"
#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kInodeDigits = 16;
constexpr int kRandomCharacters = 6;
// Written data is handed to the disk in steps of this size while the file is produced.
constexpr off_t kWritebackStep = off_t{8} << 20;

// Opens the folder a save of `path` works in, `end.folder`, for reading where it can, so that it
// can be listed and flushed; a folder we may write but not read stays open as a path.
Status OpenForSaving(const QString& path, PathEnd& end, WriteTarget* target) {
    target->folderInfo = end.folderInfo;
    target->folder = UniqueFd(::openat(end.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    target->pathOnly = !target->folder.valid();
    if (target->pathOnly) {
        if (errno != EACCES) {
            return ErrnoFailure(path, errno);
        }
        target->folder = std::move(end.folder);
    }
    return Status::Ok();
}

}  // namespace

Status ResolveWriteTarget(const QString& path, const QByteArray& native, WriteTarget* target) {
    PathEnd end;
    if (Status walked = WalkTrustedPath(path, native, PathUse::Write, &end); !walked.ok()) {
        return walked;
    }
    if (end.exists && S_ISDIR(end.entry.st_mode)) {
        return ErrnoFailure(path, EISDIR);
    }
    // Another user's file in a shared folder may have been planted there, to make the save write
    // where that user may not (a FIFO, a hard link) or to keep that user's owner and mode on what
    // the save writes; a hard link there, to show what a file only we may read holds.
    if (end.exists) {
        const EntryFacts facts = FactsOf(end.entry);
        if (const Distrust why =
                Distrusted(facts, EntryRole::Replaced, end.folderShared, end.runner);
            why.kind != Distrust::Kind::None) {
            return Refusal(end.shown, facts, EntryRole::Replaced, PathUse::Write, why);
        }
    }
    target->shared = end.folderShared;
    if (Status opened = OpenForSaving(path, end, target); !opened.ok()) {
        return opened;
    }
    target->name = end.name;
    target->exists = end.exists;
    target->existing = end.entry;
    target->linked = end.linked;
    return Status::Ok();
}

namespace {

// The start of the names of the temporary files of the file named `name`.
QByteArray TemporaryPrefix(const QByteArray& name) {
    // A file name has at most NAME_MAX bytes; ".", ".tervo-" and the rest take 31.
    return '.' + name.left(NAME_MAX - 9 - kInodeDigits - kRandomCharacters) + ".tervo-";
}

// The name of a temporary file of `prefix` whose inode is `inode`, with a random part, so that
// nobody can take its name before it has one.
QByteArray TemporaryName(const QByteArray& prefix, ino_t inode) {
    static constexpr char kAlphabet[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray name =
        prefix + QByteArray::number(quint64(inode), 16).rightJustified(kInodeDigits, '0') + '-';
    for (int i = 0; i < kRandomCharacters; ++i) {
        name += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)];
    }
    return name;
}

// The inode number that `name` says its file has, when it is named like a temporary file of
// `prefix`.
std::optional<ino_t> InodeInName(const QByteArray& name, const QByteArray& prefix) {
    const qsizetype at = prefix.size();
    if (name.size() != at + kInodeDigits + 1 + kRandomCharacters || !name.startsWith(prefix) ||
        name[at + kInodeDigits] != '-') {
        return std::nullopt;
    }
    const QByteArray digits = name.mid(at, kInodeDigits);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); })) {
        return std::nullopt;
    }
    return ino_t(digits.toULongLong(nullptr, 16));
}

// Removes the temporary files of `prefix` in the target's folder that a killed save left: named
// like one, named after their own inode, which no file a person made or copied is, and held by no
// save. A save locks its temporary before the file has a name and keeps the lock until the name
// is gone, so a lock that can be had means the save is over: it was killed between naming the
// file and renaming it. In a shared folder only the effective user's are taken.
void RemoveStaleTemporaries(const WriteTarget& target, const QByteArray& prefix, SaveCalls& calls) {
    const int folder = target.folder.get();
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(listed >= 0 ? ::fdopendir(listed) : nullptr,
                                                      ::closedir);
    if (!listing) {
        if (listed >= 0) {
            ::close(listed);
        }
        return;  // a folder we cannot list; the save itself will say what is wrong with it
    }
    const bool shared = target.shared;
    while (const dirent* entry = ::readdir(listing.get())) {
        const QByteArray name(entry->d_name);
        const std::optional<ino_t> inode = InodeInName(name, prefix);
        if (!inode) {
            continue;
        }
        // A lock needs an open file; one made for a write-only target may not open for reading.
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        UniqueFd file(::openat(folder, name.constData(), O_RDONLY | kFlags));
        if (!file.valid() && errno == EACCES) {
            file = UniqueFd(::openat(folder, name.constData(), O_WRONLY | kFlags));
        }
        struct stat opened;
        if (!file.valid() || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            opened.st_ino != *inode || (shared && opened.st_uid != ::geteuid()) ||
            ::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // Only while the name still names the file that is locked.
        struct stat named;
        if (::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev) {
            calls.UnlinkAt(folder, name.constData());
        }
    }
}

// The temporary file of one save in the open folder `folder`: open and locked, then named, then
// renamed over the target. Until that rename has happened, its name is removed when it goes.
// Failures name the file the save replaces, `path`, which must outlive the temporary file, as
// `calls` must.
class Temporary {
  public:
    Temporary(const QString& path, int folder, QByteArray prefix, SaveCalls& calls)
        : mPath(path), mFolder(folder), mPrefix(std::move(prefix)), mCalls(calls) {}
    ~Temporary() {
        if (!mName.isEmpty()) {
            mCalls.UnlinkAt(mFolder, mName.constData());
        }
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return mFd.get(); }

    // Creates the file with the permission bits `mode` (less the umask), without a name where the
    // system allows it.
    Status Open(mode_t mode) {
#if defined(O_TMPFILE)
        mFd = UniqueFd(mCalls.CreateAt(mFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (mFd.valid()) {
            Lock();
            return Status::Ok();
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return ErrnoFailure(mPath, errno);
        }
#endif
        // The file system has no unnamed files: a named one, locked at once and renamed after
        // its inode. Until then it is named after inode 0, which is no file's, so that a save
        // killed before that rename leaves a file that is never taken for a stale temporary.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = TemporaryName(mPrefix, 0);
            mFd = UniqueFd(mCalls.CreateAt(mFolder, name.constData(),
                                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                           mode));
            if (mFd.valid()) {
                mName = name;
                Lock();
                struct stat info;
                if (::fstat(mFd.get(), &info) != 0) {
                    return ErrnoFailure(mPath, errno);
                }
                const QByteArray marked = TemporaryName(mPrefix, info.st_ino);
                if (mCalls.RenameAt(mFolder, mName.constData(), marked.constData()) == 0) {
                    mName = marked;
                }
                return Status::Ok();
            }
            if (errno != EEXIST && errno != EINTR) {
                return ErrnoFailure(mPath, errno);
            }
        }
        return ErrnoFailure(mPath, EEXIST);
    }

    // Gives an unnamed file its name in the folder.
    Status Name() {
        if (!mName.isEmpty()) {
            return Status::Ok();
        }
        struct stat info;
        if (::fstat(mFd.get(), &info) != 0) {
            return ErrnoFailure(mPath, errno);
        }
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", mFd.get());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = TemporaryName(mPrefix, info.st_ino);
            int result =
                mCalls.LinkAt(AT_FDCWD, self, mFolder, name.constData(), AT_SYMLINK_FOLLOW);
#if defined(AT_EMPTY_PATH)
            if (result != 0 && errno == ENOENT) {
                // Without /proc only a privileged process can link the descriptor itself.
                result = mCalls.LinkAt(mFd.get(), "", mFolder, name.constData(), AT_EMPTY_PATH);
            }
#endif
            if (result == 0) {
                mName = name;
                return Status::Ok();
            }
            if (errno != EEXIST && errno != EINTR) {
                return ErrnoFailure(mPath, errno);
            }
        }
        return ErrnoFailure(mPath, EEXIST);
    }

    // Renames the file over `target` in the same folder.
    Status RenameOver(const QByteArray& target) {
        if (mCalls.RenameAt(mFolder, mName.constData(), target.constData()) != 0) {
            return ErrnoFailure(mPath, errno);
        }
        mName.clear();
        return Status::Ok();
    }

  private:
    // Tells the saves that clean up that this file is in use. Where the file system has no locks
    // the save goes on; a concurrent save of the same file could then take the temporary for a
    // stale one, and this save would fail on the rename instead of replacing the target.
    void Lock() {
        ::flock(mFd.get(), LOCK_EX | LOCK_NB);
    }

    const QString& mPath;
    int mFolder;
    QByteArray mPrefix;
    SaveCalls& mCalls;
    UniqueFd mFd;
    QByteArray mName;  // empty while the file has no name, and once it is renamed
};

// Gives the new file the owner (where we may) of the file `path` it replaces, if one exists, and
// the permission bits `mode`.
Status KeepOwner(const QString& path, int fd, const WriteTarget& target, mode_t mode) {
    const struct stat& existing = target.existing;
    if (target.exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
        // Only a privileged process may give a file away; for others the new file stays their
        // own, which does not fail the save.
        [[maybe_unused]] const int given = ::fchown(fd, existing.st_uid, existing.st_gid);
    }
    return ::fchmod(fd, mode) == 0 ? Status::Ok() : ErrnoFailure(path, errno);
}

// The failure of a save whose old file `path` was changed by someone else while the save read it.
Status ChangedWhileRead(const QString& path) {
    return Status::PathError(
        path, QCoreApplication::translate("AtomicReplace",
                                          "another program changed the file while it was read, so "
                                          "it was not replaced"));
}

// Copies the first `length` bytes of `from`, the old file `path`, to the start of `to` and leaves
// `to`'s offset after them, through `calls`. Fails with ChangedWhileRead when `from` holds fewer
// bytes.
Status CopyStart(const QString& path, int from, int to, off_t length, SaveCalls& calls) {
    loff_t in = 0;
    loff_t out = 0;
    // In the kernel first: the file system may share the blocks instead of copying them.
    while (in < length) {
        const ssize_t copied = calls.CopyRange(from, &in, to, &out, std::size_t(length - in));
        if (copied == 0) {
            return ChangedWhileRead(path);
        }
        if (copied < 0 && errno != EINTR) {
            if (in == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                break;  // not between these files: through a buffer instead
            }
            return ErrnoFailure(path, errno);
        }
    }
    std::vector<char> buffer(in < length ? std::size_t{256} << 10 : 0);
    while (in < length) {
        const ssize_t got =
            ::pread(from, buffer.data(), std::min<std::size_t>(buffer.size(), length - in), in);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return got == 0 ? ChangedWhileRead(path) : ErrnoFailure(path, errno);
        }
        if (::lseek(to, in, SEEK_SET) < 0) {
            return ErrnoFailure(path, errno);
        }
        if (const int error = calls.WriteAll(to, buffer.data(), std::size_t(got)); error != 0) {
            return ErrnoFailure(path, error);
        }
        in += got;
    }
    return ::lseek(to, length, SEEK_SET) < 0 ? ErrnoFailure(path, errno) : Status::Ok();
}

// Whether the file that `then` described is still that version in `now`: a write changes its
// modification time, and a change of the times themselves the time of its last change.
bool SameVersion(const struct stat& then, const struct stat& now) {
    return now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec &&
           now.st_ctim.tv_sec == then.st_ctim.tv_sec && now.st_ctim.tv_nsec == then.st_ctim.tv_nsec;
}

// Where the bytes of a save go. While they equal the start of the file being replaced they are
// only compared with it; at the first difference (or when the file goes on beyond them) the
// temporary file is made, the equal start copied into it from the old file, and from then on the
// bytes are written to it. So a save that changes nothing creates no file and needs neither room
// nor the right to write, and one that changes something runs its producer once all the same.
class Replacement final : public ByteSink {
  public:
    Replacement(const QString& path, const WriteTarget& target, const FileAccess& access,
                SaveCalls& calls)
        : mPath(path),
          mTarget(target),
          mCalls(calls),
          mPrefix(TemporaryPrefix(target.name)),
          mNewFileMode(access.mode                                  ? mode_t(*access.mode & 0777)
                       : access.newFile == NewFileAccess::OwnerOnly ? 0600
                                                                    : 0666),
          mSetMode(access.mode.has_value()) {
        if (!target.exists) {
            return;
        }
        // The old file, in its open folder and only while it is the file that was looked at.
        mExisting = UniqueFd(::openat(target.folder.get(), target.name.constData(),
                                      O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW));
        if (mExisting.valid() && ::fstat(mExisting.get(), &mExistingInfo) == 0 &&
            S_ISREG(mExistingInfo.st_mode) && mExistingInfo.st_dev == target.existing.st_dev &&
            mExistingInfo.st_ino == target.existing.st_ino) {
            mComparison.emplace(mExisting.get(), mExistingInfo.st_size);
            mComparing = true;
        }
    }

    bool Append(const char* data, std::size_t size) override {
        if (!mFailure.ok()) {
            return false;
        }
        if (mComparing) {
            if (mComparison->Append(data, size)) {
                mProduced += off_t(size);
                return true;
            }
            mComparing = false;  // differs: from here on an ordinary write
        }
        if (!mWriting && !StartWriting()) {
            return false;
        }
        if (const int error = mCalls.WriteAll(mTemporary->fd(), data, size); error != 0) {
            return Fail(ErrnoFailure(mPath, error));
        }
        mProduced += off_t(size);
        StartWriteback();
        return true;
    }

    bool Restart() override {
        if (!mFailure.ok()) {
            return false;
        }
        if (mTemporary && (::ftruncate(mTemporary->fd(), 0) != 0 ||
                           ::lseek(mTemporary->fd(), 0, SEEK_SET) != 0)) {
            return Fail(ErrnoFailure(mPath, errno));
        }
        mWriting = false;
        mProduced = 0;
        mQueued = 0;
        mComparing = mComparison && mComparison->Restart();
        return true;
    }

    // After the last byte: leaves a file that holds these bytes alone, or replaces it.
    Status Finish() {
        if (!mFailure.ok()) {
            return mFailure;
        }
        // Its inode, times and mode stay, unless the mode is set; a temporary file left from a
        // producer that started over goes unflushed and unnamed.
        if (mComparing && mComparison->Same()) {
            if (mSetMode && (mExistingInfo.st_mode & 07777) != mNewFileMode &&
                ::fchmod(mExisting.get(), mNewFileMode) != 0) {
                return ErrnoFailure(mPath, errno);
            }
            return Status::Ok();
        }
        if (!mWriting && !StartWriting()) {
            return mFailure;
        }
        if (mCalls.DataSync(mTemporary->fd()) != 0) {
            return ErrnoFailure(mPath, errno);
        }
        if (Status named = mTemporary->Name(); !named.ok()) {
            return named;
        }
        if (Status renamed = mTemporary->RenameOver(mTarget.name); !renamed.ok()) {
            return renamed;
        }
        // Makes the rename itself durable. A file system that cannot flush a folder says EINVAL:
        // it offers nothing more to wait for.
        if (!mTarget.pathOnly && mCalls.FolderSync(mTarget.folder.get()) != 0) {
            if (const int error = errno; error != EINVAL) {
                return Status::PathError(
                    mPath, QCoreApplication::translate("AtomicReplace",
                                                       "the file was replaced, but the "
                                                       "folder could not be flushed to "
                                                       "the disk: ") +
                               DescribeErrno(error));
            }
        }
        return Status::Ok();
    }

  private:
    bool Fail(Status failure) {
        mFailure = std::move(failure);
        return false;
    }

    // Makes the temporary file, the first time, and puts the bytes produced so far into it: the
    // start of the old file, which they equal.
    bool StartWriting() {
        const int folder = mTarget.folder.get();
        if (!mTemporary) {
            // A file its owner made read-only stays so.
            if (mTarget.exists &&
                ::faccessat(folder, mTarget.name.constData(), W_OK, AT_EACCESS) != 0) {
                return Fail(ErrnoFailure(mPath, errno));
            }
            RemoveStaleTemporaries(mTarget, mPrefix, mCalls);
            mTemporary.emplace(mPath, folder, mPrefix, mCalls);
            // A replacement takes the old file's mode, or the one set, once it exists; until then
            // it is no more open than a new file would be. A mode that is set is not cut by the
            // umask.
            if (Status opened = mTemporary->Open(mNewFileMode); !opened.ok()) {
                return Fail(std::move(opened));
            }
            if (mTarget.exists || mSetMode) {
                const mode_t mode = mSetMode ? mNewFileMode : mTarget.existing.st_mode & 07777;
                if (Status kept = KeepOwner(mPath, mTemporary->fd(), mTarget, mode); !kept.ok()) {
                    return Fail(std::move(kept));
                }
            }
        }
        if (mProduced > 0) {
            if (Status copied =
                    CopyStart(mPath, mExisting.get(), mTemporary->fd(), mProduced, mCalls);
                !copied.ok()) {
                return Fail(std::move(copied));
            }
            // What was copied is what was compared only while nobody has written to the file.
            struct stat now;
            if (::fstat(mExisting.get(), &now) != 0 || !SameVersion(mExistingInfo, now)) {
                return Fail(ChangedWhileRead(mPath));
            }
        }
        mWriting = true;
        return true;
    }

    // Starts writing what has come so far to the disk, so that the flush at the end finds most of
    // a large file there already. Only a hint: the flush reports any failure.
    void StartWriteback() {
#if defined(__linux__)
        if (mProduced - mQueued >= kWritebackStep) {
            ::sync_file_range(mTemporary->fd(), mQueued, mProduced - mQueued,
                              SYNC_FILE_RANGE_WRITE);
            mQueued = mProduced;
        }
#endif
    }

    const QString& mPath;
    const WriteTarget& mTarget;
    SaveCalls& mCalls;
    const QByteArray mPrefix;
    const mode_t mNewFileMode;
    const bool mSetMode;  // mNewFileMode is the mode of every file the save leaves
    UniqueFd mExisting;
    struct stat mExistingInfo = {};
    std::optional<ComparingSink> mComparison;
    bool mComparing = false;  // everything so far equals the start of the old file
    bool mWriting = false;    // the temporary file holds everything so far
    std::optional<Temporary> mTemporary;
    off_t mProduced = 0;
    off_t mQueued = 0;
    Status mFailure = Status::Ok();
};

}  // namespace

Status ReplaceFileAtomically(const QString& path, const WriteTarget& target,
                             const ByteProducer& produce, const FileAccess& access,
                             SaveCalls& calls) {
    Replacement replacement(path, target, access, calls);
    if (Status produced = produce(replacement); !produced.ok()) {
        return produced;  // the temporary file goes unnamed
    }
    return replacement.Finish();
}
