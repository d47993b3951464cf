#include "platform/RunningProgram.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <limits.h>
#include <unistd.h>

QString RunningProgramPath(const char* argv0) {
#if defined(__linux__)
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length > 0 && static_cast<size_t>(length) < sizeof target) {
        return QString::fromLocal8Bit(target, length);
    }
#endif
    if (argv0 == nullptr || *argv0 == '\0') {
        return QString();
    }
    const QString given = QString::fromLocal8Bit(argv0);
    // A name without a folder was found on the PATH by the shell, as it is found here.
    const QString path = given.contains(u'/') ? given : QStandardPaths::findExecutable(given);
    // Symbolic links resolved, as /proc/self/exe has them.
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}
