#include "platform/RunningProgram.h"

#include "platform/SystemError.h"

#include <QCoreApplication>
#include <QFile>

#include <limits.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

Status RunningProgramPath(QString* path) {
    path->clear();
    const QString self = QStringLiteral("/proc/self/exe");
    struct statfs proc {};
    if (::statfs("/proc", &proc) != 0 || proc.f_type != PROC_SUPER_MAGIC) {
        return Status::PathError(
            QStringLiteral("/proc"),
            QCoreApplication::translate("RunningProgram",
                                        "holds no process file system, so where the "
                                        "program was installed cannot be told"));
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0) {
        return ErrnoFailure(self, errno);
    }
    if (static_cast<size_t>(length) >= sizeof target) {
        return ErrnoFailure(self, ENAMETOOLONG);
    }
    *path = QFile::decodeName(QByteArray(target, length));
    return Status::Ok();
}
