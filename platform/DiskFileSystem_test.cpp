#include "platform/DiskFileSystem.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "testing/FakeWaitClock.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <chrono>
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

// What stands in a save's way.
struct Hindrance {
    int resource = RLIMIT_FSIZE;  // lowered to `limit`
    rlim_t limit = RLIM_INFINITY;
    bool nobody = false;  // runs as the user and group nobody while the process stays root
};

// Runs `work` on a thread of its own, which alone gets the identity (the raw system calls change
// the calling thread only, the C library's would change all). The limit is the process's and is
// put back; SIGXFSZ is ignored, so that a full disk fails with EFBIG.
Status Hindered(const Hindrance& h, const std::function<Status()>& work) {
    rlimit normal;
    ::getrlimit(h.resource, &normal);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    Status result = Status::Error("the hindrance could not be set up");
    std::thread([&] {
        const rlimit lowered = {h.limit, normal.rlim_max};
        if ((!h.nobody || (::syscall(SYS_setgroups, 0, nullptr) == 0 &&
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

// A system that cannot copy between files in the kernel.
struct NoCopyInKernel final : SaveCalls {
    ssize_t CopyRange(int, loff_t*, int, loff_t*, std::size_t) override {
        errno = ENOSYS;
        return -1;
    }
};

// An old file that begins with the new bytes and goes on past them is replaced by exactly the new
// bytes, also where the system cannot copy their common start itself.
TEST_F(DiskFileSystemTest, ReplacesAFileThatGoesOnPastTheNewBytes) {
    const QByteArray big = Binary(600001);
    NoCopyInKernel noCopy;
    DiskFileSystem withoutCopy(noCopy);
    for (DiskFileSystem* files : {&mFs, &withoutCopy}) {
        SCOPED_TRACE(files == &mFs ? "copied by the kernel" : "copied through a buffer");
        Put("out", big + "tail");
        const struct stat before = Aged("out");
        const Status status = files->WriteFile(Path("out"), big);
        ASSERT_TRUE(status.ok()) << status.message().toStdString();
        EXPECT_TRUE(Slurp("out") == big) << "the file holds other bytes";
        EXPECT_FALSE(Kept("out", before)) << "the file was left alone";
        EXPECT_EQ(Entries(), QStringList{"out"});
    }
}

// Regression: a save reported success when the folder could not be opened to flush the rename
// (no descriptor left, as under `ulimit -n 4`). The folder is opened before anything is written.
// (A flush of the folder that fails: EditSessionTest.EveryFileIsWholeWhereverASaveFailsOrStops.)
TEST_F(DiskFileSystemTest, AFolderThatCannotBeOpenedKeepsTheOldFile) {
    const int lowest = ::dup(0);  // every descriptor below it is open
    ::close(lowest);
    // A save of its own first: UndefinedBehaviorSanitizer checks the first virtual call of a kind
    // through a pipe, which it could not open under a lowered descriptor limit.
    ASSERT_TRUE(mFs.WriteFile(Path("out"), "old").ok());
    const Status status = Hindered({.resource = RLIMIT_NOFILE, .limit = rlim_t(lowest)},
                                   [&] { return mFs.WriteFile(Path("out"), "new"); });
    EXPECT_EQ(status.message(), Path("out") + ": " + DescribeErrno(EMFILE));
    EXPECT_EQ(Slurp("out"), "old");
    EXPECT_EQ(Entries(), QStringList{"out"});
}

// Regression: a file that held the new bytes already could not be "saved" when its user could not
// write it or the disk was full, since the comparison wrote a temporary copy on the way. Runs as
// nobody, in nobody's folder `mine`; "no room" is a file size limit of 0 bytes.
TEST_F(DiskFileSystemTest, NeedsNoRightToWriteNorRoomForAFileThatHoldsTheBytes) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can take another user's identity";
    const struct {
        const char* what;
        mode_t mode;  // of the file, nobody's
        bool room;
    } cases[] = {{"a read-only file that holds the bytes", 0444, true},
                 {"a file that holds the bytes, without room", 0644, false}};
    ASSERT_EQ(::chmod(Native("").constData(), 0755), 0);  // so that nobody may enter
    const QString out = "mine/out";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Sh(QString("rm -rf mine && mkdir mine && echo -n old > mine/out && chmod %1 "
                               "mine/out && chown -R 65534:65534 mine")
                           .arg(c.mode, 0, 8)));
        const struct stat before = Aged(out);
        const Hindrance fault = {.limit = c.room ? RLIM_INFINITY : 0, .nobody = true};
        const Status status = Hindered(fault, [&] { return mFs.WriteFile(Path(out), "old"); });
        EXPECT_EQ(status.message(), "");
        EXPECT_EQ(Slurp(out), "old");
        EXPECT_TRUE(Kept(out, before));
        EXPECT_EQ(Entries("mine"), QStringList{"out"});
    }
}

// What a diff shows as the old version of a file is read through the walk of the write, in one
// look that also tells whether the path is a symlink: never checked by path and read again.
TEST_F(DiskFileSystemTest, ReadsWhatAWriteWouldReplaceInOneLook) {
    Put("file", "old");
    ASSERT_TRUE(Sh("ln -s file link && ln -s gone dangling && mkfifo fifo && mkdir folder"));
    const struct {
        const char* name;
        QString read;  // the bytes, or the message after the folder's path
        bool linked;
        bool notFound;
    } cases[] = {
        {"file", "old", false, false},
        {"link", "old", true, false},
        {"dangling", "/dangling: No such file or directory", true, true},
        {"missing", "/missing: No such file or directory", false, true},
        {"fifo", "/fifo: is not a regular file", false, false},
        {"folder", "/folder: Is a directory", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = "before";
        bool linked = !c.linked;
        const Status read = mFs.ReadReplacedFile(Path(c.name), 100, &bytes, &linked);
        EXPECT_EQ(read.ok() ? QString(bytes) : read.message().mid(mDir.path().size()), c.read);
        EXPECT_EQ(linked, c.linked);
        EXPECT_EQ(read.IsNotFound(), c.notFound);
    }
}

// A second open description of the lock file of settings.xml, and the write lock that another
// save would take on it: true when taken. (The locks of two open files conflict also within one
// process.)
struct OtherSave {
    explicit OtherSave(const QByteArray& lockFile)
        : file(::open(lockFile.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)) {}
    bool Lock() {
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        return file.valid() && ::fcntl(file.get(), F_OFD_SETLK, &whole) == 0;
    }
    UniqueFd file;
};

// Regression: a save waited for ever, and without a word, for a folder that another program had
// locked. The wait for the update lock says that it waits once the lock has not come in time,
// gives up when told to, stops when its caller asks, and leaves nothing on the disk but its lock
// file. The lock is held by the test itself, and the wait runs on a clock that moves only when
// the wait pauses: the console's minute takes no time, and the moments are exact.
TEST_F(DiskFileSystemTest, WaitingForTheLockIsToldAndEnds) {
    using std::chrono::milliseconds;
    enum class Holder { None, ReleasesWhenTold, Stays };
    enum class Cancel { Never, AtOnce, OnceTold };  // what cancelled() answers
    const milliseconds any(-1);
    const char* const gaveUp =
        ": gave up waiting after 60 s: another program is still saving there";
    const char* const stopped = ": the wait was cancelled: another program is still saving there";
    const struct {
        const char* what;
        Holder holder;
        Cancel cancel;
        const char* failure;  // after the folder's name, or "" when the lock is taken
        bool told;            // after a second
        milliseconds endsAt;  // on the wait's clock; `any` when not exact
    } cases[] = {
        {"a free lock is taken at once, without a word, whatever the caller would answer",
         Holder::None, Cancel::AtOnce, "", false, milliseconds(0)},
        {"a held lock is told about after a second and taken once free", Holder::ReleasesWhenTold,
         Cancel::Never, "", true, any},
        {"a lock held for too long is given up after a minute", Holder::Stays, Cancel::Never,
         gaveUp, true, milliseconds(60000)},
        {"the caller is asked after every try, also once told", Holder::Stays, Cancel::OnceTold,
         stopped, true, any},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OtherSave holder(Native(".settings.xml.tervo-lock"));
        if (c.holder != Holder::None)
            ASSERT_TRUE(holder.Lock());
        FakeWaitClock clock;
        QStringList told;  // with the moment
        LockWait wait;     // the console's: told after a second, given up after a minute
        wait.tell = [&](const QString& message) {
            told << message + QString(" at %1 ms").arg(clock.Elapsed().count());
            if (c.holder == Holder::ReleasesWhenTold)
                holder.file.Close();
        };
        wait.cancelled = [&] {
            return c.cancel == Cancel::AtOnce || (c.cancel == Cancel::OnceTold && !told.isEmpty());
        };
        wait.clock = &clock;
        std::unique_ptr<UpdateLock> lock;
        const Status status = mFs.LockForUpdate(Path("settings.xml"), wait, &lock);
        EXPECT_EQ(status.message(), c.failure[0] ? mDir.path() + c.failure : "");
        EXPECT_EQ(status.IsCancelled(), c.failure == stopped);
        EXPECT_EQ(status.ok(), lock != nullptr);
        EXPECT_EQ(told.join('|'), c.told ? "Waiting for " + mDir.path() +
                                               ": another program is saving there... at 1000 ms"
                                         : "");
        if (c.endsAt != any)
            EXPECT_EQ(clock.Elapsed(), c.endsAt) << "ended at the wrong moment";
        EXPECT_EQ(Entries(), QStringList{".settings.xml.tervo-lock"})
            << "the wait left more than its lock file on the disk";
        // A lock that was taken keeps every other save out until it goes.
        holder.file.Close();
        OtherSave other(Native(".settings.xml.tervo-lock"));
        EXPECT_EQ(other.Lock(), !status.ok());
        other.file.Close();
        lock.reset();
        EXPECT_TRUE(OtherSave(Native(".settings.xml.tervo-lock")).Lock());
    }
}

// Regression: anyone who could read the folder could hold every save up, with `flock DIR sleep
// 600`: the lock was an flock() of the folder, which a descriptor open for reading takes. Now
// only a writer of the folder can take the lock, and it holds against every other save: of the
// same file by another path (a symlink), while the file does not exist yet, and after a save
// renamed a new file over it, which a lock on the file itself would lose.
TEST_F(DiskFileSystemTest, OnlyAWriterOfTheFolderCanHoldASaveUp) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can take the identity of another user";
    ASSERT_EQ(::chmod(Native("").constData(), 0755), 0);
    Put("settings.xml", "<xml/>");
    LockWait noWait;  // a held lock fails at once
    noWait.giveUpAfter = std::chrono::milliseconds(0);
    const auto saveLocks = [&](const QString& name) {
        std::unique_ptr<UpdateLock> lock;
        return mFs.LockForUpdate(Path(name), noWait, &lock).ok() && lock != nullptr;
    };
    // What a user who may only read tries, as nobody: every lock that a descriptor for reading
    // takes, on the folder, the settings file and the lock file.
    std::vector<UniqueFd> held;
    ASSERT_TRUE(saveLocks("settings.xml")) << "the lock file is made";
    const Status tried = Hindered({.nobody = true}, [&] {
        for (const char* name : {"", "settings.xml", ".settings.xml.tervo-lock"}) {
            UniqueFd fd(::open(Native(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            if (fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
                held.push_back(std::move(fd));
            }
        }
        return Status::Ok();
    });
    ASSERT_TRUE(tried.ok());
    EXPECT_EQ(held.size(), 2u) << "nobody holds the folder and the settings file, not the lock";
    EXPECT_TRUE(saveLocks("settings.xml")) << "a reader held the save up";

    ASSERT_TRUE(Sh("ln -s settings.xml link.xml"));
    const struct {
        const char* what;
        const char* first;
        std::function<void()> between;  // what the first save does while it holds the lock
        const char* second;
    } cases[] = {
        {"the same path", "settings.xml", [] {}, "settings.xml"},
        {"a symlink to the file", "link.xml", [] {}, "settings.xml"},
        {"a file that does not exist yet", "new.xml", [] {}, "new.xml"},
        {"after the save renamed a new file over it", "settings.xml",
         [&] { ASSERT_TRUE(mFs.WriteFile(Path("settings.xml"), "<xml>new</xml>").ok()); },
         "settings.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<UpdateLock> lock;
        ASSERT_TRUE(mFs.LockForUpdate(Path(c.first), noWait, &lock).ok());
        c.between();
        EXPECT_FALSE(saveLocks(c.second)) << "two saves held the lock at once";
        lock.reset();
        EXPECT_TRUE(saveLocks(c.second)) << "the lock outlived its save";
    }
}

}  // namespace
