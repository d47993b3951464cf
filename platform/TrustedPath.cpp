#include "platform/TrustedPath.h"

#include "platform/SystemError.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// As many links as the kernel itself follows in one path.
constexpr int kMaxSymlinkHops = 40;
// Larger ACLs than this are no ACL a file system keeps.
constexpr qsizetype kMaxAclBytes = qsizetype(1) << 20;

QByteArray DirectoryOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray Child(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// `native` as an absolute path, taken from the current folder when it is relative.
Status Absolute(const QString& path, const QByteArray& native, QByteArray* absolute) {
    if (native.startsWith('/')) {
        *absolute = native;
        return Status::Ok();
    }
    const std::unique_ptr<char, decltype(&::free)> current(::getcwd(nullptr, 0), ::free);
    if (!current) {
        return ErrnoFailure(path, errno);
    }
    *absolute = Child(QByteArray(current.get()), native);
    return Status::Ok();
}

QString ModeOf(mode_t mode) {
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

bool TrustedUser(uid_t user, const Runner& runner) {
    return user == 0 || user == runner.user;
}

bool TrustedGroup(gid_t group, const Runner& runner) {
    return group == 0 || (runner.user != 0 && group == runner.group && runner.groupIsPrivate);
}

quint16 MaskOf(const std::vector<AclEntry>& acl) {
    const auto mask = std::find_if(acl.cbegin(), acl.cend(),
                                   [](const AclEntry& e) { return e.tag == AclEntry::kMask; });
    return mask == acl.cend() ? 07 : mask->perm;
}

// The entry of `acl` that lets a user other than root, the runner and `owner` write, where new
// files and folders get `group` as their group; kind None when there is none.
Distrust AclWriter(const std::vector<AclEntry>& acl, uid_t owner, gid_t group, const Runner& runner,
                   Distrust::Kind kind) {
    const quint16 mask = MaskOf(acl);
    for (const AclEntry& e : acl) {
        const bool writes = (e.perm & (e.tag == AclEntry::kOther ? 07 : mask) & AclEntry::kWrite);
        bool others = false;
        switch (e.tag) {
            case AclEntry::kUser:
                others = !TrustedUser(e.id, runner) && e.id != owner;
                break;
            case AclEntry::kGroupObj:
                others = !TrustedGroup(group, runner);
                break;
            case AclEntry::kGroup:
                others = !TrustedGroup(e.id, runner);
                break;
            case AclEntry::kOther:
                others = true;
                break;
            default:
                break;
        }
        if (writes && others) {
            return {kind, e};
        }
    }
    return {};
}

// The entries of a default ACL let whoever they name write to what is made in the folder, whose
// owner is its maker and whose group the folder's (set-group-ID) or the maker's.
Distrust DefaultAclWriter(const EntryFacts& folder, const Runner& runner) {
    const gid_t group = (folder.mode & S_ISGID) != 0 ? folder.group : runner.group;
    return AclWriter(folder.defaults, runner.user, group, runner, Distrust::Kind::DefaultAcl);
}

QString GroupName(gid_t gid) {
    if (gid == 0) {
        return QStringLiteral("root");
    }
    const long suggested = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 16384);
    group entry;
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return QFile::decodeName(found->gr_name);
    }
    return QString::number(gid);
}

QString UserName(uid_t uid) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return QFile::decodeName(found->pw_name);
    }
    return QString::number(uid);
}

// "rw-".
QString PermText(quint16 perm) {
    return QString(perm & 04 ? u'r' : u'-') + (perm & 02 ? u'w' : u'-') + (perm & 01 ? u'x' : u'-');
}

