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
