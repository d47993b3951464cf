#include "platform/TrustedPath.h"

#include "platform/DiskFileSystem.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace {

// The runners the decisions are tried for.
const Runner kRoot = {0, 0, false};
const Runner kAlone = {1000, 1000, true};     // a user in a primary group of its own
const Runner kSharing = {1000, 1000, false};  // a user whose primary group others are in too

using Kind = Distrust::Kind;
constexpr quint16 kRwx = 07;
constexpr quint16 kRx = 05;

AclEntry Named(quint16 tag, quint32 id, quint16 perm) {
    return {tag, perm, id};
}
AclEntry Plain(quint16 tag, quint16 perm) {
    return {tag, perm, 0};
}
// An ACL beyond the mode: the owner, `extra`, the owning group, a mask and others.
std::vector<AclEntry> Acl(std::vector<AclEntry> extra, quint16 groupPerm = kRx, quint16 mask = kRwx,
                          quint16 otherPerm = kRx) {
    std::vector<AclEntry> acl = {Plain(AclEntry::kUserObj, kRwx)};
    acl.insert(acl.end(), extra.begin(), extra.end());
    acl.push_back(Plain(AclEntry::kGroupObj, groupPerm));
    acl.push_back(Plain(AclEntry::kMask, mask));
    acl.push_back(Plain(AclEntry::kOther, otherPerm));
    return acl;
}

EntryFacts Folder(uid_t owner, gid_t group, mode_t mode, std::vector<AclEntry> access = {},
                  std::vector<AclEntry> defaults = {}) {
    return {owner, group, mode_t(S_IFDIR | mode), 2, std::move(access), std::move(defaults)};
}
EntryFacts File(uid_t owner, gid_t group, mode_t mode, nlink_t links = 1,
                std::vector<AclEntry> access = {}) {
    return {owner, group, mode_t(S_IFREG | mode), links, std::move(access), {}};
}

const AclEntry kNobodyWrites = Named(AclEntry::kUser, 65534, 06);

