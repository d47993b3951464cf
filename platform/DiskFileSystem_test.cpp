#include "platform/DiskFileSystem.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Bytes that are not text: every byte value, NULs included, in a pattern that does not repeat
// at any power-of-two period.
QByteArray Binary(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

// What stands in a save's way. A save flushes its file with fdatasync() and its folder with
// fsync().
struct Hindrance {
    std::vector<unsigned> calls = {};  // system calls that fail with `error`
    int error = 0;
    int resource = RLIMIT_FSIZE;  // lowered to `limit`
    rlim_t limit = RLIM_INFINITY;
    bool nobody = false;  // runs as the user and group nobody while the process stays root
};

// Runs `work` on a thread of its own, which alone gets the seccomp filter and the identity (the
// raw system calls change the calling thread only, the C library's would change all). The limit
// is the process's and is put back; SIGXFSZ is ignored, so that a full disk fails with EFBIG.
Status Hindered(const Hindrance& h, const std::function<Status()>& work) {
    rlimit normal;
    ::getrlimit(h.resource, &normal);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    Status result = Status::Error("the hindrance could not be set up");
    std::thread([&] {
        std::vector<sock_filter> filter = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
        for (const unsigned call : h.calls) {
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
            filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | unsigned(h.error)));
        }
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
        const sock_fprog program = {static_cast<unsigned short>(filter.size()), filter.data()};
        const rlimit lowered = {h.limit, normal.rlim_max};
        if ((h.calls.empty() || (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                                 ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0)) &&
            (!h.nobody || (::syscall(SYS_setgroups, 0, nullptr) == 0 &&
                           ::syscall(SYS_setresgid, 65534, 65534, 65534) == 0 &&
                           ::syscall(SYS_setresuid, 65534, 65534, 65534) == 0)) &&
            (h.limit == RLIM_INFINITY || ::setrlimit(h.resource, &lowered) == 0)) {
            result = work();
        }
        ::setrlimit(h.resource, &normal);
    }).join();
    ::signal(SIGXFSZ, handler);
    return result;
}

