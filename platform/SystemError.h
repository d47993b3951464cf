#pragma once

#include <QString>

// The one place where operating-system error numbers become words: "No such file or directory".
QString DescribeErrno(int errorNumber);