// The entry as getfacl writes it ("user:nobody:rw-"), and as setfacl -x names it ("u:nobody").
QString EntryText(const AclEntry& e, bool inDefault, QString* removal) {
    QString kind;
    QString name;
    switch (e.tag) {
        case AclEntry::kUser:
            kind = QStringLiteral("user");
            name = UserName(e.id);
            break;
        case AclEntry::kGroup:
            kind = QStringLiteral("group");
            name = GroupName(e.id);
            break;
        case AclEntry::kUserObj:
            kind = QStringLiteral("user");
            break;
        case AclEntry::kGroupObj:
            kind = QStringLiteral("group");
            break;
        case AclEntry::kMask:
            kind = QStringLiteral("mask");
            break;
        default:
            kind = QStringLiteral("other");
            break;
    }
    const QString prefix = inDefault ? QStringLiteral("default:") : QString();
    *removal = name.isEmpty()
                   ? QString()
                   : (inDefault ? QStringLiteral("d:") : QString()) + kind.left(1) + u':' + name;
    return prefix + kind + u':' + name + u':' + PermText(e.perm);
}

// Who `e` lets write to an entry of the group `group`.
QString WriterName(const AclEntry& e, gid_t group) {
    switch (e.tag) {
        case AclEntry::kUser:
            return OwnerName(e.id);
        case AclEntry::kGroup:
            return QCoreApplication::translate("TrustedPath", "the group %1").arg(GroupName(e.id));
        case AclEntry::kGroupObj:
            return QCoreApplication::translate("TrustedPath", "the group %1").arg(GroupName(group));
        default:
            return QCoreApplication::translate("TrustedPath", "every user");
    }
}

// What is not done, as the end of a refusal says it.
QString Consequence(EntryRole role, PathUse use) {
    if (role == EntryRole::Passage) {
        switch (use) {
            case PathUse::Read:
                return QCoreApplication::translate("TrustedPath", "nothing is read through it");
            case PathUse::Write:
                return QCoreApplication::translate("AtomicReplace",
                                                   "nothing is written through it");
            case PathUse::Start:
                return QCoreApplication::translate("TrustedPath", "nothing is started through it");
        }
    }
    switch (use) {
        case PathUse::Read:
            return QCoreApplication::translate("TrustedPath", "it is not read");
        case PathUse::Write:
            return QCoreApplication::translate("AtomicReplace", "it is not written");
        case PathUse::Start:
            break;
    }
    return QCoreApplication::translate("TrustedPath", "it is not started");
}

// The refusals that read and write have always said, word for word; empty for any other.
QString KnownReason(const EntryFacts& facts, EntryRole role, PathUse use, Distrust::Kind kind) {
    const bool link = S_ISLNK(facts.mode);
    const QString owner = OwnerName(facts.owner);
    if (role == EntryRole::Passage && kind == Distrust::Kind::Owner) {
        if (use == PathUse::Write) {
            return (link ? QCoreApplication::translate(
                               "AtomicReplace",
                               "the symlink belongs to %1, who is neither root nor the user "
                               "running this program; nothing is written through it")
                         : QCoreApplication::translate(
                               "AtomicReplace",
                               "the folder belongs to %1, who is neither root nor the user "
                               "running this program; nothing is written through it"))
                .arg(owner);
        }
        if (use == PathUse::Read) {
            return (link ? QCoreApplication::translate(
                               "TrustedPath",
                               "the symlink belongs to %1, who is neither root nor the user "
                               "running this program; nothing is read through it")
                         : QCoreApplication::translate(
                               "TrustedPath",
                               "the folder belongs to %1, who is neither root nor the user "
                               "running this program; nothing is read through it"))
                .arg(owner);
        }
    }
    if (role == EntryRole::Passage && kind == Distrust::Kind::Mode) {
        if (use == PathUse::Write) {
            return QCoreApplication::translate(
                       "AtomicReplace",
                       "the folder belongs to %1, but other users may replace what is in it "
                       "(mode %2); nothing is written through it")
                .arg(owner, ModeOf(facts.mode));
        }
        if (use == PathUse::Read) {
            return QCoreApplication::translate(
                       "TrustedPath",
                       "the folder belongs to %1, but other users may replace what is in it "
                       "(mode %2); nothing is read through it")
                .arg(owner, ModeOf(facts.mode));
        }
    }
    if (role == EntryRole::Input && use == PathUse::Read && kind == Distrust::Kind::Owner) {
        return QCoreApplication::translate("TrustedPath",
                                           "the file belongs to %1, who is neither root nor the "
                                           "user running this program; it is not read")
            .arg(owner);
    }
    if (role == EntryRole::Input && use == PathUse::Read && kind == Distrust::Kind::Mode) {
        return QCoreApplication::translate(
                   "TrustedPath",
                   "the file belongs to %1, but other users may change it (mode %2); it is not "
                   "read")
            .arg(owner, ModeOf(facts.mode));
    }
    if (role == EntryRole::Replaced && kind == Distrust::Kind::Owner) {
        return QCoreApplication::translate("AtomicReplace",
                                           "the file belongs to %1, in a folder where other users "
                                           "may create files; it is not written")
            .arg(owner);
    }
    return QString();
}

}  // namespace

