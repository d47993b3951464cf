#include "platform/QProcessLauncher.h"

#include "platform/DialogWaitLauncher.h"
#include "platform/SystemError.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Writes its arguments, one a line, after a pause, to a file beside it; through a temporary name
// and a rename, so that a file that exists is complete.
const char kScript[] =
    "#!/bin/sh\nsleep 1\nprintf '%s\\n' \"$@\" >\"$0.t\"\nmv \"$0.t\" \"$0.out\"\n";

// A command that cannot start is refused with its text and the reason; split the Qt way, one with
// an unbalanced quote would run (and here create "ran"). A program that starts outlives the call
// (it writes only after a pause); its arguments are split on blanks and grouped by double quotes,
// and no shell sees them.
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
    const auto start = std::chrono::steady_clock::now();
    const Status started = QProcessLauncher().StartDetached(
        QString(R"("%1"  "two  words" plain """quoted""" $HOME a;b *)").arg(script.fileName()));
    ASSERT_TRUE(started.ok()) << started.message().toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
    QFile args(script.fileName() + ".out");
    while (!args.exists() && std::chrono::steady_clock::now() < start + 10s)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(args.open(QIODevice::ReadOnly) ? args.readAll() : QByteArray(),
              "two  words\nplain\n\"quoted\"\n$HOME\na;b\n*\n");
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

// The window's wait dialog shows the command, and its Cancel stops it.
TEST(QProcessLauncherTest, AWaitDialogCancelsTheCommand) {
    QProcessLauncher processes;
    ScriptedDialogs dialogs;
    dialogs.cancelWaits = true;
    const auto start = std::chrono::steady_clock::now();
    const Status ran =
        DialogWaitLauncher(processes, dialogs).RunAndWait("/bin/sleep 60", 60s, nullptr);
    EXPECT_EQ(ran.message(), "The command was cancelled: /bin/sleep 60");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_EQ(dialogs.waits, QStringList{"Waiting for the command to end:\n/bin/sleep 60"});
}

}  // namespace
