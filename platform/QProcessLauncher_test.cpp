#include "platform/QProcessLauncher.h"

#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

class QProcessLauncherTest : public ::testing::Test {
  protected:
    // What a started program wrote to `name`, once the file exists; the programs write through a
    // temporary name and a rename, so a file that exists is complete.
    QByteArray WaitForFile(const QString& name, milliseconds timeout) const {
        const auto deadline = steady_clock::now() + timeout;
        QFile file(mDir.filePath(name));
        while (!file.exists() && steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QString WriteScript(const QString& name, const QByteArray& text, QFile::Permissions mode) {
        QFile file(mDir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        EXPECT_TRUE(file.setPermissions(mode));
        return file.fileName();
    }

    QTemporaryDir mDir;
    QProcessLauncher mLauncher;
};

// The program outlives the call (it writes only after a pause); its arguments are split on blanks
// and grouped by double quotes, and no shell sees them.
TEST_F(QProcessLauncherTest, StartsAProgramWithoutAShellAndDoesNotWaitForIt) {
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("with space")));
    const QString script = WriteScript(
        "with space/args.sh",
        "#!/bin/sh\nsleep 1\ncd \"$(dirname \"$0\")/..\"\nprintf '%s\\n' \"$@\" > args.tmp\n"
        "mv args.tmp args\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto before = steady_clock::now();
    const Status status = mLauncher.StartDetached(
        QStringLiteral("\"%1\"  \"two  words\" plain \"\"\"quoted\"\"\" $HOME a;b *").arg(script));
    EXPECT_LT(steady_clock::now() - before, 900ms);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(WaitForFile("args", 10s),
              QByteArray("two  words\nplain\n\"quoted\"\n$HOME\na;b\n*\n"));
}

// Split the Qt way, a command with an unbalanced quote would run: here it would create "ran".
TEST_F(QProcessLauncherTest, RefusesCommandsThatCannotStartNamingThemAndTheReason) {
    // Root may read and write anything, but execve() still wants an execute bit.
    const QString plain = WriteScript("plain.sh", "#!/bin/sh\n", QFile::ReadOwner);
    const QString empty = QStringLiteral("the command is empty");
    const QString unbalanced = QStringLiteral("unbalanced quotation mark");
    const std::pair<QString, QString> cases[] = {
        {"", empty},
        {" \t ", empty},
        {"\"\"", empty},
        {"/bin/sh -c \"touch " + mDir.filePath("ran"), unbalanced},
        {"/bin/echo abc\"", unbalanced},
        {"/bin/echo \"a\" \"\"\"\"", unbalanced},
        {"/nonexistent/program --flag", DescribeErrno(ENOENT)},
        {"no-such-program-on-the-path", DescribeErrno(ENOENT)},
        {mDir.path(), DescribeErrno(EACCES)},
        {"\"" + plain + "\" argument", DescribeErrno(EACCES)}};
    for (const auto& [command, reason] : cases) {
        const QString message = mLauncher.StartDetached(command).message();
        EXPECT_TRUE(message.contains(": " + command + ": ") && message.endsWith(reason))
            << message.toStdString();
    }
    EXPECT_EQ(WaitForFile("ran", 500ms), QByteArray("<none>"));
}

}  // namespace
