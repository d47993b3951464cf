#include "platform/DiskFileSystem.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
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
#include <sys/sysmacros.h>
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
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return bytes;
}

// From here on each of the system calls `calls` of the calling thread fails with `error`, until
// the thread ends. A save flushes its file with fdatasync() and its folder with fsync().
bool FailCalls(std::initializer_list<unsigned> calls, int error) {
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (const unsigned call : calls) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | unsigned(error)));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program = {static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Runs `work` on a thread of its own (seccomp filters and limits go with it) and returns its
// result.
Status OnThread(const std::function<Status()>& work) {
    Status result = Status::Error("the thread did not run");
    std::thread([&] { result = work(); }).join();
    return result;
}

// Runs `work` on a thread of its own as the user and group nobody, while the rest of the process
// stays root. The system calls change the calling thread alone; the C library's would change all.
Status AsNobody(const std::function<Status()>& work) {
    return OnThread([&] {
        if (::syscall(SYS_setgroups, 0, nullptr) != 0 ||
            ::syscall(SYS_setresgid, 65534, 65534, 65534) != 0 ||
            ::syscall(SYS_setresuid, 65534, 65534, 65534) != 0) {
            return Status::Error("could not become nobody");
        }
        return work();
    });
}

// Every entry under `dir`, hidden ones too, with its size and modification time, so that a file
// written, created or removed shows.
QStringList Tree(const QString& dir) {
    QStringList tree;
    QDirIterator entries(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        struct stat info = {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        tree << QStringLiteral("%1 %2 %3.%4")
                    .arg(path.mid(dir.size()))
                    .arg(info.st_size)
                    .arg(info.st_mtim.tv_sec)
                    .arg(info.st_mtim.tv_nsec);
    }
    tree.sort();
    return tree;
}

class DiskFileSystemTest : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return mDir.filePath(name); }
    QByteArray Native(const QString& name) const { return QFile::encodeName(Path(name)); }
    // Failure text of `name` for the error number `error`.
    QString Failure(const QString& name, int error) const {
        return Path(name) + QStringLiteral(": ") + DescribeErrno(error);
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
    struct stat Stat(const QString& name) const {
        struct stat info = {};
        ::lstat(Native(name).constData(), &info);
        return info;
    }
    // Sets the modification time of `name` far back, so that Kept() can tell it was left alone.
    void Age(const QString& name) {
        const timespec past[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, Native(name).constData(), past, 0), 0);
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
    for (const qsizetype size : {1, 65536, 65537, 300001}) {
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
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("dir")));
    ASSERT_EQ(::mkfifo(Native("fifo").constData(), 0600), 0);
    ASSERT_EQ(::symlink("nowhere", Native("dangling").constData()), 0);
    ASSERT_EQ(::symlink("loop", Native("loop").constData()), 0);
    for (const QString name : {"no/file", "file/file", "dangling", "dir", "fifo"}) {
        const bool missing = name != "dir" && name != "fifo";
        QByteArray read;
        const Status status = mFs.ReadFile(Path(name), 9, &read);
        EXPECT_EQ(status.message(), missing
                                        ? Failure(name, ENOENT)
                                        : Path(name) + QStringLiteral(": is not a regular file"));
        EXPECT_TRUE(status.IsNotFound() == missing && mFs.Exists(Path(name)) != missing);
    }
    const std::pair<QString, int> writes[] = {
        {"dir", EISDIR}, {"file/out", ENOTDIR}, {"no/out", ENOENT}, {"loop", ELOOP}};
    for (const auto& [name, error] : writes) {
        EXPECT_EQ(mFs.WriteFile(Path(name), "new").message(), Failure(name, error));
    }
    EXPECT_EQ(mFs.WriteFile(Path("fifo"), "new").message(),
              Path("fifo") + QStringLiteral(": no program is reading from this pipe"));
    EXPECT_EQ(Slurp("file"), QByteArray("keep"));
    EXPECT_EQ(Entries(), QStringList({"dangling", "dir", "fifo", "file", "loop"}));
    EXPECT_TRUE(QDir(Path("dir")).isEmpty() && S_ISFIFO(Stat("fifo").st_mode));
}

