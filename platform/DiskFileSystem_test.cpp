#include "platform/DiskFileSystem.h"

#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <thread>

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

QString Reason(int errorNumber) {
    return QStringLiteral(": ") + DescribeErrno(errorNumber);
}

class DiskFileSystemTest : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return mDir.filePath(name); }
    QByteArray Native(const QString& name) const { return QFile::encodeName(Path(name)); }

    void Put(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray Slurp(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Everything in the folder, hidden entries too, so that a left-over temporary file shows.
    QStringList Entries() const {
        return QDir(mDir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    QTemporaryDir mDir;
    DiskFileSystem mFs;
};

TEST_F(DiskFileSystemTest, ReadsWholeFilesUpToTheLimitAndNoFurther) {
    for (const qsizetype size : {0, 1, 65535, 65536, 65537, 300001}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = Binary(size);
        Put("data.bin", bytes);
        QByteArray read;
        const Status atLimit = mFs.ReadFile(Path("data.bin"), size, &read);
        ASSERT_TRUE(atLimit.ok()) << atLimit.message().toStdString();
        EXPECT_EQ(read, bytes);
        if (size > 0) {
            const Status over = mFs.ReadFile(Path("data.bin"), size - 1, &read);
            EXPECT_FALSE(over.ok());
            EXPECT_FALSE(over.IsNotFound());
            EXPECT_EQ(over.message(), Path("data.bin") +
                                          QStringLiteral(": the file is larger than ") +
                                          QString::number(size - 1) + QStringLiteral(" bytes"));
        }
    }
}

TEST_F(DiskFileSystemTest, ReadsFilesThatReportNoSize) {
    // /proc files claim a size of 0 but have contents: the size from fstat may only be a hint.
    if (!QFile::exists(QStringLiteral("/proc/self/status"))) {
        GTEST_SKIP() << "no /proc";
    }
    QByteArray read;
    ASSERT_TRUE(mFs.ReadFile(QStringLiteral("/proc/self/status"), 1 << 20, &read).ok());
    EXPECT_TRUE(read.startsWith("Name:")) << read.left(40).toStdString();
    const Status limited = mFs.ReadFile(QStringLiteral("/proc/self/status"), 10, &read);
    EXPECT_FALSE(limited.ok());
    EXPECT_TRUE(limited.message().endsWith(QStringLiteral("larger than 10 bytes")));
}

TEST_F(DiskFileSystemTest, MissingPathsAreNotFound) {
    Put("file", "x");
    ASSERT_EQ(::symlink("nowhere", Native("dangling").constData()), 0);
    for (const QString& name : QStringList{"absent", "nodir/absent", "file/absent", "dangling"}) {
        SCOPED_TRACE(name.toStdString());
        QByteArray read;
        const Status status = mFs.ReadFile(Path(name), 100, &read);
        EXPECT_TRUE(status.IsNotFound());
        EXPECT_EQ(status.message(), Path(name) + Reason(ENOENT));
        EXPECT_FALSE(mFs.Exists(Path(name)));
    }
    EXPECT_TRUE(mFs.Exists(Path("file")));
    EXPECT_TRUE(mFs.Exists(mDir.path()));
}

TEST_F(DiskFileSystemTest, RefusesToReadWhatIsNotARegularFile) {
    // The FIFO has no writer: opening it for reading the ordinary way would wait forever.
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("dir")));
    ASSERT_EQ(::mkfifo(Native("fifo").constData(), 0600), 0);
    for (const QString& path : {Path("dir"), Path("fifo"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        QByteArray read;
        const Status status = mFs.ReadFile(path, 100, &read);
        EXPECT_FALSE(status.ok());
        EXPECT_FALSE(status.IsNotFound());
        EXPECT_EQ(status.message(), path + QStringLiteral(": is not a regular file"));
    }
}

TEST_F(DiskFileSystemTest, ReplacesContentsCompletelyAndLeavesNoTemporaryFile) {
    const QByteArray big = Binary(200000);
    for (const QByteArray& bytes : {big, QByteArray("short"), QByteArray()}) {
        SCOPED_TRACE(bytes.size());
        const Status status = mFs.WriteFile(Path("out.xml"), bytes);
        ASSERT_TRUE(status.ok()) << status.message().toStdString();
        EXPECT_EQ(Slurp("out.xml"), bytes);
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.xml")});
    }
}

TEST_F(DiskFileSystemTest, ReplacesTheFileInsteadOfRewritingItInPlace) {
    // A reader that has the old file open keeps seeing the old bytes: the new ones went to another
    // inode that was renamed over the name.
    Put("out.xml", "old contents");
    QFile old(Path("out.xml"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    ASSERT_TRUE(mFs.WriteFile(Path("out.xml"), "new").ok());
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));
    EXPECT_EQ(Slurp("out.xml"), QByteArray("new"));
}

TEST_F(DiskFileSystemTest, KeepsPermissionBits) {
    for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0600)}) {
        SCOPED_TRACE(mode);
        Put("out.ini", "old");
        ASSERT_EQ(::chmod(Native("out.ini").constData(), mode), 0);
        ASSERT_TRUE(mFs.WriteFile(Path("out.ini"), "new").ok());
        struct stat info;
        ASSERT_EQ(::stat(Native("out.ini").constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
}

TEST_F(DiskFileSystemTest, WritesThroughASymlinkAndKeepsTheLink) {
    Put("target.xml", "old");
    ASSERT_EQ(::symlink("target.xml", Native("link.xml").constData()), 0);
    ASSERT_TRUE(mFs.WriteFile(Path("link.xml"), "new").ok());
    EXPECT_EQ(QFile::symLinkTarget(Path("link.xml")), Path("target.xml"));
    EXPECT_EQ(Slurp("target.xml"), QByteArray("new"));
    QByteArray read;
    ASSERT_TRUE(mFs.ReadFile(Path("link.xml"), 100, &read).ok());
    EXPECT_EQ(read, QByteArray("new"));
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("link.xml"), QStringLiteral("target.xml")}));
}

