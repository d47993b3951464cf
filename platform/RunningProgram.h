#pragma once

#include "platform/Status.h"

#include <QString>

// Sets `path` to the absolute path of the running program's file as the kernel knows it: the
// target of /proc/self/exe, with every symbolic link resolved. Fails where /proc is not mounted
// (or something else is mounted there): then no path is guessed from argv[0] or the PATH, which
// whoever starts the program may set to anything.
Status RunningProgramPath(QString* path);
