#include "platform/TrustedFile.h"

#include "platform/SystemError.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// As many links as the kernel itself follows in one path.
constexpr int kMaxLinks = 40;

// "nobody (uid 65534)", or "uid 1234" for a number without a name.
QString UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return QStringLiteral("%1 (uid %2)").arg(QString::fromLocal8Bit(found->pw_name)).arg(uid);
    }
    return QStringLiteral("uid %1").arg(uid);
}

// Whether what `info` describes could only have been put there by root or by us.
Status CheckTrusted(const struct stat& info, const QString& shown) {
    if (info.st_uid != 0 && info.st_uid != geteuid()) {
        return Status::PathError(shown,
                                 QCoreApplication::translate(
                                     "TrustedFile",
                                     "belongs to %1, neither to root nor to the user running the "
                                     "program, so nothing is loaded from there")
                                     .arg(UserName(info.st_uid)));
    }
    // A link's own permission bits mean nothing; who may change it is the folder's matter.
    const bool othersMayWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!S_ISLNK(info.st_mode) && othersMayWrite &&
        !(S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0)) {
        return Status::PathError(
            shown, QCoreApplication::translate("TrustedFile",
                                               "can be written by other users than its "
                                               "owner, so nothing is loaded from there"));
    }
    return Status::Ok();
}

// The path as walked so far, for messages: "/" and the names below it.
QString Shown(const QStringList& walked) {
    return u'/' + walked.join(u'/');
}

}  // namespace

Status OpenTrustedFile(const QString& path, UniqueFd* file) {
    *file = UniqueFd();
    if (!path.startsWith(u'/')) {
        return Status::PathError(
            path, QCoreApplication::translate("TrustedFile", "is not an absolute path"));
    }
    UniqueFd folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!folder.valid() || ::fstat(folder.get(), &info) != 0) {
        return ErrnoFailure(QStringLiteral("/"), errno);
    }
    if (Status trusted = CheckTrusted(info, QStringLiteral("/")); !trusted.ok()) {
        return trusted;
    }
    QStringList pending = path.split(u'/', Qt::SkipEmptyParts);
    QStringList walked;
    int links = 0;
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name == u".") {
            continue;
        }
        const QByteArray encoded = QFile::encodeName(name);
        const QString shown = Shown(walked + QStringList{name});
        UniqueFd next(::openat(folder.get(), encoded.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid() || ::fstat(next.get(), &info) != 0) {
            const int error = errno;
            return error == ENOENT ? Status::PathNotFound(shown, DescribeErrno(error))
                                   : ErrnoFailure(shown, error);
        }
        if (Status trusted = CheckTrusted(info, shown); !trusted.ok()) {
            return trusted;
        }
        if (S_ISLNK(info.st_mode)) {
            // The link read is the one just checked: an empty name reads the descriptor's own.
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(next.get(), "", target, sizeof target);
            if (length <= 0 || static_cast<size_t>(length) >= sizeof target ||
                ++links > kMaxLinks) {
                return ErrnoFailure(shown, length < 0 ? errno : ELOOP);
            }
            const QString targetPath = QFile::decodeName(QByteArray(target, length));
            pending = targetPath.split(u'/', Qt::SkipEmptyParts) + pending;
            if (targetPath.startsWith(u'/')) {
                folder = UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                walked.clear();
            }
            continue;
        }
        if (name == u"..") {
            if (!walked.isEmpty()) {
                walked.removeLast();
            }
        } else {
            walked.append(name);
        }
        if (!pending.isEmpty()) {
            if (!S_ISDIR(info.st_mode)) {
                return ErrnoFailure(shown, ENOTDIR);
            }
            folder = std::move(next);
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            return Status::PathError(
                shown, QCoreApplication::translate("TrustedFile", "is not a regular file"));
        }
        // Opened for reading from the folder checked, and taken only if it is the file checked.
        UniqueFd readable(::openat(folder.get(), encoded.constData(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        if (!readable.valid() || ::fstat(readable.get(), &opened) != 0) {
            return ErrnoFailure(shown, errno);
        }
        if (opened.st_dev != info.st_dev || opened.st_ino != info.st_ino) {
            return Status::PathError(
                shown,
                QCoreApplication::translate("TrustedFile", "changed while it was being opened"));
        }
        *file = std::move(readable);
        return Status::Ok();
    }
    return Status::PathError(path, QCoreApplication::translate("TrustedFile", "names no file"));
}