// What a producer wrote before it started over is gone; a producer that fails after it wrote
// leaves the old file and its failure.
TEST_F(DiskFileSystemTest, AProducerCanStartOverOrFail) {
    for (const bool fails : {false, true}) {
        Put("out", "old");
        const Status status = mFs.WriteFileFrom(Path("out"), [fails](ByteSink& sink) {
            EXPECT_TRUE(sink.Append("discarded", 9) && sink.Restart());
            EXPECT_TRUE(sink.Append("new", 3));
            return fails ? Status::Error("template: Input/output error") : Status::Ok();
        });
        EXPECT_EQ(status.message(), fails ? "template: Input/output error" : "");
        EXPECT_EQ(Slurp("out"), QByteArray(fails ? "old" : "new"));
        EXPECT_EQ(Entries(), QStringList{"out"});
    }
}

TEST_F(DiskFileSystemTest, KeepsPermissionBitsAndOwner) {
    // Setuid and setgid too, which a change of owner clears: the new file gets its owner first.
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
// replaced by exactly the new bytes, also where they share a long start with the old file and the
// system cannot copy that start itself. The bytes come in pieces that straddle those the file is
// read in, and the comparison starts over with the producer.
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
        {"nothing, over a file", "x", "", false},
        {"new bytes that go on past the old file", "same", "same!", false},
        {"a last byte that differs", big, big.left(600000) + 'x', false},
        {"a byte in the middle that differs", big, middle, false}};
    for (const bool copyInKernel : {true, false}) {
        SCOPED_TRACE(copyInKernel ? "copied by the kernel" : "copied through a buffer");
        for (const Case& c : cases) {
            Put("out", c.old);
            Age("out");
            const struct stat before = Stat("out");
            const Status status = OnThread([&] {
                if (!copyInKernel && !FailCalls({__NR_copy_file_range}, ENOSYS))
                    return Status::Error("no filter");
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
    Put("target", "old");
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("real")));
    ASSERT_EQ(::symlink("target", Native("link").constData()), 0);
    ASSERT_EQ(::symlink("real/new", Native("dangling").constData()), 0);
    ASSERT_EQ(::symlink("dangling", Native("chain").constData()), 0);
    ASSERT_TRUE(mFs.WriteFile(Path("link"), "new").ok() && mFs.WriteFile(Path("chain"), "2").ok());
    EXPECT_EQ(Slurp("target") + Slurp("real/new"), QByteArray("new2"));
    EXPECT_TRUE(S_ISLNK(Stat("link").st_mode) && S_ISLNK(Stat("dangling").st_mode) &&
                S_ISLNK(Stat("chain").st_mode));
    EXPECT_EQ(Entries(), QStringList({"chain", "dangling", "link", "real", "target"}));
}

// A killed save's temporary file is removed by the next save of the same file that writes, unless
// a live save still holds it. Only a file named ".<name>.tervo-", its own inode number in 16
// hexadecimal digits, "-" and six random characters goes. "%i" in a name stands for the inode
// number of the entry itself, "%o" for that of another file.
TEST_F(DiskFileSystemTest, RemovesTheTemporariesOfKilledSavesOnly) {
    struct Case {
        const char* what;
        const char* name;
        char kind;  // 'f' a file, 'd' a folder, 'l' a symlink to "a.out", 'h' a file a save holds
        bool removed;
    };
    const Case cases[] = {
        {"a killed save's temporary of a.out", ".a.out.tervo-%i-Ab3dE9", 'f', true},
        {"a user's file (regression)", ".a.out.tervo-backup", 'f', false},
        {"another user's file (regression)", ".settings.xml.tervo-Backup", 'f', false},
        {"a name of the earlier shape", ".a.out.tervo-Ab3dE9", 'f', false},
        {"a name with another file's inode: a copy", ".a.out.tervo-%o-Ab3dE9", 'f', false},
        {"a random part too long", ".a.out.tervo-%i-Ab3dE9x", 'f', false},
        {"another file's temporary", ".b.out.tervo-%i-Ab3dE9", 'f', false},
        {"no dot in front", "a.out.tervo-%i-Ab3dE9", 'f', false},
        {"a folder", ".a.out.tervo-%i-dir000", 'd', false},
        {"a symlink", ".a.out.tervo-%i-link00", 'l', false},
        {"a killed save's temporary that a live save holds", ".a.out.tervo-%i-Zz0000", 'h', false}};
    Put("a.out", "old");
    Put("settings.xml", "old");
    const auto hex = [this](const QString& name) {
        return QString::number(quint64(Stat(name).st_ino), 16).rightJustified(16, u'0');
    };
    QStringList after = {"a.out", "settings.xml"};
    QString held;
    for (const Case& c : cases) {
        const QByteArray made = Native("new");
        ASSERT_EQ(c.kind == 'd'   ? ::mkdir(made.constData(), 0755)
                  : c.kind == 'l' ? ::symlink("a.out", made.constData())
                                  : ::close(::creat(made.constData(), 0644)),
                  0);
        const QString name = QString(c.name).replace("%i", hex("new")).replace("%o", hex("a.out"));
        ASSERT_EQ(::rename(made.constData(), Native(name).constData()), 0);
        after << (c.removed ? QString() : name);
        held = c.kind == 'h' ? name : held;
    }
    after.removeAll(QString());
    after.sort();
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

TEST_F(DiskFileSystemTest, WritesDevicesInPlace) {
    // Private copies of /dev/null and /dev/full, so that a wrong rename cannot hurt the machine.
    if (::mknod(Native("null").constData(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(Native("full").constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot create device nodes: " << DescribeErrno(errno).toStdString();
    }
    EXPECT_TRUE(mFs.WriteFile(Path("null"), Binary(100000)).ok());
    EXPECT_EQ(mFs.WriteFile(Path("full"), "x").message(), Failure("full", ENOSPC));
    EXPECT_TRUE(S_ISCHR(Stat("null").st_mode) && S_ISCHR(Stat("full").st_mode));
    EXPECT_EQ(Entries().size(), 2);
}

// A FIFO is written in place, to a reader that was there first (more than a pipe holds, so the
// writer has to wait for it), and a reader that goes away mid-write is an error, not a SIGPIPE
// that ends the program.
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
                              (got = ::read(reader, buffer, sizeof buffer)) > 0 && readAll;) {
                received.append(buffer, got);
            }
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
    EXPECT_TRUE(S_ISFIFO(Stat("fifo").st_mode));
}

// A disk that fails part-way: one that is full (a file size limit, with SIGXFSZ ignored so that
// write() fails with EFBIG), and one that cannot store what was written (every flush fails with
// EIO). The old file stays as it was, and no temporary file is left.
TEST_F(DiskFileSystemTest, AFailingDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const std::tuple<int, rlim_t, qsizetype, bool> cases[] = {{EFBIG, 0, 10, true},
                                                              {EFBIG, 4096, 300000, true},
                                                              {EFBIG, 4096, 10000, false},
                                                              {EIO, 0, 10, true},
                                                              {EIO, 0, 300000, false}};
    rlimit normal;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &normal), 0);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    for (const auto& [error, limit, size, existing] : cases) {
        ::unlink(Native("out").constData());
        if (existing) {
            Put("out", "old contents");
        }
        const rlimit small = {error == EFBIG ? limit : normal.rlim_cur, normal.rlim_max};
        // clang 14 cannot capture structured bindings: named copies for the thread.
        const Status status = OnThread([&, error = error, size = size] {
            if ((error == EIO && !FailCalls({__NR_fsync, __NR_fdatasync}, EIO)) ||
                ::setrlimit(RLIMIT_FSIZE, &small) != 0)
                return Status::Error("no filter or limit");
            const Status written = mFs.WriteFile(Path("out"), Binary(size));
            ::setrlimit(RLIMIT_FSIZE, &normal);
            return written;
        });
        EXPECT_EQ(status.message(), Failure("out", error)) << size << " bytes";
        EXPECT_EQ(Slurp("out"), existing ? QByteArray("old contents") : "<missing>");
        EXPECT_EQ(Entries(), existing ? QStringList{"out"} : QStringList());
    }
    ::signal(SIGXFSZ, handler);
}

// Regression: a save reported success when the folder could not be opened to flush the rename (no
// descriptor left, as under `ulimit -n 4`) and when that flush failed. The folder is opened before
// anything is written; a failed flush comes after the file was replaced, and says so.
TEST_F(DiskFileSystemTest, ReportsAFolderThatCannotBeOpenedOrFlushed) {
    rlimit normal;
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &normal), 0);
    const QString replaced =
        Path("out") + ": the file was replaced, but the folder could not be flushed to the disk: ";
    // Descriptors the save may open (-1: any number, but flushing the folder fails).
    const std::pair<int, QString> cases[] = {{0, Failure("out", EMFILE)},
                                             {1, Failure("out", EMFILE)},
                                             {-1, replaced + DescribeErrno(EIO)}};
    for (const auto& [spare, message] : cases) {
        // A save of its own first: UndefinedBehaviorSanitizer checks the first virtual call of a
        // kind through a pipe, which it could not open under the lowered limit.
        ASSERT_TRUE(mFs.WriteFile(Path("out"), "old").ok());
        const Status status = OnThread([&, spare = spare] {
            const int lowest = ::dup(0);  // every descriptor below it is open
            ::close(lowest);
            const rlimit few = {rlim_t(lowest + spare), normal.rlim_max};
            if (spare < 0 ? !FailCalls({__NR_fsync}, EIO) : ::setrlimit(RLIMIT_NOFILE, &few) != 0)
                return Status::Error("no filter or limit");
            const Status written = mFs.WriteFile(Path("out"), "new");
            ::setrlimit(RLIMIT_NOFILE, &normal);
            return written;
        });
        EXPECT_EQ(status.message(), message);
        EXPECT_EQ(Slurp("out"), QByteArray(spare < 0 ? "new" : "old"));
        EXPECT_EQ(Entries(), QStringList{"out"});
    }
}

