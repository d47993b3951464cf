#pragma once

#include "platform/ByteSink.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QString>

// Replaces the regular file at the native path `native` (or creates it) with what `produce` gives,
// as FileSystem::WriteFileFrom describes: a temporary file beside it, filled, flushed and renamed
// over it. A symlink is followed to the file it names. Messages name the file by `path`.
//
// The temporary file is named "." + the target's name + ".tervo-" + six random characters, and
// the save that owns it holds a lock on it until it is gone. Before it writes, a save removes the
// temporaries of the same target that no live save holds: those of a save that was killed.
Status ReplaceFileAtomically(const QString& path, const QByteArray& native,
                             const ByteProducer& produce);