TEST_F(DiskFileSystemTest, ADanglingSymlinkGetsTheFileItNames) {
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("real")));
    ASSERT_EQ(::symlink("real/target.xml", Native("link.xml").constData()), 0);
    ASSERT_EQ(::symlink("link.xml", Native("link2.xml").constData()), 0);
    ASSERT_TRUE(mFs.WriteFile(Path("link2.xml"), "new").ok());
    EXPECT_EQ(Slurp("real/target.xml"), QByteArray("new"));
    EXPECT_EQ(QFile::symLinkTarget(Path("link2.xml")), Path("link.xml"));
    EXPECT_EQ(QFile::symLinkTarget(Path("link.xml")), Path("real/target.xml"));

    ASSERT_EQ(::symlink("loop", Native("loop").constData()), 0);
    EXPECT_EQ(mFs.WriteFile(Path("loop"), "x").message(), Path("loop") + Reason(ELOOP));
}

TEST_F(DiskFileSystemTest, KeepsTheOwnerWhenAllowedToGiveFilesAway) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only a privileged process can give a file to another user";
    }
    Put("out.ini", "old");
    ASSERT_EQ(::chown(Native("out.ini").constData(), 65534, 65534), 0);
    ASSERT_TRUE(mFs.WriteFile(Path("out.ini"), "new").ok());
    struct stat info;
    ASSERT_EQ(::stat(Native("out.ini").constData(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
}

TEST_F(DiskFileSystemTest, AProducerCanStartOverAndStreamLargeFiles) {
    // Enough pieces that the writer hands data to the disk while the file is still growing.
    const QByteArray piece = Binary(1 << 20);
    const int pieces = 20;
    const Status status = mFs.WriteFileFrom(Path("out.bin"), [&](ByteSink& sink) {
        EXPECT_TRUE(sink.Append("discarded", 9));
        EXPECT_TRUE(sink.Restart());
        for (int i = 0; i < pieces; ++i) {
            EXPECT_TRUE(sink.Append(piece.constData(), size_t(piece.size())));
        }
    });
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    const QByteArray written = Slurp("out.bin");
    ASSERT_EQ(written.size(), piece.size() * pieces);
    EXPECT_TRUE(written.first(piece.size()) == piece);
    EXPECT_TRUE(written.last(piece.size()) == piece);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.bin")});
}

// A save that was killed after its temporary file got a name leaves that file behind; the next
// save of the same file removes it, unless a live save still holds it.
TEST_F(DiskFileSystemTest, RemovesTheTemporariesOfKilledSavesOnly) {
    const QString stale = QStringLiteral(".out.xml.tervo-Ab3dE9");
    const QString live = QStringLiteral(".out.xml.tervo-Zz0000");
    const QStringList unrelated = {
        QStringLiteral(".out.xml.tervo-Ab3dE"),     // too short
        QStringLiteral(".out.xml.tervo-Ab3dE9x"),   // too long
        QStringLiteral(".out.xml.tervo-Ab-dE9"),    // not one of ours
        QStringLiteral(".other.xml.tervo-Ab3dE9"),  // another file's
        QStringLiteral("out.xml.tervo-Ab3dE9"),
    };
    Put(stale, "half a save");
    Put(live, "a save in progress");
    for (const QString& name : unrelated) {
        Put(name, "keep");
    }
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral(".out.xml.tervo-dir000")));
    ASSERT_EQ(::symlink("out.xml", Native(".out.xml.tervo-link00").constData()), 0);
    const int holder = ::open(Native(live).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    ASSERT_TRUE(mFs.WriteFile(Path("out.xml"), "new").ok());
    ::close(holder);

    QStringList expected = unrelated;
    expected << live << QStringLiteral(".out.xml.tervo-dir000")
             << QStringLiteral(".out.xml.tervo-link00") << QStringLiteral("out.xml");
    expected.sort();
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(Slurp("out.xml"), QByteArray("new"));

    // Once its save is gone, the next save takes it away.
    ASSERT_TRUE(mFs.WriteFile(Path("out.xml"), "newer").ok());
    EXPECT_FALSE(Entries().contains(live));
}

TEST_F(DiskFileSystemTest, WriteFailsNamingThePathWhenThereIsNoPlaceForAFile) {
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("dir")));
    Put("file", "keep");
    const struct {
        QString name;
        int error;
    } cases[] = {{"dir", EISDIR}, {"file/out.xml", ENOTDIR}, {"nodir/out.xml", ENOENT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const Status status = mFs.WriteFile(Path(c.name), "new");
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(status.message(), Path(c.name) + Reason(c.error));
    }
    EXPECT_EQ(Slurp("file"), QByteArray("keep"));
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("dir"), QStringLiteral("file")}));
    EXPECT_TRUE(QDir(Path("dir")).isEmpty());
}

