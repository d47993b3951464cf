#include "platform/QProcessLauncher.h"

#include "platform/DialogWaitLauncher.h"
#include "platform/SystemError.h"
#include "platform/UniqueFd.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
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

// A command that cannot start is refused with its text and the reason; split the Qt way, one with
// an unbalanced quote would run (and here create "ran"). A program that starts outlives the call:
// it goes on only once the call has returned. Its arguments are split on blanks and grouped by
// double quotes, and no shell sees them.
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
            const QString message = QProcessLauncher().StartDetached(command).message();
            EXPECT_TRUE(message.contains(": " + command + ": ") && message.endsWith(reason))
                << message.toStdString();
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

// A waited command that cannot start says why; how a started one ends is told by the program's
// own runs of its before and after commands.
TEST(QProcessLauncherTest, AWaitedCommandThatCannotStartSaysWhy) {
    const Status ran = QProcessLauncher().RunAndWait("/nonexistent/program", 1s, nullptr);
    EXPECT_TRUE(
        ran.message().startsWith("The command could not be started: /nonexistent/program: "))
        << ran.message().toStdString();
}

// A waited command that is stopped is stopped whole: what it started could otherwise go on
// changing files. Here it starts a program that holds a lock until it ends; the wait is cancelled
// once the lock is held, and the lock must come free.
TEST(QProcessLauncherTest, StoppingAWaitedCommandStopsWhatItStarted) {
    QTemporaryDir dir;
    QFile script(dir.filePath("holder.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) &&
                script.write("flock \"$1\" sleep 300 &\nwait\n"));
    script.close();
    const QString lockPath = dir.filePath("lock");
    const UniqueFd lock(
        ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(lock.valid());
    const auto heldByTheCommand = [&lock] {
        if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
            return true;
        ::flock(lock.get(), LOCK_UN);
        return false;
    };
    const QString command = QString(R"(/bin/sh "%1" "%2")").arg(script.fileName(), lockPath);
    const Status ran = QProcessLauncher().RunAndWait(command, 3600s, heldByTheCommand);
    EXPECT_EQ(ran.message(), "The command was cancelled: " + command);
    // The lock comes free once every process of the command has died, which SIGKILL makes sure
    // of; a program left running would hold it for minutes.
    const std::optional<bool> freed = UnlessItHangs<bool>([fd = ::dup(lock.get())] {
        const UniqueFd own(fd);
        return ::flock(own.get(), LOCK_EX) == 0;
    });
    EXPECT_TRUE(freed.value_or(false)) << "a program the command started still runs";
}

// The window's wait dialog shows the command, and its Cancel stops it.
TEST(QProcessLauncherTest, AWaitDialogCancelsTheCommand) {
    QProcessLauncher processes;
    ScriptedDialogs dialogs;
    dialogs.cancelWaits = true;
    const Status ran =
        DialogWaitLauncher(processes, dialogs).RunAndWait("/bin/sleep 60", 60s, nullptr);
    EXPECT_EQ(ran.message(), "The command was cancelled: /bin/sleep 60");
    EXPECT_EQ(dialogs.waits, QStringList{"Waiting for the command to end:\n/bin/sleep 60"});
}

}  // namespace
