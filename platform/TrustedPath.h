#pragma once

#include "platform/Status.h"
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

// The one rule by which the program trusts a path, for what it reads and for what it writes
// alike: every folder and symlink on the way, from "/" on, must belong to root or to the user
// running the program (its effective user), and no folder on the way may be one that other users
// may change, by its write bit for others or for a group other than root's and the effective
// user's. A sticky folder such as /tmp is the one exception: others may add entries to it but not
// replace ours, and what the path takes from it is checked in turn. Anyone else who owns or may
// change a part of the path could choose what it leads to, now or between two uses. What a read
// takes at the end must also be root's or ours, and not a file that others may change.
//
// The walk and its checks go through the same descriptors, one folder at a time, so that nothing
// can be swapped in between. A refusal fails with a Status that IsUntrusted(), naming the folder,
// symlink or file and its owner ("/srv/app: the folder belongs to the user app, who is neither
// root nor the user running this program; nothing is written through it").

// What a path is walked for; it decides how a refusal says what is not done.
enum class PathUse { Read, Write };

// Root and the effective user: the only owners whose folders, symlinks and files the rule takes.
bool TrustedOwner(uid_t owner);
// Whether a user other than root and us may add, rename or remove the entries of the folder (or
// change the file) that `info` describes: the write bit for others, or that of a group other than
// root's and the effective one. Who is in such a group is not looked up: its write bit counts.
bool OthersMayWrite(const struct stat& info);
// A folder where other users may create entries, but only an entry's owner (or the folder's) may
// rename or remove it again: /tmp and the like.
bool IsShared(const struct stat& folder);
// "root", "the user nobody", or "the user with uid 1234" when the system knows no name for it.
QString OwnerName(uid_t uid);

// Where a walk of a path ended: the folder that holds its last entry, and that entry.
struct PathEnd {
    UniqueFd folder;  // open as a path (O_PATH): good for the *at() calls, not for reading
    struct stat folderInfo = {};
    QByteArray name;   // of the entry in `folder`; "." for a path that ends in a folder ("a/")
    QByteArray shown;  // the entry's absolute path, for messages
    bool exists = false;
    struct stat entry = {};  // its lstat(), when it exists: never a symlink
};

// Walks the native path `native` (a relative one from the current folder's path) to its last
// entry, following symlinks, and checks every folder and symlink on the way by the rule above.
// The last entry need not exist. Other failures name `path` and the reason: a folder on the way
// that is missing (IsNotFound() for a read), is no folder or cannot be opened (a lack of
// descriptors included), a loop of links, a ".." at the end.
Status WalkTrustedPath(const QString& path, const QByteArray& native, PathUse use, PathEnd* end);

// Opens the regular file at `path` for reading, through a path that passes the rule above, and
// only when the file itself is root's or ours and others may not change it. `info` receives its
// fstat(). Fails with a Status that IsNotFound() when nothing is there, and names `path` when
// what is there is no regular file.
Status OpenTrustedFile(const QString& path, UniqueFd* file, struct stat* info);