class DiskFileSystemTest : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return mDir.filePath(name); }
    QByteArray Native(const QString& name) const { return QFile::encodeName(Path(name)); }
    // Failure text of `name` for the error number `error`.
    QString Failure(const QString& name, int error) const {
        return Path(name) + QStringLiteral(": ") + DescribeErrno(error);
    }
    // Runs sh in the test's folder.
    bool Sh(const QString& script) const {
        return std::system(QFile::encodeName("cd '" + mDir.path() + "' && " + script)) == 0;
    }
    void Put(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray Slurp(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Everything in the folder, hidden entries too, so that a left-over temporary file shows.
    QStringList Entries(const QString& folder = "") const {
        return QDir(Path(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    // Every entry under `folder` with its size and modification time, so that any write shows.
    QByteArray Tree(const QString& folder) const {
        QProcess find;
        find.start("sh", {"-c", "find \"$0\" -printf '%P %s %T@\\n' | sort", Path(folder)});
        find.waitForFinished(-1);
        return find.readAllStandardOutput();
    }
    struct stat Stat(const QString& name) const {
        struct stat info = {};
        ::lstat(Native(name).constData(), &info);
        return info;
    }
    // Sets the modification time of `name` far back, so that Kept() can tell it was left alone.
    struct stat Aged(const QString& name) {
        const timespec past[2] = {{1000, 0}, {1000, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, Native(name).constData(), past, 0), 0);
        return Stat(name);
    }
    bool Kept(const QString& name, const struct stat& before) const {
        const struct stat after = Stat(name);
        return before.st_ino == after.st_ino && after.st_mtim.tv_sec == 1000;
    }

    QTemporaryDir mDir;
    DiskFileSystem mFs;
};

TEST_F(DiskFileSystemTest, ReadsWholeFilesUpToTheLimitAndNoFurther) {
    QByteArray read;
    for (const qsizetype size : {1, 65537, 300001}) {
        Put("data", Binary(size));
        EXPECT_TRUE(mFs.ReadFile(Path("data"), size, &read).ok() && read == Binary(size)) << size;
        EXPECT_EQ(
            mFs.ReadFile(Path("data"), size - 1, &read).message(),
            Path("data") + QStringLiteral(": the file is larger than %1 bytes").arg(size - 1));
    }
    // /proc files claim a size of 0 but have contents: the size from fstat is only a hint.
    EXPECT_TRUE(mFs.ReadFile("/proc/self/status", 1 << 20, &read).ok() && read.startsWith("Name"));
    EXPECT_FALSE(mFs.ReadFile("/proc/self/status", 10, &read).ok());
}

// A read of a FIFO without a writer never waits, and nothing is written where a write cannot go.
TEST_F(DiskFileSystemTest, FailuresNameThePathAndTheReason) {
    Put("file", "keep");
    ASSERT_TRUE(Sh("mkdir dir && mkfifo fifo && ln -s nowhere dangling && ln -s loop loop"));
    for (const QString name : {"no/file", "file/file", "dangling", "dir", "fifo"}) {
        const bool missing = name != "dir" && name != "fifo";
        QByteArray read;
        const Status status = mFs.ReadFile(Path(name), 9, &read);
        EXPECT_EQ(status.message(),
                  missing ? Failure(name, ENOENT) : Path(name) + ": is not a regular file");
        EXPECT_TRUE(status.IsNotFound() == missing && mFs.Exists(Path(name)) != missing);
    }
    const std::pair<QString, QString> writes[] = {{"dir", DescribeErrno(EISDIR)},
                                                  {"file/out", DescribeErrno(ENOTDIR)},
                                                  {"no/out", DescribeErrno(ENOENT)},
                                                  {"loop", DescribeErrno(ELOOP)},
                                                  {"fifo", "no program is reading from this pipe"}};
    for (const auto& [name, reason] : writes)
        EXPECT_EQ(mFs.WriteFile(Path(name), "new").message(), Path(name) + ": " + reason);
    EXPECT_EQ(Slurp("file"), QByteArray("keep"));
    EXPECT_EQ(Entries(), QStringList({"dangling", "dir", "fifo", "file", "loop"}));
    EXPECT_TRUE(QDir(Path("dir")).isEmpty() && S_ISFIFO(Stat("fifo").st_mode));
}

TEST_F(DiskFileSystemTest, AProducerThatFailsAfterItWroteLeavesTheOldFile) {
    Put("out", "old");
    const Status status = mFs.WriteFileFrom(Path("out"), [](ByteSink& sink) {
        sink.Append("new", 3);
        return Status::Error("template: Input/output error");
    });
    EXPECT_EQ(status.message(), "template: Input/output error");
    EXPECT_EQ(Slurp("out"), QByteArray("old"));
    EXPECT_EQ(Entries(), QStringList{"out"});
}

// Setuid and setgid too, which a change of owner clears: the new file gets its owner first.
TEST_F(DiskFileSystemTest, KeepsPermissionBitsAndOwner) {
    const bool root = ::geteuid() == 0;  // only root may give a file to another user
    for (const mode_t mode : {mode_t(0604), mode_t(04750), mode_t(02710)}) {
        Put("out", "old");
        ASSERT_TRUE(!root || ::chown(Native("out").constData(), 65534, 65533) == 0);
        ASSERT_EQ(::chmod(Native("out").constData(), mode), 0);
        ASSERT_TRUE(mFs.WriteFile(Path("out"), "new").ok());
        const struct stat info = Stat("out");
        EXPECT_EQ(info.st_mode & 07777, mode);
        EXPECT_TRUE(!root || (info.st_uid == 65534 && info.st_gid == 65533)) << mode;
    }
}

// A file that holds the new bytes already keeps its inode and modification time; any other is
// replaced by exactly the new bytes, also where the system cannot copy their common start itself.
// The bytes come in pieces that straddle those the file is read in, after a start that the
// producer takes back.
TEST_F(DiskFileSystemTest, LeavesAFileThatHoldsTheBytesAlready) {
    const QByteArray big = Binary(600001);
    QByteArray middle = big;
    middle[300000] = ~middle[300000];
    struct Case {
        const char* what;
        QByteArray old, bytes;
        bool kept;
    };
    const Case cases[] = {
        {"nothing, over an empty file", "", "", true},
        {"the same 600,001 bytes", big, big, true},
        {"an old file that goes on past 600,001 new bytes", big + "tail", big, false},
        {"new bytes that go on past the old file", "same", "same!", false},
        {"a byte in the middle that differs", big, middle, false}};
    for (const bool copyInKernel : {true, false}) {
        SCOPED_TRACE(copyInKernel ? "copied by the kernel" : "copied through a buffer");
        for (const Case& c : cases) {
            Put("out", c.old);
            const struct stat before = Aged("out");
            const Hindrance fault =
                copyInKernel ? Hindrance{} : Hindrance{{__NR_copy_file_range}, ENOSYS};
            const Status status = Hindered(fault, [&] {
                return mFs.WriteFileFrom(Path("out"), [&c](ByteSink& sink) {
                    sink.Append("x", 1);
                    sink.Restart();
                    for (qsizetype at = 0; at < c.bytes.size(); at += 70001)
                        sink.Append(c.bytes.constData() + at,
                                    std::min(qsizetype(70001), c.bytes.size() - at));
                    return Status::Ok();
                });
            });
            ASSERT_TRUE(status.ok()) << c.what << ": " << status.message().toStdString();
            EXPECT_TRUE(Slurp("out") == c.bytes) << c.what << ": the file holds other bytes";
            EXPECT_EQ(Kept("out", before), c.kept)
                << c.what << (c.kept ? ": the file was replaced" : ": the file was left alone");
            EXPECT_EQ(Entries(), QStringList{"out"}) << c.what;
        }
    }
}

// A symlink is followed, through a chain and to a file that does not exist yet, and stays.
TEST_F(DiskFileSystemTest, WritesThroughSymlinksAndKeepsThem) {
    ASSERT_TRUE(
        Sh("mkdir real && ln -s target link && ln -s real/new dangling && "
           "ln -s dangling chain && echo old > target"));
    ASSERT_TRUE(mFs.WriteFile(Path("link"), "new").ok() && mFs.WriteFile(Path("chain"), "2").ok());
    EXPECT_EQ(Slurp("target") + Slurp("real/new"), QByteArray("new2"));
    EXPECT_TRUE(S_ISLNK(Stat("link").st_mode) && S_ISLNK(Stat("dangling").st_mode) &&
                S_ISLNK(Stat("chain").st_mode));
    EXPECT_EQ(Entries(), QStringList({"chain", "dangling", "link", "real", "target"}));
}

// A killed save's temporary file is removed by the next save of the same file that writes, unless
// a live save still holds it. Only ".<name>.tervo-", its own inode number in 16 hexadecimal
// digits, "-" and six random characters goes. "%i" stands for the entry's own inode number, "%o"
// for that of another file.
TEST_F(DiskFileSystemTest, RemovesTheTemporariesOfKilledSavesOnly) {
    struct Case {
        const char* what;
        const char* name;
        const char* make;  // as "new"
        bool removed;
    };
    const Case cases[] = {
        {"a killed save's temporary of a.out", ".a.out.tervo-%i-Ab3dE9", "touch", true},
        {"a user's file (regression)", ".a.out.tervo-backup", "touch", false},
        {"another user's file (regression)", ".settings.xml.tervo-Backup", "touch", false},
        {"a name with another file's inode: a copy", ".a.out.tervo-%o-Ab3dE9", "touch", false},
        {"another file's temporary", ".b.out.tervo-%i-Ab3dE9", "touch", false},
        {"a symlink", ".a.out.tervo-%i-link00", "ln -s a.out", false},
        {"a killed save's temporary that a live save holds", ".a.out.tervo-%i-Zz0000", "touch",
         false}};
    Put("a.out", "old");
    Put("settings.xml", "old");
    const auto hex = [this](const QString& name) {
        return QString::number(quint64(Stat(name).st_ino), 16).rightJustified(16, u'0');
    };
    QStringList after = {"a.out", "settings.xml"};
    for (const Case& c : cases) {
        ASSERT_TRUE(Sh(c.make + QString(" new"))) << c.what;
        const QString name = QString(c.name).replace("%i", hex("new")).replace("%o", hex("a.out"));
        ASSERT_EQ(::rename(Native("new").constData(), Native(name).constData()), 0);
        after << (c.removed ? QString() : name);
    }
    after.removeAll(QString());
    after.sort();
    const QString held = after.filter("Zz0000").value(0);  // the last row's
    {
        const UniqueFd holder(::open(Native(held).constData(), O_RDONLY | O_CLOEXEC));
        ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
        ASSERT_TRUE(mFs.WriteFile(Path("a.out"), "new").ok());
        ASSERT_TRUE(mFs.WriteFile(Path("settings.xml"), "new").ok());
        EXPECT_EQ(Entries(), after);
    }
    // Once its save is gone, the next save that writes takes it away.
    ASSERT_TRUE(mFs.WriteFile(Path("a.out"), "newer").ok());
    after.removeOne(held);
    EXPECT_EQ(Entries(), after);
}

// Private copies of /dev/null and /dev/full, so that a wrong rename cannot hurt the machine.
TEST_F(DiskFileSystemTest, WritesDevicesInPlace) {
    if (!Sh("mknod null c 1 3 && mknod full c 1 7"))
        GTEST_SKIP() << "cannot create device nodes";
    EXPECT_TRUE(mFs.WriteFile(Path("null"), Binary(100000)).ok());
    EXPECT_EQ(mFs.WriteFile(Path("full"), "x").message(), Failure("full", ENOSPC));
    EXPECT_TRUE(S_ISCHR(Stat("null").st_mode) && S_ISCHR(Stat("full").st_mode));
    EXPECT_EQ(Entries().size(), 2);
}

// A FIFO is written in place, to a reader that was there first (more than a pipe holds, so the
// writer has to wait for it); a reader that goes away mid-write is an error, not a SIGPIPE.
TEST_F(DiskFileSystemTest, WritesFifosInPlace) {
    ASSERT_EQ(::mkfifo(Native("fifo").constData(), 0600), 0);
    const QByteArray bytes = Binary(1 << 20);
    for (const bool readAll : {true, false}) {
        const int reader = ::open(Native("fifo").constData(), O_RDONLY | O_NONBLOCK);
        QByteArray received;
        std::thread other([&] {
            pollfd ready = {reader, POLLIN, 0};
            char buffer[8192];
            for (ssize_t got; ::poll(&ready, 1, 20000) > 0 &&
                              (got = ::read(reader, buffer, sizeof buffer)) > 0 && readAll;)
                received.append(buffer, got);
            ::close(reader);
        });
        const Status status = mFs.WriteFile(Path("fifo"), bytes);
        other.join();
        EXPECT_EQ(status.message(), readAll ? QString() : Failure("fifo", EPIPE));
        EXPECT_TRUE(!readAll || received == bytes) << received.size() << " bytes arrived";
    }
    // The broken pipe's SIGPIPE is neither left pending nor blocked.
    sigset_t pending, blocked;
    ASSERT_TRUE(::sigpending(&pending) == 0 &&
                ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked) == 0);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE) || sigismember(&blocked, SIGPIPE));
    EXPECT_EQ(Entries(), QStringList{"fifo"});
}

// A disk that is full or cannot store what was written (its flushes fail) keeps the old file and
// leaves no temporary file. Regression: a save reported success when the folder could not be
// opened to flush the rename (no descriptor left, as under `ulimit -n 4`) and when that flush
// failed. The folder is opened before anything is written; a failed flush comes after the file
// was replaced, and says so.
TEST_F(DiskFileSystemTest, AFailingDiskOrFolderKeepsTheOldFileOrSaysItWasReplaced) {
    const int lowest = ::dup(0);  // every descriptor below it is open
    ::close(lowest);
    const Hindrance noFlush = {{__NR_fsync, __NR_fdatasync}, EIO};
    const Hindrance noFd = {.resource = RLIMIT_NOFILE, .limit = rlim_t(lowest)};
    const Hindrance oneFd = {.resource = RLIMIT_NOFILE, .limit = rlim_t(lowest + 1)};
    const QString full = ": " + DescribeErrno(EFBIG), eio = ": " + DescribeErrno(EIO);
    const QString noFile = ": " + DescribeErrno(EMFILE);
    const QString replaced =
        ": the file was replaced, but the folder could not be flushed to the disk" + eio;
    struct Case {
        const char* what;
        Hindrance fault;
        qsizetype size;   // of the new file
        const char* old;  // nullptr: there is none
        QString says;     // after the path
    };
    const Case cases[] = {
        {"a full disk", {.limit = 0}, 10, "old", full},
        {"a disk that fills up part-way", {.limit = 4096}, 300000, "old", full},
        {"a disk that cannot store what was written", noFlush, 10, "old", eio},
        {"a disk that cannot store what was written, no old file", noFlush, 300000, nullptr, eio},
        {"no descriptor to spare (regression)", noFd, 3, "old", noFile},
        {"one descriptor to spare (regression)", oneFd, 3, "old", noFile},
        {"the folder's flush fails (regression)", {{__NR_fsync}, EIO}, 3, "old", replaced}};
    for (const Case& c : cases) {
        ::unlink(Native("out").constData());
        // A save of its own first: UndefinedBehaviorSanitizer checks the first virtual call of a
        // kind through a pipe, which it could not open under a lowered descriptor limit.
        ASSERT_TRUE(!c.old || mFs.WriteFile(Path("out"), c.old).ok());
        const Status status =
            Hindered(c.fault, [&] { return mFs.WriteFile(Path("out"), Binary(c.size)); });
        EXPECT_EQ(status.message(), Path("out") + c.says) << c.what;
        EXPECT_EQ(Slurp("out"), c.says == replaced ? Binary(c.size)
                                : c.old            ? QByteArray(c.old)
                                                   : "<missing>")
            << c.what;
        EXPECT_EQ(Entries(), c.old ? QStringList{"out"} : QStringList()) << c.what;
    }
}

// Regression: an export by root to /tmp/s/app/out, where another user had made the folder app
// and in it a symlink out to a file that only root may write, overwrote that file: only the last
// folder of a path was looked at. Each row runs in a folder of its own, with `s` a sticky folder
// that everyone may write and `victim` a file of root's; 65534 is the user and group nobody.
TEST_F(DiskFileSystemTest, WritesThroughNothingThatAnotherUserControls) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to another user";
    const QString folder = QStringLiteral(
        "the folder belongs to the user nobody, who is neither root nor the user running this "
        "program; nothing is written through it");
    const QString symlink = QString(folder).replace("folder", "symlink");
    const QString open = QStringLiteral(
        "the folder belongs to root, but other users may replace "
        "what is in it (mode %1); nothing is written through it");
    struct Case {
        const char* what;
        const char* setup;    // sh, in the row's folder
        const char* from;     // the current folder, when the path written is relative to it
        const char* written;  // the path written, relative to the row's folder or `from`
        const char* refused;  // what the refusal names, or nullptr when the path is written
        QString reason;       // or where the bytes land
    };
    const Case cases[] = {
        {"another user's folder in a shared one, with a symlink to root's file (regression)",
         "mkdir s/app && ln -s \"$PWD/victim\" s/app/out && chown -h 65534:65534 s/app s/app/out",
         nullptr, "s/app/out", "s/app", folder},
        {"another user's folder further up", "mkdir -p s/app/deep && chown 65534 s/app", nullptr,
         "s/app/deep/out", "s/app", folder},
        {"back up out of another user's folder", "mkdir s/app && chown 65534 s/app", nullptr,
         "s/app/../out", "s/app", folder},
        {"a relative path from inside another user's folder", "mkdir s/app && chown 65534 s/app",
         "s/app", "out", "s/app", folder},
        {"another user's symlink to a folder",
         "mkdir real && ln -s \"$PWD/real\" s/app && chown -h 65534 s/app", nullptr, "s/app/out",
         "s/app", symlink},
        {"another user's symlink in root's own folder",
         "mkdir own && ln -s \"$PWD/victim\" own/out && chown -h 65534 own/out", nullptr, "own/out",
         "own/out", symlink},
        {"root's folder that everyone may change", "mkdir -m 0777 s/app", nullptr, "s/app/out",
         "s/app", open.arg("0777")},
        {"root's folder that another group may change", "mkdir -m 0775 s/app && chgrp 65534 s/app",
         nullptr, "s/app/out", "s/app", open.arg("0775")},
        {"another user's FIFO in a shared folder", "mkfifo -m 666 s/out && chown 65534 s/out",
         nullptr, "s/out", "s/out",
         "the file belongs to the user nobody, in a folder where other users may create files; it "
         "is not written"},
        {"root's folder in a shared one, with root's symlink to root's file",
         "mkdir s/app && ln -s \"$PWD/victim\" s/app/out", nullptr, "s/app/out", nullptr, "victim"},
        {"a sticky folder that another group may change, root's file in it",
         "mkdir -m 1775 s/app && chgrp 65534 s/app", nullptr, "s/app/out", nullptr, "s/app/out"}};
    for (int row = 0; row < int(std::size(cases)); ++row) {
        const Case& c = cases[row];
        const QString name = QString::number(row) + '/', dir = Path(name);
        ASSERT_TRUE(Sh("mkdir " + name + " && cd " + name +
                       " && mkdir -m 1777 s && echo keep > victim && " + c.setup))
            << c.setup;
        const QByteArray before = Tree(name);
        const QString home = QDir::currentPath();
        ASSERT_TRUE(!c.from || QDir::setCurrent(dir + c.from));
        const QString message =
            mFs.WriteFile(c.from ? c.written : dir + c.written, "new").message();
        ASSERT_TRUE(QDir::setCurrent(home));
        if (c.refused) {
            EXPECT_EQ(message, dir + c.refused + ": " + c.reason) << c.what;
            EXPECT_EQ(Tree(name), before) << c.what << ": something was written";
        } else {
            EXPECT_EQ(message, "") << c.what;
            EXPECT_EQ(Slurp(name + c.reason), "new") << c.what << ": " << c.reason.toStdString();
        }
        EXPECT_EQ(Slurp(name + "victim"), c.reason == "victim" ? "new" : "keep\n") << c.what;
    }
}

