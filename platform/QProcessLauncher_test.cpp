#include "platform/QProcessLauncher.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// How long a test waits for something that is sure to come before it takes it for a hang: far
// longer than any machine needs, so that it only ever ends a test that would not end at all.
constexpr auto kHang = std::chrono::minutes(2);

// What `work` returns, run on a thread of its own; nothing when it has not returned within kHang,
// and the thread is then left to end whenever it does.
template <typename Result>
std::optional<Result> UnlessItHangs(std::function<Result()> work) {
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    std::thread([promise, work = std::move(work)] { promise->set_value(work()); }).detach();
    if (result.wait_for(kHang) != std::future_status::ready)
        return std::nullopt;
    return result.get();
}

// A FIFO that the test holds open for reading and writing, so that a program's opens of it never
// wait, whichever way they go.
class Fifo {
  public:
    explicit Fifo(const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        if (::mkfifo(native.constData(), 0600) == 0)
            mFd = UniqueFd(::open(native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    }
    bool valid() const { return mFd.valid(); }
    void Write(const QByteArray& bytes) {
        EXPECT_EQ(WriteAll(mFd.get(), bytes.constData(), size_t(bytes.size())), 0);
    }
    // What was written into it up to the first occurrence of `end`, waiting for the rest as
    // it comes; what it had when nothing more came within kHang.
    QByteArray ReadThrough(const QByteArray& end) {
        QByteArray got;
        pollfd entry{mFd.get(), POLLIN, 0};
        while (!got.contains(end) && ::poll(&entry, 1, int(kHang / 1ms)) > 0) {
            char buffer[4096];
            const ssize_t read = ::read(mFd.get(), buffer, sizeof buffer);
            if (read > 0)
                got.append(buffer, read);
        }
        return got;
    }

  private:
    UniqueFd mFd;
};

// Waits until the test opens its gate, then writes its arguments, one a line, and "end".
const char kScript[] = "#!/bin/sh\nread go <\"$0.gate\"\nprintf '%s\\n' \"$@\" end >\"$0.out\"\n";

// A command that cannot start is refused with its text and the reason, whether it is to be waited
// for or not; split the Qt way, one with an unbalanced quote would run (and here create "ran").
// A program that starts outlives the call: it goes on only once the call has returned. Its
// arguments are split on blanks and grouped by double quotes, and no shell sees them.
TEST(QProcessLauncherTest, StartsAProgramWithoutAShellAndDoesNotWaitForItOrSaysWhyNot) {
    QTemporaryDir dir(QDir::tempPath() + "/with space-XXXXXX");
    QFile script(dir.filePath("args.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write(kScript));
    script.close();
    // Each reason, with the commands refused for it. Root may read and write anything, but
    // execve() still wants an execute bit.
    const std::pair<QString, QStringList> refused[] = {
        {"the command is empty", {" \t "}},
        {"unbalanced quotation mark", {R"(/bin/sh -c "touch ')" + dir.filePath("ran") + "'"}},
        {DescribeErrno(ENOENT), {"no-such-program-on-the-path"}},
        {DescribeErrno(EACCES), {'"' + dir.path() + '"', '"' + script.fileName() + "\" argument"}}};
    for (const auto& [reason, commands] : refused)
        for (const QString& command : commands) {
            for (const QString& message :
                 {QProcessLauncher().StartDetached(command).message(),
                  QProcessLauncher().RunAndWait(command, 1s, nullptr).message()}) {
                EXPECT_TRUE(
                    message.startsWith("The command could not be started: " + command + ": ") &&
                    message.endsWith(reason))
                    << message.toStdString();
            }
        }
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    Fifo gate(script.fileName() + ".gate");
    Fifo out(script.fileName() + ".out");
    ASSERT_TRUE(gate.valid() && out.valid());
    const QString command =
        QString(R"("%1"  "two  words" plain """quoted""" $HOME a;b *)").arg(script.fileName());
    const std::optional<Status> started =
        UnlessItHangs<Status>([command] { return QProcessLauncher().StartDetached(command); });
    EXPECT_TRUE(started.has_value()) << "StartDetached waits for the program it started";
    gate.Write("go\n");
    ASSERT_TRUE(started && started->ok()) << (started ? started->message().toStdString() : "");
    EXPECT_EQ(out.ReadThrough("end\n"), "two  words\nplain\n\"quoted\"\n$HOME\na;b\n*\nend\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("ran")));
}

// Whether the process `pid` is still there: neither gone nor a zombie left to be waited for.
bool Alive(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// The pid a command wrote to `file`, once it is there (waiting at most a minute).
qint64 PidFrom(const QString& file) {
    QFile pid(file);
    for (int i = 0; i < 6000 && pid.size() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    return pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toLongLong() : 0;
}

// Regression: a process that a stopped command had started in a session of its own (setsid) ran
// on. Stopping the command, by its timeout or by a cancel, ends everything it started; a command
// started before and not waited for is left alone. The command is only stopped once it has
// written the pid of its grandchild.
TEST(QProcessLauncherTest, StoppingACommandEndsEveryProcessItStarted) {
    QTemporaryDir dir;
    const QString detachedPid = dir.filePath("detached");
    ASSERT_TRUE(QProcessLauncher()
                    .StartDetached("sh -c \"echo $$ > '" + detachedPid + "'; exec sleep 300\"")
                    .ok());
    const qint64 detached = PidFrom(detachedPid);
    ASSERT_GT(detached, 0);
    const struct {
        const char* what;
        std::chrono::seconds timeout;
        bool cancel;
        const char* says;
    } cases[] = {
        {"its timeout", 1s, false, "The command did not end within its timeout of 1 s"},
        {"a cancel", 600s, true, "The command was cancelled"},
    };
    for (const auto& c : cases) {
        const QString pidFile = dir.filePath(c.what);
        const QString command =
            "sh -c \"setsid sleep 300 & echo $! > '" + pidFile + "'; exec sleep 300\"";
        const Status ran = QProcessLauncher().RunAndWait(command, c.timeout, [&] {
            // Asked while it runs: it goes on at least until the grandchild is known.
            const bool known = PidFrom(pidFile) > 0;
            return c.cancel && known;
        });
        EXPECT_TRUE(ran.message().startsWith(c.says))
            << c.what << ": " << ran.message().toStdString();
        const qint64 grandchild = PidFrom(pidFile);
        ASSERT_GT(grandchild, 0) << c.what;
        for (int i = 0; i < 600 && Alive(grandchild); ++i)
            std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(Alive(grandchild)) << c.what << ": the grandchild is still running";
    }
    EXPECT_TRUE(Alive(detached)) << "the command started before was stopped too";
    ::kill(pid_t(detached), SIGKILL);
}

// Regression: a command that wrote hundreds of megabytes to standard error made the program hold
// all of it, and its message showed raw NULs. Only the last lines are kept, as text.
TEST(QProcessLauncherTest, KeepsOnlyTheLastLinesOfAFloodOfErrors) {
    rusage before = {};
    ::getrusage(RUSAGE_SELF, &before);
    const Status ran = QProcessLauncher().RunAndWait(
        "sh -c \"head -c 200000000 /dev/zero >&2; printf '\\nlast\\n' >&2; exit 1\"", 600s,
        nullptr);
    rusage after = {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_TRUE(ran.message().endsWith("standard error:\n" + QString("\\x00").repeated(1000) +
                                       "[... 199999000 more bytes]\nlast"))
        << ran.message().right(200).toStdString();
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024) << "kilobytes more at the peak";
}

}  // namespace