TEST_F(DiskFileSystemTest, WritesDevicesInPlace) {
    // Private copies of /dev/null and /dev/full, so that a wrong rename cannot hurt the machine.
    if (::mknod(Native("null").constData(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(Native("full").constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot create device nodes: " << DescribeErrno(errno).toStdString();
    }
    const Status toNull = mFs.WriteFile(Path("null"), Binary(100000));
    EXPECT_TRUE(toNull.ok()) << toNull.message().toStdString();
    const Status toFull = mFs.WriteFile(Path("full"), "x");
    EXPECT_EQ(toFull.message(), Path("full") + Reason(ENOSPC));
    for (const QString& name : QStringList{"null", "full"}) {
        struct stat info;
        ASSERT_EQ(::lstat(Native(name).constData(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << name.toStdString();
    }
    EXPECT_EQ(Entries().size(), 2);
}

class FifoTest : public DiskFileSystemTest {
  protected:
    void SetUp() override { ASSERT_EQ(::mkfifo(Native("fifo").constData(), 0600), 0); }
    void TearDown() override {
        struct stat info;
        ASSERT_EQ(::lstat(Native("fifo").constData(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("fifo")});
    }
    // A reader that is there before the writer comes, as a FIFO needs.
    int OpenReader() { return ::open(Native("fifo").constData(), O_RDONLY | O_NONBLOCK); }
};

TEST_F(FifoTest, WithoutAReaderFailsAtOnce) {
    const Status status = mFs.WriteFile(Path("fifo"), "x");
    EXPECT_EQ(status.message(),
              Path("fifo") + QStringLiteral(": no program is reading from this pipe"));
}

TEST_F(FifoTest, AReaderGetsEveryByte) {
    // More than a pipe holds, so the writer has to wait for the reader.
    const QByteArray bytes = Binary(1 << 20);
    const int reader = OpenReader();
    ASSERT_GE(reader, 0);
    QByteArray received;
    std::thread drain([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        char buffer[8192];
        while (received.size() < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t got = ::read(reader, buffer, sizeof buffer);
            if (got > 0) {
                received.append(buffer, got);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    const Status status = mFs.WriteFile(Path("fifo"), bytes);
    drain.join();
    ::close(reader);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_TRUE(received == bytes) << received.size() << " bytes arrived";
}

TEST_F(FifoTest, AReaderThatGoesAwayIsAnErrorNotTheEndOfTheProgram) {
    const int reader = OpenReader();
    ASSERT_GE(reader, 0);
    // Close the reader once the writer has filled the pipe, so it is cut off mid-write.
    std::thread quit([reader] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int queued = 0;
        while (::ioctl(reader, FIONREAD, &queued) == 0 && queued == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(reader);
    });
    const Status status = mFs.WriteFile(Path("fifo"), Binary(1 << 20));
    quit.join();
    EXPECT_EQ(status.message(), Path("fifo") + Reason(EPIPE));
    // The broken pipe's SIGPIPE is neither left pending nor blocked.
    sigset_t set;
    ASSERT_EQ(::sigpending(&set), 0);
    EXPECT_FALSE(sigismember(&set, SIGPIPE));
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &set), 0);
    EXPECT_FALSE(sigismember(&set, SIGPIPE));
}

// A disk that fills up part-way, made with a file size limit in a child process (SIGXFSZ ignored,
// so that the write fails with EFBIG instead of the child dying). Small files reach the disk when
// flushed, large ones in write() itself; both must be caught before the rename.
struct DiskFull {
    rlim_t limit;
    qsizetype size;
    bool existing;
};

void PrintTo(const DiskFull& param, std::ostream* out) {
    *out << param.size << " bytes, limit " << param.limit
         << (param.existing ? ", over a file" : "");
}

class DiskFullTest : public DiskFileSystemTest, public ::testing::WithParamInterface<DiskFull> {};

TEST_P(DiskFullTest, KeepsTheOldFileAndLeavesNoTemporaryFile) {
    const DiskFull param = GetParam();
    if (param.existing) {
        Put("out.xml", "old contents");
    }
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {param.limit, param.limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Status status = mFs.WriteFile(Path("out.xml"), Binary(param.size));
        const QByteArray message = status.ok() ? "<ok>" : status.message().toUtf8();
        const bool sent =
            ::write(channel[1], message.constData(), message.size()) == message.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, got);
    }
    ::close(channel[0]);
    int childStatus = 0;
    ASSERT_EQ(::waitpid(child, &childStatus, 0), child);
    ASSERT_TRUE(WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0);

    EXPECT_EQ(QString::fromUtf8(message), Path("out.xml") + Reason(EFBIG));
    if (param.existing) {
        EXPECT_EQ(Slurp("out.xml"), QByteArray("old contents"));
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.xml")});
    } else {
        EXPECT_TRUE(Entries().isEmpty()) << Entries().join(' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, DiskFullTest,
                         ::testing::Values(DiskFull{0, 10, true}, DiskFull{4096, 10000, true},
                                           DiskFull{4096, 300000, true},
                                           DiskFull{4096, 10000, false}));

}  // namespace
