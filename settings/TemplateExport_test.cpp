#include "settings/TemplateExport.h"

#include "schema/Configuration.h"
#include "testing/FakeFileSystem.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

class TemplateExportTest : public ::testing::Test {
  protected:
    void UseTemplates(const char* files) {
        ASSERT_TRUE(mConfig
                        .Parse(QByteArray("<xml><files>") + files + "</files></xml>",
                               QStringLiteral("config.xml"))
                        .ok());
    }
    void UseSettings(const char* variables) {
        mFiles.SetFile(QStringLiteral("conf/settings.xml"),
                       QByteArray("<xml>") + variables + "</xml>");
    }
    QStringList Export() {
        return ExportTemplateFiles(mConfig, QStringLiteral("conf/settings.xml"),
                                   QStringLiteral("conf/"), mFiles);
    }
    QByteArray File(const char* path) const { return mFiles.FileContents(QString::fromUtf8(path)); }

    Configuration mConfig;
    FakeFileSystem mFiles;
};

TEST_F(TemplateExportTest, SubstitutesInSettingsOrderWithTheFirstValueOfAnId) {
    UseTemplates("<file><input>tpl/a.in</input><output>out/a.txt</output></file>");
    UseSettings(R"~(<variable id="$(A)">[$(B)]</variable>
                   <variable id="$(B)">b</variable>
                   <variable id="$(A)">second value, never used</variable>
                   <variable>no id</variable>
                   <group><variable id="$(C)">nested only: not a root variable</variable></group>)~");
    mFiles.SetFile(QStringLiteral("conf/tpl/a.in"), "$(A) $(B) $(a) $(C)\r\n");
    EXPECT_TRUE(Export().isEmpty());
    EXPECT_EQ(File("conf/out/a.txt"), QByteArray("[b] b $(a) $(C)\r\n"));
}

TEST_F(TemplateExportTest, WritesEachEntryInOrder) {
    UseTemplates(R"~(<file><input>empty.in</input><output>empty.out</output></file>
                    <file><input>same.txt</input><output>same.txt</output></file>
                    <file><input>one.in</input><output>twice.out</output></file>
                    <file><input>two.in</input><output>twice.out</output></file>)~");
    UseSettings(R"~(<variable id="$(V)">v</variable>)~");
    mFiles.SetFile(QStringLiteral("conf/empty.in"), QByteArray());
    mFiles.SetFile(QStringLiteral("conf/same.txt"), "x=$(V)");
    mFiles.SetFile(QStringLiteral("conf/one.in"), "one $(V)");
    mFiles.SetFile(QStringLiteral("conf/two.in"), "two $(V)");
    EXPECT_TRUE(Export().isEmpty());
    EXPECT_TRUE(mFiles.HasFile(QStringLiteral("conf/empty.out")));
    EXPECT_EQ(File("conf/empty.out"), QByteArray());
    EXPECT_EQ(File("conf/same.txt"), QByteArray("x=v"));
    EXPECT_EQ(File("conf/twice.out"), QByteArray("two v"));
}

TEST_F(TemplateExportTest, AFailingEntryIsReportedAndTheExportGoesOn) {
    UseTemplates(R"~(<file><input>missing.in</input><output>m.out</output></file>
                    <file><input>a.in</input><output>nodir/a.out</output></file>
                    <file><input>b.in</input><output>b.out</output></file>)~");
    UseSettings(R"~(<variable id="$(V)">v</variable>)~");
    mFiles.SetFile(QStringLiteral("conf/m.out"), "old output");
    mFiles.SetFile(QStringLiteral("conf/a.in"), "a $(V)");
    mFiles.SetFile(QStringLiteral("conf/b.in"), "b $(V)");
    mFiles.FailWriting(QStringLiteral("conf/nodir/a.out"),
                       QStringLiteral("No such file or directory"));

    const QStringList problems = Export();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0],
              QStringLiteral("missing.in could not be found\nconf/missing.in: No such file or "
                             "directory"));
    EXPECT_EQ(problems[1], QStringLiteral("nodir/a.out could not be written\nconf/nodir/a.out: "
                                          "No such file or directory"));
    EXPECT_EQ(File("conf/m.out"), QByteArray("old output"));
    EXPECT_EQ(File("conf/b.out"), QByteArray("b v"));
}

TEST_F(TemplateExportTest, WithoutReadableSettingsTemplatesAreCopiedUnchanged) {
    UseTemplates("<file><input>a.in</input><output>a.out</output></file>");
    mFiles.SetFile(QStringLiteral("conf/a.in"), "$(V)");

    UseSettings("");
    EXPECT_TRUE(Export().isEmpty());
    EXPECT_EQ(File("conf/a.out"), QByteArray("$(V)"));

    mFiles.SetFile(QStringLiteral("conf/settings.xml"), "<xml><variable");
    const QStringList problems = Export();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("conf/settings.xml: line")));
    EXPECT_EQ(File("conf/a.out"), QByteArray("$(V)"));
}

TEST_F(TemplateExportTest, WithoutEntriesNothingIsRead) {
    UseTemplates("");
    mFiles.FailReading(QStringLiteral("conf/settings.xml"), QStringLiteral("must not be read"));
    EXPECT_TRUE(Export().isEmpty());
    EXPECT_TRUE(mFiles.files().empty());
}

TEST_F(TemplateExportTest, ValuesAreWrittenAsUtf8) {
    UseTemplates("<file><input>a.in</input><output>a.out</output></file>");
    UseSettings("<variable id=\"$(CITY)\">M\xc3\xbcnchen \xe2\x82\xac</variable>");
    mFiles.SetFile(QStringLiteral("conf/a.in"), "city=$(CITY)");
    EXPECT_TRUE(Export().isEmpty());
    EXPECT_EQ(File("conf/a.out"), QByteArray("city=M\xc3\xbcnchen \xe2\x82\xac"));
}

}  // namespace
