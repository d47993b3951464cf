#pragma once

#include "platform/Status.h"
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

#include <vector>

// The one rule by which the program trusts a path, for what it reads, starts and writes alike:
// only root and the user running the program (its effective user) may be able to change what the
// path leads to. Every folder and symlink on the way, from "/" on, must belong to one of them, and
// no folder on the way may be one that another user may write to: by its write bit for others, by
// that of a group other than root's (or the runner's own primary group, when no other user belongs
// to it), or by an entry of its access ACL. Nor may a folder carry a default ACL that would let
// another user write to what is made in it. A sticky folder such as /tmp is the one exception to
// the write bits: others may add entries to it but not replace ours, and what the path takes from
// it is checked in turn. What a read or a start takes at the end must also be root's or ours, a
// file that no other user may write to, and, in a sticky folder, a file without other hard links
// (another user could have linked a file there that only we may read). Anyone else who owns or may
// change a part of the path could choose what it leads to, now or between two uses.
//
// The walk and its checks go through the same descriptors, one folder at a time, so that nothing
// can be swapped in between. A refusal fails with a Status that IsUntrusted(), naming the folder,
// symlink or file, its owner or the ACL entry, and, for what is new to a user, what to do
// ("/srv/app: its ACL lets the user nobody write to it (user:nobody:rwx); nothing is read through
// it. Remove the entry with setfacl -x u:nobody").
//
// The decision itself (Distrusted) is a function of the facts of one entry, so that every case of
// it can be tried on made-up owners, modes and ACLs.

// What a path is walked for; it decides how a refusal says what is not done.
enum class PathUse { Read, Write, Start };

// One entry of a POSIX ACL, as the attributes system.posix_acl_access and
// system.posix_acl_default hold it.
struct AclEntry {
    enum Tag : quint16 {
        kUserObj = 0x01,
        kUser = 0x02,
        kGroupObj = 0x04,
        kGroup = 0x08,
        kMask = 0x10,
        kOther = 0x20,
    };
    static constexpr quint16 kWrite = 0x02;

    quint16 tag = 0;
    quint16 perm = 0;  // read 4, write 2, execute 1
    quint32 id = 0;    // the user or group of kUser and kGroup

    bool operator==(const AclEntry&) const = default;
};

// Reads the value of an ACL attribute: a 4-byte little-endian version 2, then one entry of 8
// bytes (tag and perm 16 bits, id 32 bits, little-endian) after another. False when it is not
// one.
bool ParseAcl(const QByteArray& value, std::vector<AclEntry>* entries);

// Who runs the program, as the rule sees it.
struct Runner {
    uid_t user = 0;   // effective
    gid_t group = 0;  // effective
    // No other user has `group` as primary group or is listed as its member: only then is a
    // write bit of that group as good as the owner's. Root trusts no group but its own.
    bool groupIsPrivate = false;
};
// The process's own: its effective user and group, and whether the system's user and group
// lists name another member of that group (looked up only for a user other than root).
Runner CurrentRunner();

// What the rule looks at of one folder, symlink or file.
struct EntryFacts {
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;  // type and permission bits, as stat() gives them
    nlink_t links = 1;
    std::vector<AclEntry> access;    // empty when it has none
    std::vector<AclEntry> defaults;  // a folder's default ACL; empty when it has none
};

// The facts of `info`, without ACLs.
EntryFacts FactsOf(const struct stat& info);

// What the walk has come to.
enum class EntryRole {
    Passage,   // a folder or symlink on the way
    Input,     // the file at the end of a path that is read or started
    Replaced,  // the file at the end of a path that a write replaces
};

// Why another user than root and the runner could choose what an entry leads to.
struct Distrust {
    enum class Kind {
        None,        // nobody could
        Owner,       // it belongs to another user
        Mode,        // its write bit for others, or for a group that is not trusted
        Acl,         // an entry of its access ACL, `entry`
        DefaultAcl,  // an entry of its default ACL, `entry`, for what is made in the folder
        Links,       // a file with other hard links in a folder where others may create files
    };
    Kind kind = Kind::None;
    AclEntry entry;
};