// Regression: an export by root to /tmp/s/app/out, where another user had made the folder app
// and in it a symlink out to a file that only root may write, overwrote that file: only the last
// folder of a path was looked at. Nothing is written through a folder or symlink anywhere on the
// path that belongs to another user than root and the one running the save, nor through a folder
// that such a user may change, unless it is sticky like /tmp and what the path takes from it is
// root's or the running user's. Each row runs in a folder of its own, with `s` a sticky folder
// that everyone may write and `victim` a file of root's; 65534 is the user and group nobody.
TEST_F(DiskFileSystemTest, WritesThroughNothingThatAnotherUserControls) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give files to another user";
    }
    const QString folder = QStringLiteral(
        "the folder belongs to the user nobody, who is neither root nor the user running this "
        "program; nothing is written through it");
    const QString symlink = QString(folder).replace("folder", "symlink");
    const QString open = QStringLiteral(
        "the folder belongs to root, but other users may replace "
        "what is in it (mode %1); nothing is written through it");
    const QString file = QStringLiteral(
        "the file belongs to the user nobody, in a folder where "
        "other users may create files; it is not written");
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
         nullptr, "s/out", "s/out", file},
        {"root's folder in a shared one, with root's symlink to root's file",
         "mkdir s/app && ln -s \"$PWD/victim\" s/app/out", nullptr, "s/app/out", nullptr, "victim"},
        {"another user's file in root's own folder, replaced with its owner",
         "mkdir own && echo old > own/out && chown 65534 own/out", nullptr, "own/out", nullptr,
         "own/out"},
        {"a sticky folder that another group may change, root's file in it",
         "mkdir -m 1775 s/app && chgrp 65534 s/app", nullptr, "s/app/out", nullptr, "s/app/out"}};
    int row = 0;
    for (const Case& c : cases) {
        const QString dir = Path(QString::number(++row));
        ASSERT_TRUE(QDir().mkdir(dir));
        const QString setup =
            QString("cd '%1' && mkdir -m 1777 s && echo keep > victim && %2").arg(dir, c.setup);
        ASSERT_EQ(std::system(setup.toLocal8Bit().constData()), 0) << c.setup;
        const QStringList before = Tree(dir);
        const QString home = QDir::currentPath();
        ASSERT_TRUE(!c.from || QDir::setCurrent(dir + '/' + c.from));
        const QString written = c.from ? QString(c.written) : dir + '/' + c.written;
        const QString message = mFs.WriteFile(written, "new").message();
        ASSERT_TRUE(QDir::setCurrent(home));
        const QString name = QString::number(row) + '/';
        if (c.refused) {
            EXPECT_EQ(message, dir + '/' + c.refused + ": " + c.reason) << c.what;
            EXPECT_EQ(Tree(dir), before) << c.what << ": something was written";
        } else {
            EXPECT_EQ(message, "") << c.what;
            EXPECT_EQ(Slurp(name + c.reason), "new") << c.what << ": " << c.reason.toStdString();
        }
        EXPECT_EQ(Slurp(name + "victim"), c.reason == "victim" ? "new" : "keep\n") << c.what;
    }
}