// Who may change what a path leads to, decided on made-up owners, modes, links and ACLs: only
// root and the runner, through the mode, the group and every ACL entry alike. Where a row gives a
// message, the refusal names the path, the owner or the ACL entry, what is not done, and what to
// do where the owner or the mode do not say it.
TEST(TrustedPathTest, DecidesByOwnerModeGroupAclAndLinks) {
    const AclEntry groupWrites = Named(AclEntry::kGroup, 100, kRwx);
    const AclEntry ownGroupWrites = Plain(AclEntry::kGroupObj, kRwx);
    const AclEntry othersWrite = Plain(AclEntry::kOther, kRwx);
    const Runner rootInAUsersGroup = {0, 1000, true};
    const EntryFacts rootsLink = {0, 0, S_IFLNK | 0777, 1, {}, {}};
    const EntryFacts usersLink = {1000, 1000, S_IFLNK | 0777, 1, {}, {}};
    using enum EntryRole;
    using enum PathUse;
    const struct {
        const char* what;
        EntryFacts facts;
        Runner runner;
        Kind kind;
        AclEntry entry = {};
        EntryRole role = Passage;
        bool inShared = false;
        PathUse use = Read;
        const char* message = nullptr;  // of the refusal of "/x"
    } cases[] = {
        // Folders and symlinks on the way.
        {"root's folder", Folder(0, 0, 0755), kRoot, Kind::None},
        {"another user's folder", Folder(1000, 1000, 0755), kRoot, Kind::Owner},
        {"the runner's own folder", Folder(1000, 1000, 0755), kAlone, Kind::None},
        {"a folder everyone may write to", Folder(0, 0, 0777), kRoot, Kind::Mode},
        {"a sticky folder everyone may write to", Folder(0, 0, 01777), kRoot, Kind::None},
        {"a folder root's group may write to", Folder(0, 0, 0775), kAlone, Kind::None},
        {"a folder another group may write to", Folder(0, 100, 0775), kRoot, Kind::Mode},
        {"a folder the runner's private group may write to", Folder(1000, 1000, 0775), kAlone,
         Kind::None},
        {"a folder the runner's shared group may write to", Folder(1000, 1000, 0775), kSharing,
         Kind::Mode},
        {"as root, a folder of a user's private group that may write", Folder(0, 1000, 0775),
         rootInAUsersGroup, Kind::Mode},
        {"a folder whose ACL lets nobody write", Folder(0, 0, 0775, Acl({kNobodyWrites})), kRoot,
         Kind::Acl, kNobodyWrites},
        {"a folder whose mask keeps nobody from writing",
         Folder(0, 0, 0755, Acl({kNobodyWrites}, kRx, kRx)), kRoot, Kind::None},
        {"a folder whose ACL lets root, the owner and the runner write",
         Folder(1000, 0, 0775,
                Acl({Named(AclEntry::kUser, 0, kRwx), Named(AclEntry::kUser, 1000, kRwx)})),
         kAlone, Kind::None},
        {"a folder whose ACL lets another group write", Folder(0, 0, 0775, Acl({groupWrites})),
         kRoot, Kind::Acl, groupWrites},
        {"a folder whose ACL lets its own group, root's, write", Folder(0, 0, 0775, Acl({}, kRwx)),
         kRoot, Kind::None},
        {"a folder whose ACL lets its own group, another, write",
         Folder(0, 65534, 0775, Acl({}, kRwx)), kRoot, Kind::Acl, ownGroupWrites, Passage, false,
         Start,
         "/x: its ACL lets the group nogroup write to it (group::rwx); nothing is started "
         "through it. Make it writable only by its owner with chmod go-w"},
        {"a folder whose ACL lets nobody write, made sticky",
         Folder(0, 0, 01775, Acl({kNobodyWrites})), kRoot, Kind::None},
        {"a folder whose default ACL lets nobody write",
         Folder(0, 0, 0755, {}, Acl({kNobodyWrites})), kRoot, Kind::DefaultAcl, kNobodyWrites,
         Passage, false, Write,
         "/x: its default ACL lets the user nobody write to what is made in it "
         "(default:user:nobody:rw-); nothing is written through it. Remove the entry with "
         "setfacl -x d:u:nobody"},
        {"a sticky folder whose default ACL lets everyone write",
         Folder(0, 0, 01777, {}, Acl({}, kRx, kRwx, kRwx)), kRoot, Kind::DefaultAcl, othersWrite},
        {"a folder whose default ACL lets nobody read",
         Folder(0, 0, 0755, {}, Acl({Named(AclEntry::kUser, 65534, kRx)})), kRoot, Kind::None},
        {"another user's symlink", usersLink, kRoot, Kind::Owner},
        {"root's symlink, whose mode says nothing", rootsLink, kRoot, Kind::None},
        // What is read or started.
        {"root's file", File(0, 0, 0644), kRoot, Kind::None, AclEntry(), Input},
        {"another user's file", File(65534, 65534, 0644), kRoot, Kind::Owner, AclEntry(), Input,
         false, Start,
         "/x: the file belongs to the user nobody, who is neither root nor the user running this "
         "program; it is not started"},
        {"a file everyone may write to", File(0, 0, 0666), kRoot, Kind::Mode, AclEntry(), Input},
        {"a file another group may write to", File(0, 100, 0664), kRoot, Kind::Mode, AclEntry(),
         Input},
        {"a file whose ACL lets nobody write", File(0, 0, 0664, 1, Acl({kNobodyWrites})), kRoot,
         Kind::Acl, kNobodyWrites, Input, false, Read,
         "/x: its ACL lets the user nobody write to it (user:nobody:rw-); it is not read. "
         "Remove the entry with setfacl -x u:nobody"},
        {"a file with two links in a shared folder", File(0, 0, 0600, 2), kRoot, Kind::Links,
         AclEntry(), Input, true, Read,
         "/x: the file has 2 hard links, in a folder where other users may create files: "
         "another user could have linked it there; it is not read. Keep it in a folder of your "
         "own"},
        {"a file with two links in a folder of its own", File(0, 0, 0600, 2), kRoot, Kind::None,
         AclEntry(), Input},
        // What a write replaces.
        {"another user's file a write replaces", File(65534, 0, 0644), kRoot, Kind::None,
         AclEntry(), Replaced},
        {"another user's file a write replaces in a shared folder", File(65534, 0, 0644), kRoot,
         Kind::Owner, AclEntry(), Replaced, true},
        {"a file with two links a write replaces in a shared folder", File(0, 0, 0644, 2), kRoot,
         Kind::Links, AclEntry(), Replaced, true},
        {"a file everyone may write to that a write replaces", File(0, 0, 0666), kRoot, Kind::None,
         AclEntry(), Replaced, true},
    };
    for (const auto& c : cases) {
        const Distrust why = Distrusted(c.facts, c.role, c.inShared, c.runner);
        EXPECT_EQ(int(why.kind), int(c.kind)) << c.what;
        EXPECT_EQ(why.entry, c.entry) << c.what;
        if (c.message) {
            const Status refused = Refusal("/x", c.facts, c.role, c.use, why);
            EXPECT_TRUE(refused.IsUntrusted()) << c.what;
            EXPECT_EQ(refused.message(), c.message) << c.what;
        }
    }
}