// Regression: a file that held the new bytes already could not be "saved" when its user could not
// write it or the disk was full, since the comparison wrote a temporary copy on the way. A file
// that changes still needs the right (and room, as a failing disk shows above). Runs as nobody, in
// `mine` (nobody's folder) or `roots` (root's, which nobody may not write); "no room" is a file
// size limit of 0 bytes.
TEST_F(DiskFileSystemTest, NeedsNoRightToWriteNorRoomForAFileThatHoldsTheBytes) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can take another user's identity";
    struct Case {
        const char* what;
        QString folder;
        mode_t mode;  // of the file, nobody's
        bool room, changes;
        int error;  // 0 when the save succeeds
    };
    const Case cases[] = {
        {"a read-only file that holds the bytes", "mine", 0444, true, false, 0},
        {"a file that holds the bytes, in a folder nobody may not write", "roots", 0644, true,
         false, 0},
        {"a file that holds the bytes, without room", "mine", 0644, false, false, 0},
        {"a read-only file that changes", "mine", 0444, true, true, EACCES},
        {"a file that changes, in a folder nobody may not write", "roots", 0644, true, true,
         EACCES}};
    ASSERT_EQ(::chmod(Native("").constData(), 0755), 0);  // so that nobody may enter
    for (const Case& c : cases) {
        const QString out = c.folder + "/out";
        ASSERT_TRUE(Sh(QString("rm -rf %1 && mkdir %1 && echo -n old > %2 && chown 65534:65534 %2 "
                               "&& chmod %3 %2 && { [ %1 = roots ] || chown 65534 %1; }")
                           .arg(c.folder, out)
                           .arg(c.mode, 0, 8)));
        const struct stat before = Aged(out);
        const Hindrance fault = {.limit = c.room ? RLIM_INFINITY : 0, .nobody = true};
        const Status status =
            Hindered(fault, [&] { return mFs.WriteFile(Path(out), c.changes ? "new" : "old"); });
        EXPECT_EQ(status.message(), c.error ? Failure(out, c.error) : "") << c.what;
        EXPECT_EQ(Slurp(out), QByteArray(c.changes && !c.error ? "new" : "old")) << c.what;
        EXPECT_EQ(Kept(out, before), !c.changes || c.error) << c.what;
        EXPECT_EQ(Entries(c.folder), QStringList{"out"}) << c.what;
    }
}

