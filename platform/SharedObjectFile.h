#pragma once

#include "platform/Status.h"

#include <QString>

// Checks that the file open at `fd` is a shared library that the dynamic loader can map for this
// program without reading past the file's end: a whole ELF header for the program's own kind of
// machine, and program headers, segments and section table that all lie inside the file. The
// loader maps the segments into memory, where a page past the end of a cut-short file kills the
// process (SIGBUS) when it is touched; checked first, such a file is a message instead. The
// message names `path`, the file's name for the user.
Status CheckSharedObjectFile(int fd, const QString& path);
