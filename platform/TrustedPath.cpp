#include "platform/TrustedPath.h"

#include "platform/SystemError.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QFile>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

// As many links as the kernel itself follows in one path.
constexpr int kMaxSymlinkHops = 40;

QByteArray DirectoryOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray Child(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString ModeOf(const struct stat& info) {
    return QStringLiteral("%1").arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
}

// Why the folder or symlink `shown`, described by `info`, is not to be gone through for `use`;
// Ok when it may be.
Status CheckPassage(const QByteArray& shown, const struct stat& info, PathUse use) {
    const bool link = S_ISLNK(info.st_mode);
    if (!TrustedOwner(info.st_uid)) {
        const QString owner = OwnerName(info.st_uid);
        QString reason;
        if (use == PathUse::Write) {
            reason = link ? QCoreApplication::translate(
                                "AtomicReplace",
                                "the symlink belongs to %1, who is neither root nor the user "
                                "running this program; nothing is written through it")
                          : QCoreApplication::translate(
                                "AtomicReplace",
                                "the folder belongs to %1, who is neither root nor the user "
                                "running this program; nothing is written through it");
        } else {
            reason = link ? QCoreApplication::translate(
                                "TrustedPath",
                                "the symlink belongs to %1, who is neither root nor the user "
                                "running this program; nothing is read through it")
                          : QCoreApplication::translate(
                                "TrustedPath",
                                "the folder belongs to %1, who is neither root nor the user "
                                "running this program; nothing is read through it");
        }
        return Status::Untrusted(QFile::decodeName(shown), reason.arg(owner));
    }
    if (S_ISDIR(info.st_mode) && OthersMayWrite(info) && (info.st_mode & S_ISVTX) == 0) {
        const QString reason =
            use == PathUse::Write
                ? QCoreApplication::translate(
                      "AtomicReplace",
                      "the folder belongs to %1, but other users may replace what is in it "
                      "(mode %2); nothing is written through it")
                : QCoreApplication::translate(
                      "TrustedPath",
                      "the folder belongs to %1, but other users may replace what is in it "
                      "(mode %2); nothing is read through it");
        return Status::Untrusted(QFile::decodeName(shown),
                                 reason.arg(OwnerName(info.st_uid), ModeOf(info)));
    }
    return Status::Ok();
}

// The parts of `path` to walk one by one: no empty ones, and "." only at the end, where it stands
// for a path that ends in a folder ("a/", "a/.").
QByteArrayList Components(const QByteArray& path) {
    const QByteArrayList parts = path.split('/');
    QByteArrayList components;
    for (const QByteArray& part : parts) {
        if (!part.isEmpty() && part != ".") {
            components.append(part);
        }
    }
    if (parts.last().isEmpty() || parts.last() == ".") {
        components.append(QByteArrayLiteral("."));
    }
    return components;
}

// A folder on the way, open as a path, and how messages name it.
struct Passage {
    UniqueFd fd;
    struct stat info = {};
    QByteArray shown;
};

// The failure of a folder on the way to `path` that cannot be looked at for `errorNumber`: for a
// read, a missing one means that nothing is there.
Status WayFailure(const QString& path, int errorNumber, PathUse use) {
    if (use == PathUse::Read && (errorNumber == ENOENT || errorNumber == ENOTDIR)) {
        return Status::PathNotFound(path, DescribeErrno(ENOENT));
    }
    return ErrnoFailure(path, errorNumber);
}

// Opens the folder `name` of `base` (not following a symlink) as the next folder on the way to
// `path`, named `shown` in messages, and checks it.
Status Enter(const QString& path, int base, const QByteArray& name, QByteArray shown, PathUse use,
             Passage* folder) {
    Passage next;
    next.fd =
        UniqueFd(::openat(base, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.fd.valid() || ::fstat(next.fd.get(), &next.info) != 0) {
        return WayFailure(path, errno, use);
    }
    next.shown = std::move(shown);
    *folder = std::move(next);
    return CheckPassage(folder->shown, folder->info, use);
}

// The walk has come to the last entry `name` of `folder`, which `entry` describes when `exists`.
Status Arrive(Passage& folder, const QByteArray& name, bool exists, const struct stat& entry,
              PathEnd* end) {
    end->folder = std::move(folder.fd);
    end->folderInfo = folder.info;
    end->name = name;
    end->shown = name == "." ? folder.shown : Child(folder.shown, name);
    end->exists = exists;
    end->entry = entry;
    return Status::Ok();
}

}  // namespace

bool TrustedOwner(uid_t owner) {
    return owner == 0 || owner == ::geteuid();
}

bool OthersMayWrite(const struct stat& info) {
    return (info.st_mode & S_IWOTH) != 0 ||
           ((info.st_mode & S_IWGRP) != 0 && info.st_gid != 0 && info.st_gid != ::getegid());
}

bool IsShared(const struct stat& folder) {
    return (folder.st_mode & S_ISVTX) != 0 && OthersMayWrite(folder);
}

QString OwnerName(uid_t uid) {
    if (uid == 0) {
        return QStringLiteral("root");
    }
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return QCoreApplication::translate("AtomicReplace", "the user %1")
            .arg(QFile::decodeName(found->pw_name));
    }
    return QCoreApplication::translate("AtomicReplace", "the user with uid %1").arg(uid);
}

