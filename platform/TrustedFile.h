#pragma once

#include "platform/Status.h"
#include "platform/UniqueFd.h"

#include <QString>

// Opens the regular file at the absolute `path` for reading, and only if no user but root and the
// one running the program could have chosen what it holds: every folder from "/" down, every
// symbolic link on the way and the file itself must belong to root or to that user, and none may
// be writable by other users. A folder with the sticky bit (as /tmp) is the one exception: others
// may add entries to it but not replace ours, and the entry on the path is checked in turn. The
// checks and the opening go through the same descriptors, so nothing can be swapped in between.
//
// Fails with a Status that IsNotFound() when a part of the path does not exist. Otherwise a
// refusal names the part and the reason ("/tmp/S/lib: belongs to nobody (uid 65534), ...").
Status OpenTrustedFile(const QString& path, UniqueFd* file);