// Regression: a save waited for ever, and without a word, for a folder that another program had
// locked. It says that it waits once the lock has not come in time, and gives up when told to,
// naming the folder. Here the test itself holds the lock, through an open file of its own.
TEST_F(DiskFileSystemTest, WaitingForTheLockIsToldAndEnds) {
    using std::chrono::milliseconds;
    struct Case {
        const char* what;
        bool held, releasedWhenTold;
        milliseconds giveUpAfter;
        const char* failure;  // after the folder's name, or "" when the lock is taken
    };
    const Case cases[] = {
        {"a free lock is taken at once, without a word", false, false, milliseconds(0), ""},
        {"a held lock is waited for and told about", true, true, milliseconds::max(), ""},
        {"a lock held for too long is given up", true, false, milliseconds(1500),
         ": gave up waiting after 1.5 s: another program is still saving there"}};
    const auto openFolder = [this] {
        return UniqueFd(::open(Native("").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    };
    for (const Case& c : cases) {
        UniqueFd holder = openFolder();
        ASSERT_TRUE(!c.held || ::flock(holder.get(), LOCK_EX) == 0);
        QStringList told;
        const auto tell = [&](const QString& message) {
            told << message;
            if (c.releasedWhenTold)
                holder.Close();
        };
        std::unique_ptr<UpdateLock> lock;
        QElapsedTimer timer;
        timer.start();
        const Status status = mFs.LockForUpdate(Path("settings.xml"),
                                                {tell, milliseconds(100), c.giveUpAfter}, &lock);
        EXPECT_EQ(status.message(), c.failure[0] ? mDir.path() + c.failure : "") << c.what;
        EXPECT_TRUE(c.failure[0] == '\0' || timer.elapsed() >= 1500) << c.what << ": too soon";
        EXPECT_EQ(
            told.join('|'),
            c.held ? "Waiting for " + mDir.path() + ": another program is saving there..." : "")
            << c.what;
        // A lock that was taken keeps every other save out until it goes.
        const UniqueFd other = openFolder();
        holder.Close();
        EXPECT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB) != 0, status.ok()) << c.what;
        lock.reset();
        EXPECT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0) << c.what;
    }
}

}  // namespace
