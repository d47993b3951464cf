#pragma once

#include "platform/ByteSink.h"
#include "platform/FileSystem.h"
#include "platform/SaveCalls.h"
#include "platform/Status.h"
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Where a write of a path lands: the folder that holds the file, open, and the file's name in it.
// Everything a save does to the file is done relative to that folder, so that nothing can change
// between a check and the use of what was checked.
struct WriteTarget {
    UniqueFd folder;
    // True when the folder could only be opened as a path (it may be written but not read):
    // then it can be neither listed nor flushed.
    bool pathOnly = false;
    struct stat folderInfo = {};
    bool shared = false;  // others may create files in the folder (IsShared())
    QByteArray name;
    bool exists = false;
    struct stat existing = {};  // lstat() of the entry, when it exists: never a symlink
    bool linked = false;        // the path as given ends in a symlink
};

// Finds what writing the native path `native` replaces: the path itself, or what its chain of
// symlinks ends in (which need not exist yet), by the walk of WalkTrustedPath: every folder and
// symlink on the way must pass the program's trust rule (platform/TrustedPath.h), and so must an
// existing entry at the end of the path in a sticky folder such as /tmp: root's or the effective
// user's, and without other hard links. Otherwise another user could make the save write where
// that user may not, or show what the save replaces. A refusal
// (IsUntrusted()) names the folder, symlink or file and its owner ("/tmp/s/app: the folder belongs
// to the user nobody, who is neither ..."); other failures name `path` and the reason: a folder on
// the way that is missing or cannot be opened (a lack of descriptors included), a loop of links,
// a path that names a folder.
Status ResolveWriteTarget(const QString& path, const QByteArray& native, WriteTarget* target);

// Replaces the regular file of `target` (or creates it) with what `produce` gives, as
// FileSystem::WriteFileFrom describes. While the bytes equal the start of the existing file they
// are only compared with it; at the first difference a temporary file is made in the target's
// folder, the equal start is copied into it from the old file, and the rest is written after it.
// The temporary file is flushed and renamed over the target, and the folder flushed after the
// rename. When only that last flush fails, the file has been replaced and the message says so.
// A file that holds the bytes already is left alone: that needs neither the right to write it nor
// room on the disk, though its permission bits are set when `access` sets them. A new file gets
// the permission bits that `access` asks for, from the moment it exists; a replaced one those of
// the file it replaces, or those `access` sets, before any byte is in it. Messages name the file
// by `path`.
//
// The temporary file is named "." + the target's name + ".tervo-" + its own inode number in 16
// hexadecimal digits + "-" + six random letters or digits, and the save that owns it holds a lock
// on it until it is gone. Before it makes its own, a save removes the temporaries of the same
// target that are named so, whose name holds their own inode number and that no live save holds:
// those of a save that was killed (in a shared folder, only the effective user's). Any other file
// stays.
//
// The steps that put the new file in place go through `calls`: creating, writing and flushing the
// temporary file, naming it, the rename, the flush of the folder and the removal of temporary
// files. Its owner and mode are set, and what it replaces is looked at, directly.
Status ReplaceFileAtomically(const QString& path, const WriteTarget& target,
                             const ByteProducer& produce, const FileAccess& access,
                             SaveCalls& calls);
