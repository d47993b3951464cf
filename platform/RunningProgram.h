#pragma once

#include <QString>

// The absolute path of the running program's file, for the files installed relative to it. On
// Linux the target of /proc/self/exe; where that cannot be read, `argv0` made absolute (searched
// on the PATH when it names no folder). Empty when neither tells.
QString RunningProgramPath(const char* argv0);