// Whether a user other than root and the runner may write to the entry `facts` describes, by its
// mode or by its access ACL; the entry that lets them, for an ACL. Where an ACL has a mask, the
// group bits of the mode are the mask, and the entries say who may write. A named entry of the
// owner, of root or of the runner lets no one else write.
Distrust OthersMayWrite(const EntryFacts& facts, const Runner& runner);
// A folder where other users may create entries, but only an entry's owner (or the folder's) may
// rename or remove it again: /tmp and the like.
bool IsShared(const EntryFacts& folder, const Runner& runner);
// The rule for one entry that a walk meets in the role `role`; `inShared` says that the folder
// holding it IsShared(). A file that a write replaces is only looked at in a shared folder, where
// another user could have put it there.
Distrust Distrusted(const EntryFacts& entry, EntryRole role, bool inShared, const Runner& runner);

// Root and the effective user: the only owners whose folders, symlinks and files the rule takes.
bool TrustedOwner(uid_t owner);
// "root", "the user nobody", or "the user with uid 1234" when the system knows no name for it.
QString OwnerName(uid_t uid);

// The refusal of the entry `shown`, met in `role` on a path walked for `use`, for `why`: the
// message names the entry and the owner or the ACL entry, and says what to do where the mode or
// the owner do not say it already. REQUIRES: why.kind is not None.
Status Refusal(const QByteArray& shown, const EntryFacts& facts, EntryRole role, PathUse use,
               const Distrust& why);

// Where a walk of a path ended: the folder that holds its last entry, and that entry.
struct PathEnd {
    UniqueFd folder;  // open as a path (O_PATH): good for the *at() calls, not for reading
    struct stat folderInfo = {};
    bool folderShared = false;  // IsShared(), ACL included
    QByteArray name;            // of the entry in `folder`; "." for a path that ends in a folder
    QByteArray shown;           // the entry's absolute path, for messages
    QByteArray folderShown;     // the folder's, for messages
    bool exists = false;
    struct stat entry = {};  // its lstat(), when it exists: never a symlink
    bool linked = false;     // the last part of the path as given is a symlink
    Runner runner;           // for whom the walk was made, to judge the entry by
};

// Walks the native path `native` (a relative one from the current folder's path) to its last
// entry, following symlinks, and checks every folder and symlink on the way by the rule above.
// The last entry need not exist. Other failures name `path` and the reason: a folder on the way
// that is missing (IsNotFound() for a read or a start), is no folder or cannot be opened (a lack
// of descriptors included), a loop of links, a ".." at the end, an ACL that cannot be read.
Status WalkTrustedPath(const QString& path, const QByteArray& native, PathUse use, PathEnd* end);

// Opens the regular file at `path` for reading, through a path that passes the rule above, and
// only when the file itself passes it as an input. `info` receives its fstat(). Fails with a
// Status that IsNotFound() when nothing is there, and names `path` when what is there is no
// regular file.
Status OpenTrustedFile(const QString& path, UniqueFd* file, struct stat* info);

// Checks the program at the native path `native` (relative ones from the current folder), which
// a command is to start, by the rule above as an input, without opening it for reading (a
// program may be executable and not readable). `absolute` receives the absolute path to start:
// no other user can change what it leads to. Fails with a Status that IsNotFound() when nothing
// is there, and with EACCES, as exec would, when it is no regular file.
Status CheckTrustedProgram(const QString& path, const QByteArray& native, QByteArray* absolute);

// Reads the ACL attribute `name` ("system.posix_acl_access") of the open file or folder `fd`,
// which may be open as a path only. A file system without ACLs, and a file without that
// attribute, give no entries. Fails naming `path` when it cannot be read, or is no ACL.
Status ReadAcl(const QString& path, int fd, const char* name, std::vector<AclEntry>* entries);

// Finds the program `program` of a command as execvp() does and checks it by
// CheckTrustedProgram: a name with a "/" as it is, any other in the folders of `searchPath`
// (PATH: separated by ":", an empty one for the current folder), the first where it is an
// executable regular file. A program that fails the rule is refused, not passed over for a later
// folder. Fails with "No such file or directory" when no folder has it, and with "Permission
// denied" when the only ones found cannot be started.
Status FindTrustedProgram(const QString& program, const QByteArray& searchPath,
                          QByteArray* absolute);
