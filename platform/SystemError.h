#pragma once

#include "platform/Status.h"

#include <QString>

// The one place where operating-system error numbers become words: "No such file or directory".
QString DescribeErrno(int errorNumber);

// The failure "<path>: <reason>" for the operating-system error `errorNumber`.
Status ErrnoFailure(const QString& path, int errorNumber);
