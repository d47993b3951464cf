#include "platform/QProcessLauncher.h"

#include "platform/SystemError.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// What a program wrote to `file` once it ends with `last` (waiting at most a minute), for a program
// that was not waited for.
QByteArray WrittenTo(const QString& file, const QByteArray& last) {
    QByteArray bytes;
    for (int i = 0; i < 6000; ++i) {
        QFile written(file);
        if (written.open(QIODevice::ReadOnly) && (bytes = written.readAll()).endsWith(last))
            break;
        std::this_thread::sleep_for(10ms);
    }
    return bytes;
}

// Writes its arguments, one a line, and "end".
const char kScript[] = "#!/bin/sh\nprintf '%s\\n' \"$@\" end >\"$0.out\"\n";

// A command that cannot start is refused with its text and the reason, whether it is to be waited
// for or not; split the Qt way, one with an unbalanced quote would run (and here create "ran").
// A program that starts gets its arguments split on blanks and grouped by double quotes, and no
// shell sees them (that the call does not wait for it: the next test).
TEST(QProcessLauncherTest, StartsAProgramWithoutAShellOrSaysWhyNot) {
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
                  QProcessLauncher().RunAndWait(command, 1s, nullptr, SecretSet()).message()}) {
                EXPECT_TRUE(
                    message.startsWith("The command could not be started: " + command + ": ") &&
                    message.endsWith(reason))
                    << message.toStdString();
            }
        }
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const Status started = QProcessLauncher().StartDetached(
        QString(R"("%1"  "two  words" plain """quoted""" $HOME a;b *)").arg(script.fileName()));
    ASSERT_TRUE(started.ok()) << started.message().toStdString();
    EXPECT_EQ(WrittenTo(script.fileName() + ".out", "end\n"),
              "two  words\nplain\n\"quoted\"\n$HOME\na;b\n*\nend\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("ran")));
}

// Regression: a command's program that another user owned ran as root. Such a program is
// started neither waited for nor not, with the same words, and CheckProgram foresees it; once it
// is root's it runs.
TEST(QProcessLauncherTest, StartsNoProgramAnotherUserCouldHaveChosen) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a program to another user";
    QTemporaryDir dir;
    const QString program = dir.filePath("tool.sh");
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\ntouch \"$0.ran\"\n"));
    script.close();
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::ExeOther));
    const QByteArray native = QFile::encodeName(program);
    ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    const QString refusal = "The command could not be started: " + program + " now: " + program +
                            ": the file belongs to the user nobody, who is neither root nor the "
                            "user running this program; it is not started";
    QProcessLauncher launcher;
    EXPECT_TRUE(launcher.CheckProgram(program + " now").IsUntrusted());
    EXPECT_EQ(launcher.StartDetached(program + " now").message(), refusal);
    EXPECT_EQ(launcher.RunAndWait(program + " now", 60s, nullptr, SecretSet()).message(), refusal);
    EXPECT_FALSE(QFile::exists(program + ".ran"));
    ASSERT_EQ(::chown(native.constData(), 0, 0), 0);
    EXPECT_TRUE(launcher.CheckProgram(program + " now").ok());
    const Status ran = launcher.RunAndWait(program + " now", 60s, nullptr, SecretSet());
    EXPECT_TRUE(ran.ok()) << ran.message().toStdString();
    EXPECT_TRUE(QFile::exists(program + ".ran"));
}

// Whether the process `pid` is still there: neither gone nor a zombie left to be waited for.
bool Alive(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// The pid a command wrote to `file`, once it is there.
qint64 PidFrom(const QString& file) {
    return WrittenTo(file, "\n").trimmed().toLongLong();
}

// Regression: a process that a stopped command had started in a session of its own (setsid) ran
// on. Stopping the command, by its timeout or by a cancel, ends everything it started; a command
// started before and not waited for is left alone, and was not waited for either. The command is
// only stopped once it has written the pid of its grandchild.
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
        const Status ran = QProcessLauncher().RunAndWait(
            command, c.timeout,
            [&] {
                // Asked while it runs: it goes on at least until the grandchild is known.
                const bool known = PidFrom(pidFile) > 0;
                return c.cancel && known;
            },
            SecretSet());
        EXPECT_TRUE(ran.message().startsWith(c.says))
            << c.what << ": " << ran.message().toStdString();
        const qint64 grandchild = PidFrom(pidFile);
        ASSERT_GT(grandchild, 0) << c.what;
        for (int i = 0; i < 600 && Alive(grandchild); ++i)
            std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(Alive(grandchild)) << c.what << ": the grandchild is still running";
    }
    EXPECT_TRUE(Alive(detached)) << "the command started before was waited for, or stopped too";
    ::kill(pid_t(detached), SIGKILL);
}

// Regression: a command that wrote hundreds of megabytes to standard error made the program hold
// all of it, and its message showed raw NULs. Only the last lines are kept, as text.
TEST(QProcessLauncherTest, KeepsOnlyTheLastLinesOfAFloodOfErrors) {
    rusage before = {};
    ::getrusage(RUSAGE_SELF, &before);
    const Status ran = QProcessLauncher().RunAndWait(
        "sh -c \"head -c 200000000 /dev/zero >&2; printf '\\nlast\\n' >&2; exit 1\"", 600s, nullptr,
        SecretSet());
    rusage after = {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_TRUE(ran.message().endsWith("standard error:\n" + QString("\\x00").repeated(1000) +
                                       "[... 199999000 more bytes]\nlast"))
        << ran.message().right(200).toStdString();
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024) << "kilobytes more at the peak";
}

}  // namespace