bool ParseAcl(const QByteArray& value, std::vector<AclEntry>* entries) {
    entries->clear();
    constexpr qsizetype kHeader = 4;
    constexpr qsizetype kEntry = 8;
    const auto* bytes = reinterpret_cast<const uchar*>(value.constData());
    if (value.size() < kHeader || (value.size() - kHeader) % kEntry != 0 ||
        qFromLittleEndian<quint32>(bytes) != 2) {
        return false;
    }
    for (qsizetype at = kHeader; at < value.size(); at += kEntry) {
        entries->push_back({qFromLittleEndian<quint16>(bytes + at),
                            qFromLittleEndian<quint16>(bytes + at + 2),
                            qFromLittleEndian<quint32>(bytes + at + 4)});
    }
    return true;
}

Runner CurrentRunner() {
    Runner runner;
    runner.user = ::geteuid();
    runner.group = ::getegid();
    if (runner.user == 0) {
        return runner;
    }
    // Another user whose primary group it is, or who is listed as its member, shares it. A list
    // that cannot be read shares it too.
    bool shared = false;
    std::vector<char> buffer(16384);
    ::setpwent();
    for (;;) {
        passwd entry;
        passwd* found = nullptr;
        const int error = ::getpwent_r(&entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (std::size_t(1) << 24)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr) {
            shared = shared || error != ENOENT;
            break;
        }
        if (found->pw_gid == runner.group && found->pw_uid != runner.user) {
            shared = true;
        }
    }
    ::endpwent();
    const QString self = UserName(runner.user);
    group entry;
    group* found = nullptr;
    int error;
    while ((error = ::getgrgid_r(runner.group, &entry, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (std::size_t(1) << 24)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0) {
        shared = true;
    } else if (found != nullptr) {
        for (char** member = found->gr_mem; *member != nullptr; ++member) {
            shared = shared || QFile::decodeName(*member) != self;
        }
    }
    runner.groupIsPrivate = !shared;
    return runner;
}

Distrust OthersMayWrite(const EntryFacts& facts, const Runner& runner) {
    if ((facts.mode & S_IWOTH) != 0) {
        return {Distrust::Kind::Mode, {}};
    }
    const bool extended = std::any_of(facts.access.cbegin(), facts.access.cend(),
                                      [](const AclEntry& e) { return e.tag == AclEntry::kMask; });
    if (!extended) {
        return (facts.mode & S_IWGRP) != 0 && !TrustedGroup(facts.group, runner)
                   ? Distrust{Distrust::Kind::Mode, {}}
                   : Distrust{};
    }
    // The group bits of the mode are the mask; the entries say whom it lets write.
    return AclWriter(facts.access, facts.owner, facts.group, runner, Distrust::Kind::Acl);
}

bool IsShared(const EntryFacts& folder, const Runner& runner) {
    return S_ISDIR(folder.mode) && (folder.mode & S_ISVTX) != 0 &&
           OthersMayWrite(folder, runner).kind != Distrust::Kind::None;
}

Distrust Distrusted(const EntryFacts& entry, EntryRole role, bool inShared, const Runner& runner) {
    const bool trustedOwner = TrustedUser(entry.owner, runner);
    switch (role) {
        case EntryRole::Passage:
            if (!trustedOwner) {
                return {Distrust::Kind::Owner, {}};
            }
            if (S_ISLNK(entry.mode)) {
                return {};
            }
            if (Distrust inherited = DefaultAclWriter(entry, runner);
                inherited.kind != Distrust::Kind::None) {
                return inherited;
            }
            // Others may add entries to a sticky folder, but not replace ours.
            return (entry.mode & S_ISVTX) != 0 ? Distrust{} : OthersMayWrite(entry, runner);
        case EntryRole::Input:
            if (!trustedOwner) {
                return {Distrust::Kind::Owner, {}};
            }
            if (Distrust writer = OthersMayWrite(entry, runner);
                writer.kind != Distrust::Kind::None) {
                return writer;
            }
            break;
        case EntryRole::Replaced:
            if (inShared && !trustedOwner) {
                return {Distrust::Kind::Owner, {}};
            }
            break;
    }
    return inShared && entry.links > 1 && !S_ISDIR(entry.mode) ? Distrust{Distrust::Kind::Links, {}}
                                                               : Distrust{};
}

bool TrustedOwner(uid_t owner) {
    return owner == 0 || owner == ::geteuid();
}

QString OwnerName(uid_t uid) {
    if (uid == 0) {
        return QStringLiteral("root");
    }
    const QString name = UserName(uid);
    if (name != QString::number(uid)) {
        return QCoreApplication::translate("AtomicReplace", "the user %1").arg(name);
    }
    return QCoreApplication::translate("AtomicReplace", "the user with uid %1").arg(uid);
}

Status Refusal(const QByteArray& shown, const EntryFacts& facts, EntryRole role, PathUse use,
               const Distrust& why) {
    const QString path = QFile::decodeName(shown);
    if (QString known = KnownReason(facts, role, use, why.kind); !known.isEmpty()) {
        return Status::Untrusted(path, known);
    }
    const QString owner = OwnerName(facts.owner);
    const QString consequence = Consequence(role, use);
    const bool folder = S_ISDIR(facts.mode);
    QString reason;
    switch (why.kind) {
        case Distrust::Kind::Owner:
            reason = S_ISLNK(facts.mode)
                         ? QCoreApplication::translate("TrustedPath",
                                                       "the symlink belongs to %1, who is neither "
                                                       "root nor the user running this program; %2")
                     : folder ? QCoreApplication::translate(
                                    "TrustedPath",
                                    "the folder belongs to %1, who is neither root nor the "
                                    "user running this program; %2")
                              : QCoreApplication::translate(
                                    "TrustedPath",
                                    "the file belongs to %1, who is neither root nor the "
                                    "user running this program; %2");
            reason = reason.arg(owner, consequence);
            break;
        case Distrust::Kind::Mode:
            reason = (folder ? QCoreApplication::translate(
                                   "TrustedPath",
                                   "the folder belongs to %1, but other users may replace what "
                                   "is in it (mode %2); %3")
                             : QCoreApplication::translate(
                                   "TrustedPath",
                                   "the file belongs to %1, but other users may change it (mode "
                                   "%2); %3"))
                         .arg(owner, ModeOf(facts.mode), consequence);
            break;
        case Distrust::Kind::Acl:
        case Distrust::Kind::DefaultAcl: {
            const bool inDefault = why.kind == Distrust::Kind::DefaultAcl;
            QString removal;
            const QString entry = EntryText(why.entry, inDefault, &removal);
            const gid_t group =
                inDefault && (facts.mode & S_ISGID) == 0 ? ::getegid() : facts.group;
            const QString writer = WriterName(why.entry, group);
            const QString advice =
                !removal.isEmpty() ? QCoreApplication::translate(
                                         "TrustedPath", "Remove the entry with setfacl -x %1")
                                         .arg(removal)
                : inDefault
                    ? QCoreApplication::translate("TrustedPath",
                                                  "Remove the default ACL with setfacl -k")
                    : QCoreApplication::translate(
                          "TrustedPath", "Make it writable only by its owner with chmod go-w");
            reason = (inDefault ? QCoreApplication::translate(
                                      "TrustedPath",
                                      "its default ACL lets %1 write to what is made in it (%2); "
                                      "%3. %4")
                                : QCoreApplication::translate(
                                      "TrustedPath", "its ACL lets %1 write to it (%2); %3. %4"))
                         .arg(writer, entry, consequence, advice);
            break;
        }
        case Distrust::Kind::Links:
            reason = QCoreApplication::translate(
                         "TrustedPath",
                         "the file has %1 hard links, in a folder where other users may create "
                         "files: another user could have linked it there; %2. Keep it in a folder "
                         "of your own")
                         .arg(facts.links)
                         .arg(consequence);
            break;
        case Distrust::Kind::None:
            break;
    }
    return Status::Untrusted(path, reason);
}

Status ReadAcl(const QString& path, int fd, const char* name, std::vector<AclEntry>* entries) {
    entries->clear();
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    QByteArray value(256, Qt::Uninitialized);
    for (;;) {
        ssize_t got = ::fgetxattr(fd, name, value.data(), std::size_t(value.size()));
        // A descriptor open as a path has no attributes of its own; the file it names has.
        if (got < 0 && errno == EBADF) {
            got = ::getxattr(self, name, value.data(), std::size_t(value.size()));
            if (got < 0 && errno == ENOENT) {
                // Without /proc a folder is opened for reading instead.
                const UniqueFd folder(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                got = folder.valid()
                          ? ::fgetxattr(folder.get(), name, value.data(), std::size_t(value.size()))
                          : -1;
            }
        }
        if (got >= 0) {
            value.truncate(got);
            break;
        }
        if (errno == ENODATA || errno == ENOTSUP) {
            return Status::Ok();  // no ACL, or a file system without them
        }
        if (errno != ERANGE || value.size() >= kMaxAclBytes) {
            return ErrnoFailure(path, errno);
        }
        value.resize(value.size() * 4);
    }
    if (!ParseAcl(value, entries)) {
        return Status::PathError(path,
                                 QCoreApplication::translate("TrustedPath",
                                                             "its ACL is not one this program "
                                                             "can read"));
    }
    return Status::Ok();
}

EntryFacts FactsOf(const struct stat& info) {
    EntryFacts facts;
    facts.owner = info.st_uid;
    facts.group = info.st_gid;
    facts.mode = info.st_mode;
    facts.links = info.st_nlink;
    return facts;
}

namespace {

// The facts of the folder or file open as `fd`, which `info` describes, ACLs included.
Status FactsWithAcls(const QString& path, int fd, const struct stat& info, EntryFacts* facts) {
    *facts = FactsOf(info);
    Status read = ReadAcl(path, fd, "system.posix_acl_access", &facts->access);
    if (read.ok() && S_ISDIR(info.st_mode)) {
        read = ReadAcl(path, fd, "system.posix_acl_default", &facts->defaults);
    }
    return read;
}

// The parts of `path` to walk one by one: no empty ones, and "." only at the end, where it stands
// for a path that ends in a folder ("a/", "a/.").
QByteArrayList Components(const QByteArray& path) {
    const QByteArrayList parts = path.split('/');
    QByteArrayList components;
    for (const QByteArray& part : parts) {
        if (!part.isEmpty() && part != ".") {
            components.append(part);
        }
    }
    if (parts.last().isEmpty() || parts.last() == ".") {
        components.append(QByteArrayLiteral("."));
    }
    return components;
}

// A folder on the way, open as a path, and how messages name it.
struct Passage {
    UniqueFd fd;
    struct stat info = {};
    EntryFacts facts;
    QByteArray shown;
};

// The failure of a folder on the way to `path` that cannot be looked at for `errorNumber`: for a
// read or a start, a missing one means that nothing is there.
Status WayFailure(const QString& path, int errorNumber, PathUse use) {
    if (use != PathUse::Write && (errorNumber == ENOENT || errorNumber == ENOTDIR)) {
        return Status::PathNotFound(path, DescribeErrno(ENOENT));
    }
    return ErrnoFailure(path, errorNumber);
}

// One walk: what it is for, and for whom.
struct Walk {
    const QString& path;
    PathUse use;
    const Runner& runner;
};

// Opens the folder `name` of `base` (not following a symlink) as the next folder on the way,
// named `shown` in messages, and checks it.
Status Enter(const Walk& walk, int base, const QByteArray& name, QByteArray shown,
             Passage* folder) {
    Passage next;
    next.fd =
        UniqueFd(::openat(base, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.fd.valid() || ::fstat(next.fd.get(), &next.info) != 0) {
        return WayFailure(walk.path, errno, walk.use);
    }
    if (Status read = FactsWithAcls(walk.path, next.fd.get(), next.info, &next.facts); !read.ok()) {
        return read;
    }
    next.shown = std::move(shown);
    *folder = std::move(next);
    const Distrust why = Distrusted(folder->facts, EntryRole::Passage, false, walk.runner);
    return why.kind == Distrust::Kind::None
               ? Status::Ok()
               : Refusal(folder->shown, folder->facts, EntryRole::Passage, walk.use, why);
}

// The walk has come to the last entry `name` of `folder`, which `entry` describes when `exists`.
Status Arrive(const Walk& walk, Passage& folder, const QByteArray& name, bool exists,
              const struct stat& entry, PathEnd* end) {
    end->runner = walk.runner;
    end->folderShared = IsShared(folder.facts, walk.runner);
    end->folder = std::move(folder.fd);
    end->folderInfo = folder.info;
    end->folderShown = folder.shown;
    end->name = name;
    end->shown = name == "." ? folder.shown : Child(folder.shown, name);
    end->exists = exists;
    end->entry = entry;
    return Status::Ok();
}

Status Walked(const Walk& walk, const QByteArray& native, PathEnd* end) {
    QByteArray absolute;
    if (Status made = Absolute(walk.path, native, &absolute); !made.ok()) {
        return made;
    }
    QByteArrayList pending = Components(absolute);
    Passage folder;
    if (Status entered = Enter(walk, AT_FDCWD, "/", "/", &folder); !entered.ok()) {
        return entered;
    }
    end->linked = false;
    int hops = 0;
    while (!pending.isEmpty()) {
        const QByteArray name = pending.takeFirst();
        const bool last = pending.isEmpty();
        if (name == "." && !last) {
            continue;
        }
        if (name == "..") {
            if (last) {
                return ErrnoFailure(walk.path, EISDIR);
            }
            if (Status entered =
                    Enter(walk, folder.fd.get(), name, DirectoryOf(folder.shown), &folder);
                !entered.ok()) {
                return entered;
            }
            continue;
        }
        const QByteArray shown = Child(folder.shown, name);
        struct stat entry;
        if (::fstatat(folder.fd.get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !last) {
                return WayFailure(walk.path, errno, walk.use);
            }
            return Arrive(walk, folder, name, false, {}, end);
        }
        if (S_ISLNK(entry.st_mode)) {
            const EntryFacts link = FactsOf(entry);
            if (const Distrust why = Distrusted(link, EntryRole::Passage, false, walk.runner);
                why.kind != Distrust::Kind::None) {
                return Refusal(shown, link, EntryRole::Passage, walk.use, why);
            }
            if (++hops > kMaxSymlinkHops) {
                return ErrnoFailure(walk.path, ELOOP);
            }
            end->linked = end->linked || last;
            QByteArray target(PATH_MAX, Qt::Uninitialized);
            const ssize_t length =
                ::readlinkat(folder.fd.get(), name.constData(), target.data(), PATH_MAX);
            if (length < 0) {
                return ErrnoFailure(walk.path, errno);
            }
            if (length >= PATH_MAX) {
                return ErrnoFailure(walk.path, ENAMETOOLONG);
            }
            target.truncate(length);
            pending = Components(target) + pending;
            // A relative link goes on from the folder that holds it.
            if (target.startsWith('/')) {
                if (Status entered = Enter(walk, AT_FDCWD, "/", "/", &folder); !entered.ok()) {
                    return entered;
                }
            }
            continue;
        }
        if (!last) {
            if (!S_ISDIR(entry.st_mode)) {
                return WayFailure(walk.path, ENOTDIR, walk.use);
            }
            if (Status entered = Enter(walk, folder.fd.get(), name, shown, &folder);
                !entered.ok()) {
                return entered;
            }
            continue;
        }
        if (name == ".") {
            return Arrive(walk, folder, name, true, folder.info, end);
        }
        return Arrive(walk, folder, name, true, entry, end);
    }
    return ErrnoFailure(walk.path, EISDIR);  // not reached: the last component is never skipped
}

// Opens the regular file at the end of `end` with `flags`, only while it is the file the walk
// found, and checks it as an input: by its owner and mode first, and once open by its ACL too.
Status OpenInput(const Walk& walk, PathEnd& end, int flags, UniqueFd* file, struct stat* info) {
    if (!end.exists) {
        return Status::PathNotFound(walk.path, DescribeErrno(ENOENT));
    }
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    if (!S_ISREG(end.entry.st_mode)) {
        return walk.use == PathUse::Start
                   ? ErrnoFailure(walk.path, EACCES)  // as exec says
                   : Status::PathError(walk.path, QCoreApplication::translate(
                                                      "DiskFileSystem", "is not a regular file"));
    }
    EntryFacts facts = FactsOf(end.entry);
    if (const Distrust why = Distrusted(facts, EntryRole::Input, end.folderShared, walk.runner);
        why.kind != Distrust::Kind::None) {
        return Refusal(end.shown, facts, EntryRole::Input, walk.use, why);
    }
    // Opened from the folder checked, and taken only if it is the file checked.
    UniqueFd opened(
        ::openat(end.folder.get(), end.name.constData(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (!opened.valid() || ::fstat(opened.get(), info) != 0) {
        return ErrnoFailure(walk.path, errno);
    }
    if (info->st_dev != end.entry.st_dev || info->st_ino != end.entry.st_ino) {
        return Status::PathError(
            walk.path,
            QCoreApplication::translate("DiskFileSystem", "the file changed while it was opened"));
    }
    if (Status read = FactsWithAcls(walk.path, opened.get(), *info, &facts); !read.ok()) {
        return read;
    }
    if (const Distrust why = Distrusted(facts, EntryRole::Input, end.folderShared, walk.runner);
        why.kind != Distrust::Kind::None) {
        return Refusal(end.shown, facts, EntryRole::Input, walk.use, why);
    }
    *file = std::move(opened);
    return Status::Ok();
}

}  // namespace

Status WalkTrustedPath(const QString& path, const QByteArray& native, PathUse use, PathEnd* end) {
    const Runner runner = CurrentRunner();
    return Walked({path, use, runner}, native, end);
}

Status OpenTrustedFile(const QString& path, UniqueFd* file, struct stat* info) {
    *file = UniqueFd();
    const Runner runner = CurrentRunner();
    const Walk walk{path, PathUse::Read, runner};
    PathEnd end;
    if (Status walked = Walked(walk, QFile::encodeName(path), &end); !walked.ok()) {
        return walked;
    }
    return OpenInput(walk, end, O_RDONLY | O_NONBLOCK | O_NOCTTY, file, info);
}

Status CheckTrustedProgram(const QString& path, const QByteArray& native, QByteArray* absolute) {
    const Runner runner = CurrentRunner();
    const Walk walk{path, PathUse::Start, runner};
    PathEnd end;
    if (Status walked = Walked(walk, native, &end); !walked.ok()) {
        return walked;
    }
    UniqueFd file;
    struct stat info;
    if (Status checked = OpenInput(walk, end, O_PATH, &file, &info); !checked.ok()) {
        return checked;
    }
    return Absolute(path, native, absolute);
}

Status FindTrustedProgram(const QString& program, const QByteArray& searchPath,
                          QByteArray* absolute) {
    const QByteArray native = QFile::encodeName(program);
    if (native.contains('/')) {
        return CheckTrustedProgram(program, native, absolute);
    }
    // Which file exec would start is found by path, as exec finds it; what is started is then
    // the path that was checked, and no other user can change what that leads to.
    bool denied = false;
    for (const QByteArray& folder : searchPath.split(':')) {
        const QByteArray candidate = folder.isEmpty() ? native : Child(folder, native);
        struct stat info;
        if (::stat(candidate.constData(), &info) != 0) {
            denied = denied || errno == EACCES;
            continue;
        }
        if (!S_ISREG(info.st_mode) ||
            ::faccessat(AT_FDCWD, candidate.constData(), X_OK, AT_EACCESS) != 0) {
            denied = true;
            continue;
        }
        return CheckTrustedProgram(QFile::decodeName(candidate), candidate, absolute);
    }
    return Status::Error(DescribeErrno(denied ? EACCES : ENOENT));
}
