#include "run/ExportRun.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

class ExportRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mFiles.SetFile(QStringLiteral("cfg/config.xml"), R"~(<xml>
            <group><name>G</name><item><name>Host</name><varname>$(HOST)</varname></item></group>
            <command id="before">before.sh</command>
            <command id="after">after.sh</command>
            <files><file><input>app.in</input><output>app.out</output></file></files>
          </xml>)~");
        mFiles.SetFile(QStringLiteral("cfg/settings.xml"),
                       R"~(<xml><variable id="$(HOST)">db1</variable></xml>)~");
        mFiles.SetFile(QStringLiteral("cfg/app.in"), "host=$(HOST)\n");
    }

    int Run(const char* commandLine = "/export /conf:cfg/config.xml") {
        const CommandLineOptions options =
            ParseCommandLine(GetCommandLine(QString::fromUtf8(commandLine)));
        return RunExport(options, {mDialogs, mFiles, mLauncher});
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
};

TEST_F(ExportRunTest, SavesAndExportsWithoutAsking) {
    EXPECT_EQ(Run(), kExitOk);
    EXPECT_EQ(mFiles.FileContents(QStringLiteral("cfg/app.out")), QByteArray("host=db1\n"));
    EXPECT_EQ(mFiles.WriteCount(QStringLiteral("cfg/settings.xml")), 1);
    EXPECT_EQ(mLauncher.commandLines(), QStringList({"before.sh", "after.sh"}));
    EXPECT_TRUE(mDialogs.messages.isEmpty());
    EXPECT_TRUE(mDialogs.questions.isEmpty());
}

TEST_F(ExportRunTest, ProblemsAfterTheSaveGiveStatusOne) {
    mFiles.RemoveFile(QStringLiteral("cfg/app.in"));
    EXPECT_EQ(Run(), kExitIncomplete);
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].startsWith(QStringLiteral("app.in could not be found")));
    EXPECT_EQ(mFiles.WriteCount(QStringLiteral("cfg/settings.xml")), 1);

    mFiles.SetFile(QStringLiteral("cfg/app.in"), "x");
    mLauncher.FailFor(QStringLiteral("after.sh"), QStringLiteral("no such program"));
    EXPECT_EQ(Run(), kExitIncomplete);
    EXPECT_EQ(mFiles.FileContents(QStringLiteral("cfg/app.out")), QByteArray("x"));
}

TEST_F(ExportRunTest, NothingSavedGivesStatusTwo) {
    // The configuration cannot be loaded: the settings file is not even read.
    mFiles.FailReading(QStringLiteral("cfg/settings.xml"), QStringLiteral("must not be read"));
    EXPECT_EQ(Run("/export /conf:cfg/missing.xml"), kExitFailed);
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_EQ(mDialogs.messages[0], QStringLiteral("The file could not be loaded!\n\n"
                                                   "cfg/missing.xml: No such file or directory"));
    mFiles.FailReading(QStringLiteral("cfg/settings.xml"), QString());

    // The settings file cannot be loaded.
    EXPECT_EQ(Run("/export /conf:cfg/config.xml /file:nothing.xml"), kExitFailed);
    EXPECT_TRUE(mDialogs.messages.last().contains(QStringLiteral("cfg/nothing.xml")));

    // The before command cannot start.
    mLauncher.FailFor(QStringLiteral("before.sh"), QStringLiteral("no such program"));
    EXPECT_EQ(Run(), kExitFailed);
    EXPECT_TRUE(mDialogs.messages.last().contains(QStringLiteral("before.sh")));

    EXPECT_EQ(mFiles.WriteCount(QStringLiteral("cfg/settings.xml")), 0);
    EXPECT_FALSE(mFiles.HasFile(QStringLiteral("cfg/app.out")));
}

}  // namespace
