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

class QProcessLauncherTest : public ::testing::Test {
  protected:
    // The started programs write `name` through a temporary name and a rename, so that a file
    // that exists is complete.
    QByteArray WaitForFile(const QString& name, std::chrono::milliseconds timeout) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        QFile file(mDir.filePath(name));
        while (!file.exists() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QString WriteScript(const QString& name, const QByteArray& text,
                        QFile::Permissions permissions) {
        QFile file(mDir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        EXPECT_TRUE(file.setPermissions(permissions));
        return file.fileName();
    }

    QTemporaryDir mDir;
    QProcessLauncher mLauncher;
};

TEST_F(QProcessLauncherTest, StartsAProgramAndDoesNotWaitForIt) {
    const QString out = mDir.filePath(QStringLiteral("out"));
    // The program outlives the call: it only writes after a pause.
    const QString command =
        QStringLiteral("/bin/sh -c \"sleep 1; echo ok > %1.tmp; mv %1.tmp %1\"").arg(out);
    const auto before = std::chrono::steady_clock::now();
    const Status status = mLauncher.StartDetached(command);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(900));
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(WaitForFile(QStringLiteral("out"), std::chrono::seconds(10)), QByteArray("ok\n"));
}

TEST_F(QProcessLauncherTest, QuotesGroupArgumentsAndNoShellInterpretsThem) {
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("with space")));
    const QString script = WriteScript(QStringLiteral("with space/args.sh"),
                                       "#!/bin/sh\ncd \"$(dirname \"$0\")/..\"\nprintf '%s\\n' "
                                       "\"$@\" > args.tmp\nmv args.tmp args\n",
                                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const Status status = mLauncher.StartDetached(
        QStringLiteral("\"%1\"  \"two  words\" plain \"\"\"quoted\"\"\" $HOME a;b *").arg(script));
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(WaitForFile(QStringLiteral("args"), std::chrono::seconds(10)),
              QByteArray("two  words\nplain\n\"quoted\"\n$HOME\na;b\n*\n"));
}

TEST_F(QProcessLauncherTest, RefusesEmptyCommandsAndUnbalancedQuotes) {
    // Split the Qt way, the unbalanced command would run `touch` on the file.
    const QString touch =
        QStringLiteral("/bin/sh -c \"touch %1").arg(mDir.filePath(QStringLiteral("ran")));
    const struct {
        QString command;
        QString reason;
    } cases[] = {
        {"", "the command is empty"},
        {" \t ", "the command is empty"},
        {"\"\"", "the command is empty"},
        {touch, "unbalanced quotation mark"},
        {"/bin/echo abc\"", "unbalanced quotation mark"},
        {"/bin/echo \"a\" \"\"\"\"", "unbalanced quotation mark"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        const Status status = mLauncher.StartDetached(c.command);
        EXPECT_FALSE(status.ok());
        EXPECT_TRUE(
            status.message().contains(QStringLiteral(": ") + c.command + QStringLiteral(": ")))
            << status.message().toStdString();
        EXPECT_TRUE(status.message().endsWith(c.reason)) << status.message().toStdString();
    }
    EXPECT_EQ(WaitForFile(QStringLiteral("ran"), std::chrono::milliseconds(500)),
              QByteArray("<none>"));
}

TEST_F(QProcessLauncherTest, ReportsProgramsThatCannotRun) {
    // Root may read and write anything, but execve() still wants an execute bit.
    const QString plain =
        WriteScript(QStringLiteral("plain.sh"), "#!/bin/sh\nexit 0\n",
                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    const struct {
        QString command;
        int error;
    } cases[] = {
        {"/nonexistent/program --flag", ENOENT},
        {"no-such-program-on-the-path", ENOENT},
        {mDir.path(), EACCES},
        {"\"" + plain + "\" argument", EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        const Status status = mLauncher.StartDetached(c.command);
        EXPECT_FALSE(status.ok());
        EXPECT_TRUE(status.message().contains(c.command)) << status.message().toStdString();
        EXPECT_TRUE(status.message().endsWith(DescribeErrno(c.error)))
            << status.message().toStdString();
    }
}

}  // namespace
