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
        {"the command is empty", {"", " \t ", "\"\""}},
        {"unbalanced quotation mark",
         {R"(/bin/sh -c "touch ')" + dir.filePath("ran") + "'", R"(/bin/echo abc")",
          R"(/bin/echo "a" """")"}},
        {DescribeErrno(ENOENT), {"/nonexistent/program --flag", "no-such-program-on-the-path"}},
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

// A command waited for succeeds with status 0 only; otherwise the message says how it ended, with
// the last ten lines of its standard error (never its standard output). One that runs too long
// or is cancelled is killed long before it would end.
TEST(QProcessLauncherTest, WaitsForACommandAndSaysHowItEnded) {
    const QString lines = "for i in $(seq 12); do echo line$i >&2; done; echo out";
    const struct {
        const char* what;
        QString command;
        bool cancel;
        QString message;  // empty for success
    } cases[] = {
        {"status 0", "/bin/sh -c \"" + lines + "\"", false, ""},
        {"another status", "/bin/sh -c \"" + lines + "; exit 3\"", false,
         "The command ended with status 3: /bin/sh -c \"" + lines +
             "; exit 3\"\nThe last lines it wrote to standard error:\nline3\nline4\nline5\nline6"
             "\nline7\nline8\nline9\nline10\nline11\nline12"},
        {"a signal", "/bin/sh -c \"kill -TERM $$\"", false,
         "The command was ended by signal 15 (SIGTERM): /bin/sh -c \"kill -TERM $$\""},
        {"the timeout", "/bin/sh -c \"echo started >&2; exec sleep 60\"", false,
         "The command did not end within its timeout of 1 s and was stopped: /bin/sh -c \"echo "
         "started >&2; exec sleep 60\"\nThe last lines it wrote to standard error:\nstarted"},
        {"cancelled", "/bin/sleep 60", true, "The command was cancelled: /bin/sleep 60"},
        {"not started", "/nonexistent/program", false,
         "The command could not be started: /nonexistent/program: "},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const Status ran = QProcessLauncher().RunAndWait(c.command, 1s, [&] { return c.cancel; });
        EXPECT_TRUE(c.message.isEmpty() ? ran.ok() : ran.message().startsWith(c.message))
            << c.what << ": " << ran.message().toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << c.what;
    }
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
