#include "platform/SystemError.h"

#include <QCoreApplication>

#include <string.h>

namespace {

// glibc declares the GNU strerror_r (returns the text, which may or may not be in `buffer`) unless
// _GNU_SOURCE is off, in which case the XSI one (returns 0 and fills `buffer`) is used. Overloading
// on the return type picks the right reading for whichever the headers declared.
[[maybe_unused]] const char* TextOf(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* TextOf(const char* result, const char*) {
    return result;
}

}  // namespace

QString DescribeErrno(int errorNumber) {
    char buffer[256] = {};
    const char* text = TextOf(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') {
        return QCoreApplication::translate("SystemError", "Unknown error %1").arg(errorNumber);
    }
    // The C library speaks in the encoding of the current locale.
    return QString::fromLocal8Bit(text);
}

Status ErrnoFailure(const QString& path, int errorNumber) {
    return Status::PathError(path, DescribeErrno(errorNumber));
}