Status WalkTrustedPath(const QString& path, const QByteArray& native, PathUse use, PathEnd* end) {
    QByteArray absolute = native;
    if (!native.startsWith('/')) {
        const std::unique_ptr<char, decltype(&::free)> current(::getcwd(nullptr, 0), ::free);
        if (!current) {
            return ErrnoFailure(path, errno);
        }
        absolute = Child(QByteArray(current.get()), native);
    }
    QByteArrayList pending = Components(absolute);
    Passage folder;
    if (Status entered = Enter(path, AT_FDCWD, "/", "/", use, &folder); !entered.ok()) {
        return entered;
    }
    int hops = 0;
    while (!pending.isEmpty()) {
        const QByteArray name = pending.takeFirst();
        const bool last = pending.isEmpty();
        if (name == "." && !last) {
            continue;
        }
        if (name == "..") {
            if (last) {
                return ErrnoFailure(path, EISDIR);
            }
            if (Status entered =
                    Enter(path, folder.fd.get(), name, DirectoryOf(folder.shown), use, &folder);
                !entered.ok()) {
                return entered;
            }
            continue;
        }
        const QByteArray shown = Child(folder.shown, name);
        struct stat entry;
        if (::fstatat(folder.fd.get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !last) {
                return WayFailure(path, errno, use);
            }
            return Arrive(folder, name, false, {}, end);
        }
        if (S_ISLNK(entry.st_mode)) {
            if (Status checked = CheckPassage(shown, entry, use); !checked.ok()) {
                return checked;
            }
            if (++hops > kMaxSymlinkHops) {
                return ErrnoFailure(path, ELOOP);
            }
            QByteArray link(PATH_MAX, Qt::Uninitialized);
            const ssize_t length =
                ::readlinkat(folder.fd.get(), name.constData(), link.data(), PATH_MAX);
            if (length < 0) {
                return ErrnoFailure(path, errno);
            }
            if (length >= PATH_MAX) {
                return ErrnoFailure(path, ENAMETOOLONG);
            }
            link.truncate(length);
            pending = Components(link) + pending;
            // A relative link goes on from the folder that holds it.
            if (link.startsWith('/')) {
                if (Status entered = Enter(path, AT_FDCWD, "/", "/", use, &folder); !entered.ok()) {
                    return entered;
                }
            }
            continue;
        }
        if (!last) {
            if (!S_ISDIR(entry.st_mode)) {
                return WayFailure(path, ENOTDIR, use);
            }
            if (Status entered = Enter(path, folder.fd.get(), name, shown, use, &folder);
                !entered.ok()) {
                return entered;
            }
            continue;
        }
        if (name == ".") {
            return Arrive(folder, name, true, folder.info, end);
        }
        return Arrive(folder, name, true, entry, end);
    }
    return ErrnoFailure(path, EISDIR);  // not reached: the last component is never skipped
}

Status OpenTrustedFile(const QString& path, UniqueFd* file, struct stat* info) {
    *file = UniqueFd();
    PathEnd end;
    if (Status walked = WalkTrustedPath(path, QFile::encodeName(path), PathUse::Read, &end);
        !walked.ok()) {
        return walked;
    }
    if (!end.exists) {
        return Status::PathNotFound(path, DescribeErrno(ENOENT));
    }
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    if (!S_ISREG(end.entry.st_mode)) {
        return Status::PathError(
            path, QCoreApplication::translate("DiskFileSystem", "is not a regular file"));
    }
    if (!TrustedOwner(end.entry.st_uid)) {
        return Status::Untrusted(
            QFile::decodeName(end.shown),
            QCoreApplication::translate("TrustedPath",
                                        "the file belongs to %1, who is neither root nor the user "
                                        "running this program; it is not read")
                .arg(OwnerName(end.entry.st_uid)));
    }
    if (OthersMayWrite(end.entry)) {
        return Status::Untrusted(
            QFile::decodeName(end.shown),
            QCoreApplication::translate(
                "TrustedPath",
                "the file belongs to %1, but other users may change it (mode %2); it is not read")
                .arg(OwnerName(end.entry.st_uid), ModeOf(end.entry)));
    }
    // Opened from the folder checked, and taken only if it is the file checked.
    UniqueFd opened(::openat(end.folder.get(), end.name.constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!opened.valid() || ::fstat(opened.get(), info) != 0) {
        return ErrnoFailure(path, errno);
    }
    if (info->st_dev != end.entry.st_dev || info->st_ino != end.entry.st_ino) {
        return Status::PathError(
            path,
            QCoreApplication::translate("DiskFileSystem", "the file changed while it was opened"));
    }
    *file = std::move(opened);
    return Status::Ok();
}
