#pragma once

#include <QString>

// The absolute path of the running program's file, for the files installed relative to it. On
// Linux the target of /proc/self/exe; where that cannot be read, `argv0` (searched on the PATH when
// it names no folder) with its symbolic links resolved. Empty when neither tells.
QString RunningProgramPath(const char* argv0);