// Regression: a file that held the new bytes already could not be "saved" when its user could not
// write it or the disk was full, since the comparison wrote a temporary copy on the way. Such a
// file needs neither the right to write it or its folder nor room on the disk; a file that
// changes still needs them all. Runs as nobody, in `mine` (nobody's folder) or `roots` (root's,
// which nobody may not write); "no room" is a file size limit of 0 bytes.
TEST_F(DiskFileSystemTest, NeedsNoRightToWriteNorRoomForAFileThatHoldsTheBytes) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can take another user's identity";
    }
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
         EACCES},
        {"a file that changes, without room", "mine", 0644, false, true, EFBIG}};
    ASSERT_EQ(::chmod(Native("").constData(), 0755), 0);  // so that nobody may enter
    rlimit normal;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &normal), 0);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    for (const Case& c : cases) {
        ASSERT_TRUE(QDir(Path(c.folder)).removeRecursively() && QDir().mkdir(Path(c.folder)));
        ASSERT_TRUE(c.folder != "mine" || ::chown(Native(c.folder).constData(), 65534, 65534) == 0);
        const QString out = c.folder + "/out";
        Put(out, "old");
        ASSERT_TRUE(::chown(Native(out).constData(), 65534, 65534) == 0 &&
                    ::chmod(Native(out).constData(), c.mode) == 0);
        Age(out);
        const struct stat before = Stat(out);
        const rlimit none = {0, normal.rlim_max};
        const Status status = AsNobody([&] {
            if (!c.room && ::setrlimit(RLIMIT_FSIZE, &none) != 0) {
                return Status::Error("the limit could not be set");
            }
            const Status written = mFs.WriteFile(Path(out), c.changes ? "new" : "old");
            ::setrlimit(RLIMIT_FSIZE, &normal);
            return written;
        });
        EXPECT_EQ(status.message(), c.error ? Failure(out, c.error) : "") << c.what;
        EXPECT_EQ(Slurp(out), QByteArray(c.changes && !c.error ? "new" : "old")) << c.what;
        EXPECT_EQ(Kept(out, before), !c.changes || c.error) << c.what;
        EXPECT_EQ(Entries(c.folder), QStringList{"out"}) << c.what;
    }
    ::signal(SIGXFSZ, handler);
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
        const LockWait wait = {[&](const QString& message) {
                                   told << message;
                                   if (c.releasedWhenTold)
                                       holder.Close();
                               },
                               milliseconds(100), c.giveUpAfter};
        std::unique_ptr<UpdateLock> lock;
        QElapsedTimer timer;
        timer.start();
        const Status status = mFs.LockForUpdate(Path("settings.xml"), wait, &lock);
        const qint64 waited = timer.elapsed();
        EXPECT_EQ(status.message(), c.failure[0] ? mDir.path() + c.failure : "") << c.what;
        EXPECT_EQ(
            told.join('|'),
            c.held ? "Waiting for " + mDir.path() + ": another program is saving there..." : "")
            << c.what;
        EXPECT_TRUE(c.failure[0] == '\0' || waited >= 1500)
            << c.what << ": gave up after " << waited << " ms";
        // A lock that was taken keeps every other save out until it goes.
        const UniqueFd other = openFolder();
        holder.Close();
        EXPECT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB) != 0, status.ok()) << c.what;
        lock.reset();
        EXPECT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0) << c.what;
    }
}

}  // namespace