// Others may add to a shared folder but not replace what is ours; an ACL that lets them write
// makes a sticky folder one as the mode does.
TEST(TrustedPathTest, TellsASharedFolder) {
    const struct {
        const char* what;
        EntryFacts folder;
        bool shared;
    } cases[] = {
        {"/tmp", Folder(0, 0, 01777), true},
        {"a sticky folder only root may write to", Folder(0, 0, 01755), false},
        {"a folder everyone may write to, not sticky", Folder(0, 0, 0777), false},
        {"a sticky folder whose ACL lets nobody write", Folder(0, 0, 01775, Acl({kNobodyWrites})),
         true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsShared(c.folder, kRoot), c.shared) << c.what;
}

// The value of an ACL attribute: a version, then entries of 8 bytes, little-endian.
QByteArray AclBytes(quint32 version, const std::vector<AclEntry>& entries) {
    QByteArray value(4 + 8 * qsizetype(entries.size()), '\0');
    auto* at = reinterpret_cast<uchar*>(value.data());
    qToLittleEndian<quint32>(version, at);
    for (const AclEntry& e : entries) {
        at += at == reinterpret_cast<uchar*>(value.data()) ? 4 : 8;
        qToLittleEndian<quint16>(e.tag, at);
        qToLittleEndian<quint16>(e.perm, at + 2);
        qToLittleEndian<quint32>(e.id, at + 4);
    }
    return value;
}

TEST(TrustedPathTest, ReadsTheAclAttribute) {
    const std::vector<AclEntry> acl = Acl({kNobodyWrites});
    std::vector<AclEntry> parsed;
    EXPECT_TRUE(ParseAcl(AclBytes(2, acl), &parsed));
    EXPECT_EQ(parsed, acl);
    EXPECT_FALSE(ParseAcl(AclBytes(1, acl), &parsed)) << "another version";
    EXPECT_FALSE(ParseAcl(AclBytes(2, acl).chopped(3), &parsed)) << "a cut entry";
    EXPECT_FALSE(ParseAcl(QByteArray("\2\0"), &parsed)) << "no header";
}

// Gives the file or folder `path` the ACL `entries` as its access (or default) ACL, as setfacl
// would.
bool SetAcl(const QString& path, const std::vector<AclEntry>& entries, bool defaults = false) {
    const QByteArray value = AclBytes(2, entries);
    return ::setxattr(QFile::encodeName(path).constData(),
                      defaults ? "system.posix_acl_default" : "system.posix_acl_access",
                      value.constData(), std::size_t(value.size()), 0) == 0;
}

// The canonical path of `scratch`, once the sh `script` has run there; empty when it failed.
QString Prepared(const QTemporaryDir& scratch, const QString& script) {
    const QString root = QDir(scratch.path()).canonicalPath();
    const QString line = QString("cd '%1' && %2").arg(root, script);
    return std::system(line.toLocal8Bit().constData()) == 0 ? root : QString();
}

// What a use of a path came to: "ok", or the message after the scratch folder's path, marked
// "untrusted: " when the trust rule refused it.
QString Verdict(const Status& status, const QString& root) {
    if (status.ok())
        return "ok";
    QString message = status.message();
    if (message.startsWith(root))
        message.remove(0, root.size());
    return status.IsUntrusted() ? "untrusted: " + message : message;
}

// Reading and writing trust a path by one rule: nothing that a user other than root and the one
// running the program owns or may change, anywhere on the path, by its mode or its ACL. A read
// also wants the file itself to be such; a write replaces it, and only minds its owner and its
// links in a folder that others may add to.
TEST(TrustedPathTest, ReadsAndWritesOnlyThroughWhatNoOtherUserControls) {
    const QString nobodysFolder =
        ": the folder belongs to the user nobody, who is neither root nor the user running this "
        "program; nothing is read through it";
    const QString nobodysFile =
        "untrusted: /a/b/file: the file belongs to the user nobody, who is "
        "neither root nor the user running this program; it is not read";
    const struct {
        const char* what;
        const char* setup;  // sh, in a folder that holds a/b/file with "library" in it
        const char* path;
        QString read;
        QString written;              // empty: as `read`, a refusal saying "written" for "read"
        const char* aclOn = nullptr;  // relative path that gets kNobodyWrites in its ACL
        bool defaults = false;        // as its default ACL
    } cases[] = {
        {"root's folders and file", "true", "a/b/file", "ok"},
        {"a folder that root's group may write to", "chmod 775 a/b", "a/b/file", "ok"},
        {"a folder that another group may write to", "chgrp 65534 a/b && chmod 775 a/b", "a/b/file",
         "untrusted: /a/b: the folder belongs to root, but other users may replace what is in it "
         "(mode 0775); nothing is read through it"},
        {"its own folder in a sticky folder that everyone may add to", "chmod 1777 a", "a/b/file",
         "ok"},
        {"another user's folder in a sticky folder", "chmod 1777 a && chown 65534 a/b", "a/b/file",
         "untrusted: /a/b" + nobodysFolder},
        // Regression: root's export through another user's folder app and symlink out, to a file
        // only root may write, overwrote that file: only the folder of the file was looked at.
        {"a symlink in another user's folder to root's file",
         "chmod 1777 a && mkdir a/app && ln -s \"$PWD/a/b/file\" a/app/out && "
         "chown -h 65534:65534 a/app a/app/out",
         "a/app/out", "untrusted: /a/app" + nobodysFolder},
        {"another user's symlink", "ln -s b/file a/link && chown -h 65534 a/link", "a/link",
         "untrusted: /a/link: the symlink belongs to the user nobody, who is neither root nor the "
         "user running this program; nothing is read through it"},
        {"a symlink to another user's file, which a write replaces",
         "ln -s b/file a/link && chown 65534 a/b/file", "a/link", nobodysFile, "ok"},
        {"a file that others may change", "chmod 666 a/b/file", "a/b/file",
         "untrusted: /a/b/file: the file belongs to root, but other users may change it (mode "
         "0666); it is not read",
         "ok"},
        {"another user's file in a sticky folder", "chmod 1777 a/b && chown 65534 a/b/file",
         "a/b/file", nobodysFile,
         "untrusted: /a/b/file: the file belongs to the user nobody, in a folder where other users "
         "may create files; it is not written"},
        // Regression: after `setfacl -m u:nobody:rw config.xml`, nobody's before command ran as
        // root: the rule read only the mode, whose group bits show an ACL's mask. Nor did it mind a
        // hard link in a sticky folder to a file only root may read.
        {"a file whose ACL lets nobody write", "true", "a/b/file",
         "untrusted: /a/b/file: its ACL lets the user nobody write to it (user:nobody:rw-); it "
         "is not read. Remove the entry with setfacl -x u:nobody",
         "ok", "a/b/file"},
        {"a folder whose ACL lets nobody write", "true", "a/b/file",
         "untrusted: /a/b: its ACL lets the user nobody write to it (user:nobody:rw-); nothing is "
         "read through it. Remove the entry with setfacl -x u:nobody",
         "", "a/b"},
        {"a folder whose default ACL lets nobody write", "true", "a/b/file",
         "untrusted: /a/b: its default ACL lets the user nobody write to what is made in it "
         "(default:user:nobody:rw-); nothing is read through it. Remove the entry with setfacl -x "
         "d:u:nobody",
         "", "a/b", true},
        {"a hard link in a sticky folder",
         "chmod 600 a/b/file && mkdir -m 1777 a/s && ln a/b/file a/s/link", "a/s/link",
         "untrusted: /a/s/link: the file has 2 hard links, in a folder where other users may "
         "create files: another user could have linked it there; it is not read. Keep it in a "
         "folder of your own"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Only root can give files and ACL entries to nobody, and link a file it owns in a
        // sticky folder.
        if ((QString(c.setup).contains(QRegularExpression("65534|ln a")) || c.aclOn) &&
            ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root\n", c.what);
            continue;
        }
        QTemporaryDir scratch;
        const QString root =
            Prepared(scratch, QString("mkdir -p a/b && printf library > a/b/file && ") + c.setup);
        ASSERT_FALSE(root.isEmpty()) << c.setup;
        if (c.aclOn)
            ASSERT_TRUE(SetAcl(root + "/" + c.aclOn, Acl({kNobodyWrites}), c.defaults))
                << std::strerror(errno);
        const QString written =
            c.written.isEmpty() ? QString(c.read).replace(" read", " written") : c.written;
        DiskFileSystem files;
        std::unique_ptr<ByteSource> source;
        const QString path = root + "/" + c.path;
        EXPECT_EQ(Verdict(files.OpenTrustedFile(path, 100, &source), root), c.read);
        QByteArray bytes;
        EXPECT_EQ(c.read == "ok" ? ReadAll(*source, &bytes).ok() && bytes == "library" : !source,
                  true);
        EXPECT_EQ(Verdict(files.ReadTrustedFile(path, 100, &bytes), root), c.read);
        EXPECT_EQ(Verdict(files.CheckWriteTarget(path), root), written);
        bool linked = true;
        EXPECT_EQ(Verdict(files.ReadReplacedFile(path, 100, &bytes, &linked), root), written)
            << "what a diff shows of the file a write replaces";
        EXPECT_EQ(files.Holds(path, ProducerOf("library")), written == "ok")
            << "what a check compares with";
        EXPECT_EQ(files.WriteFile(path, "new").ok(), written == "ok");
        EXPECT_EQ(files.ReadFile(root + "/a/b/file", 100, &bytes).ok() && bytes == "new",
                  written == "ok")
            << "what the write replaced";
    }
}

// A command's program is found as execvp() finds it, and refused where another user could have
// chosen it: the first file of that name on the PATH that can be started counts, and one that
// fails the rule is not passed over for a later one.
TEST(TrustedPathTest, FindsAndChecksTheProgramOfACommand) {
    const struct {
        const char* what;
        const char* setup;  // sh, in a folder with bin1 empty and bin2/tool that may be started
        const char* program;
        const char* searchPath;  // its folders from the scratch folder's
        QString verdict;         // "ok <path started>", or the refusal
    } cases[] = {
        {"a name on the second folder of the path", "true", "tool", "bin1:bin2", "ok /bin2/tool"},
        {"a file of that name that cannot be started, passed over",
         "printf x > bin1/tool && chmod 644 bin1/tool", "tool", "bin1:bin2", "ok /bin2/tool"},
        {"a path as it is given, through a symlink that is kept", "ln -s bin2 bin3", "/bin3/tool",
         "", "ok /bin3/tool"},
        {"a program whose ACL lets nobody write", "true", "tool", "bin2",
         "untrusted: /bin2/tool: its ACL lets the user nobody write to it (user:nobody:rw-); it "
         "is not started. Remove the entry with setfacl -x u:nobody"},
        {"another user's program first on the path, not passed over",
         "cp bin2/tool bin1/tool && chown 65534 bin1/tool", "tool", "bin1:bin2",
         "untrusted: /bin1/tool: the file belongs to the user nobody, who is neither root nor "
         "the user running this program; it is not started"},
        {"a program in another user's folder", "chown 65534 bin2", "/bin2/tool", "",
         "untrusted: /bin2: the folder belongs to the user nobody, who is neither root nor the "
         "user running this program; nothing is started through it"},
        {"a name on no folder of the path", "true", "tool", "bin1", "No such file or directory"},
        {"a name only found where it cannot be started", "chmod 644 bin2/tool", "tool", "bin2",
         "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool acl = QString(c.what).contains("ACL");
        if ((QString(c.setup).contains("65534") || acl) && ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root to give files to uid 65534\n", c.what);
            continue;
        }
        QTemporaryDir scratch;
        const QString root = Prepared(
            scratch, QString("mkdir bin1 bin2 && printf '#!/bin/sh\\n' > bin2/tool && chmod 755 "
                             "bin2/tool && ") +
                         c.setup);
        ASSERT_FALSE(root.isEmpty()) << c.setup;
        if (acl)
            ASSERT_TRUE(SetAcl(root + "/bin2/tool", Acl({kNobodyWrites})));
        QByteArrayList folders;
        for (const QByteArray& folder : QByteArray(c.searchPath).split(':'))
            folders.append(QFile::encodeName(root) + '/' + folder);
        const QString program = QString(c.program).startsWith('/') ? root + c.program : c.program;
        QByteArray absolute;
        const Status found = FindTrustedProgram(program, folders.join(':'), &absolute);
        EXPECT_EQ(found.ok() ? "ok " + QFile::decodeName(absolute).remove(0, root.size())
                             : Verdict(found, root),
                  c.verdict);
    }
}

}  // namespace
