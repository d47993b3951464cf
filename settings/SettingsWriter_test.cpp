#include "settings/SettingsWriter.h"

#include "platform/XmlDocument.h"
#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

const QString kSettings = QStringLiteral("settings.xml");

// Remembers what the settings file held at the moment each command started.
class RecordingLauncher : public FakeProcessLauncher {
  public:
    explicit RecordingLauncher(const FakeFileSystem& files) : mFiles(files) {}
    Status StartDetached(const QString& commandLine) override {
        settingsAtStart.append(QString::fromUtf8(mFiles.FileContents(kSettings)));
        return FakeProcessLauncher::StartDetached(commandLine);
    }
    QStringList settingsAtStart;

  private:
    const FakeFileSystem& mFiles;
};

class SettingsWriterTest : public ::testing::Test {
  protected:
    void UseConfiguration(const char* commands) {
        const QByteArray text = QByteArray(R"~(<xml><group><name>G</name>
              <item><name>Port</name><varname>$(PORT)</varname></item>
              <item><name>Host name</name><varname>$(HOST)</varname></item>
            </group>)~") + commands +
                                "</xml>";
        ASSERT_TRUE(mConfig.Parse(text, QStringLiteral("config.xml")).ok());
        mFields = std::make_unique<MapFieldTexts>(mConfig);
    }
    void SetUp() override { UseConfiguration(""); }

    void SetField(const char* name, const QString& text) {
        mFields->SetFieldText(QString::fromUtf8(name), text);
    }

    SaveResult Save() {
        return WriteSettingsFile(mConfig, *mFields, kSettings, kSettings, {mFiles, mLauncher});
    }

    // The text of the first element `expression` selects in the saved file.
    QString Saved(const char* expression) const {
        XmlDocument document;
        EXPECT_TRUE(document.Parse(mFiles.FileContents(kSettings), kSettings).ok());
        XmlNode node;
        EXPECT_TRUE(document.SelectSingleNode(QString::fromUtf8(expression), &node).ok());
        return node.IsNull() ? QStringLiteral("<none>") : node.Text();
    }

    Configuration mConfig;
    std::unique_ptr<MapFieldTexts> mFields;
    FakeFileSystem mFiles;
    RecordingLauncher mLauncher{mFiles};
};

TEST_F(SettingsWriterTest, WritesFieldsIntoExistingEntriesOnly) {
    mFiles.SetFile(kSettings, R"~(<?xml version="1.0" encoding="UTF-8"?>
<!-- kept -->
<xml note="kept">
  <variable id="$(PORT)">1<sub>old child</sub></variable>
  <variable id="$(OTHER)">untouched</variable>
  <variable>no id</variable>
</xml>
)~");
    SetField("ePORT", QStringLiteral("8080 & <9090>"));
    SetField("eHOST", QStringLiteral("never stored: no entry"));

    const SaveResult result = Save();
    ASSERT_TRUE(result.Complete()) << result.saved.message().toStdString();
    EXPECT_EQ(Saved("//variable[@id='$(PORT)']"), QStringLiteral("8080 & <9090>"));
    EXPECT_EQ(Saved("//variable[@id='$(PORT)']/sub"), QStringLiteral("<none>"));
    EXPECT_EQ(Saved("//variable[@id='$(OTHER)']"), QStringLiteral("untouched"));
    EXPECT_EQ(Saved("//variable[@id='$(HOST)']"), QStringLiteral("<none>"));
    const QByteArray bytes = mFiles.FileContents(kSettings);
    EXPECT_TRUE(bytes.contains("<!-- kept -->"));
    EXPECT_TRUE(bytes.contains("note=\"kept\""));
    EXPECT_TRUE(bytes.contains("<variable>no id</variable>"));
}

TEST_F(SettingsWriterTest, TheFirstElementOfAnIdReceivesTheValue) {
    mFiles.SetFile(kSettings, R"~(<xml>
  <group><variable id="$(PORT)">nested</variable></group>
  <variable id="$(PORT)">root one</variable>
  <variable id="$(PORT)">root two</variable>
</xml>)~");
    SetField("ePORT", QStringLiteral("new"));
    ASSERT_TRUE(Save().Complete());
    EXPECT_EQ(Saved("xml/group/variable"), QStringLiteral("new"));
    EXPECT_EQ(Saved("xml/variable[1]"), QStringLiteral("root one"));
    EXPECT_EQ(Saved("xml/variable[2]"), QStringLiteral("root two"));
}

TEST_F(SettingsWriterTest, AnElementNestedInAWrittenOneIsGoneForLaterEntries) {
    // $(PORT) is written first and takes the nested $(HOST) with it; the root $(HOST) is then the
    // first element of its id and receives the value.
    mFiles.SetFile(kSettings, R"~(<xml>
  <variable id="$(PORT)">1<variable id="$(HOST)">nested</variable></variable>
  <variable id="$(HOST)">root</variable>
</xml>)~");
    SetField("ePORT", QStringLiteral("2"));
    SetField("eHOST", QStringLiteral("new host"));
    ASSERT_TRUE(Save().Complete());
    EXPECT_EQ(Saved("xml/variable[1]"), QStringLiteral("2"));
    EXPECT_EQ(Saved("xml/variable[2]"), QStringLiteral("new host"));
    EXPECT_EQ(Saved("//variable/variable"), QStringLiteral("<none>"));
}

TEST_F(SettingsWriterTest, AMissingFileBecomesABareRoot) {
    SetField("ePORT", QStringLiteral("lost: there is no entry"));
    ASSERT_TRUE(Save().Complete());
    XmlDocument saved;
    ASSERT_TRUE(saved.Parse(mFiles.FileContents(kSettings), kSettings).ok());
    EXPECT_EQ(saved.Root().Name(), QStringLiteral("xml"));
    EXPECT_EQ(saved.Root().Text(), QString());
}

TEST_F(SettingsWriterTest, NeverReplacesAFileItCouldNotRead) {
    const QByteArray broken = "<xml><variable id=\"$(PORT)\">1</variable>";
    mFiles.SetFile(kSettings, broken);
    const SaveResult notWellFormed = Save();
    EXPECT_FALSE(notWellFormed.saved.ok());
    EXPECT_TRUE(notWellFormed.saved.message().contains(QStringLiteral("settings.xml: line")));

    mFiles.SetFile(kSettings, "<config><variable id=\"$(PORT)\">1</variable></config>");
    const SaveResult otherRoot = Save();
    EXPECT_EQ(otherRoot.saved.message(),
              QStringLiteral("settings.xml: the root element is <config>, but must be <xml>"));

    mFiles.SetFile(kSettings, broken);
    mFiles.FailReading(kSettings, QStringLiteral("Permission denied"));
    EXPECT_TRUE(Save().saved.message().contains(QStringLiteral("settings.xml: Permission denied")));

    EXPECT_EQ(mFiles.WriteCount(kSettings), 0);
    EXPECT_EQ(mFiles.FileContents(kSettings), broken);
    EXPECT_TRUE(mLauncher.commandLines().isEmpty());
}

TEST_F(SettingsWriterTest, RefusesAValueXmlCannotStoreBeforeAnythingRuns) {
    UseConfiguration(R"~(<command id="before">before.sh</command>)~");
    const QByteArray original = R"~(<xml><variable id="$(HOST)">old</variable></xml>)~";
    mFiles.SetFile(kSettings, original);
    for (const QString& bad : {QStringLiteral("a\x01z"), QString(QChar(0xFFFE)),
                               QString(QChar(0xD800)) + QStringLiteral("x")}) {
        SetField("eHOST", bad);
        const SaveResult result = Save();
        EXPECT_FALSE(result.saved.ok());
        EXPECT_TRUE(result.saved.message().contains(QStringLiteral("\"Host name\"")))
            << result.saved.message().toStdString();
    }
    EXPECT_EQ(mFiles.FileContents(kSettings), original);
    EXPECT_EQ(mFiles.WriteCount(kSettings), 0);
    EXPECT_TRUE(mLauncher.commandLines().isEmpty());
}

TEST_F(SettingsWriterTest, BeforeCommandSeesTheOldFileAfterCommandTheNewOne) {
    UseConfiguration(R"~(<command id="after">after.sh --new</command>
                        <command id="before">before.sh</command>)~");
    mFiles.SetFile(kSettings, R"~(<xml><variable id="$(PORT)">old</variable></xml>)~");
    SetField("ePORT", QStringLiteral("new"));
    ASSERT_TRUE(Save().Complete());
    EXPECT_EQ(mLauncher.commandLines(), QStringList({"before.sh", "after.sh --new"}));
    ASSERT_EQ(mLauncher.settingsAtStart.size(), 2);
    EXPECT_TRUE(mLauncher.settingsAtStart[0].contains(QStringLiteral(">old<")));
    EXPECT_TRUE(mLauncher.settingsAtStart[1].contains(QStringLiteral(">new<")));
}

TEST_F(SettingsWriterTest, ABeforeCommandThatCannotStartStopsTheSave) {
    UseConfiguration(R"~(<command id="before">missing-program</command>
                        <command id="after">after.sh</command>)~");
    const QByteArray original = R"~(<xml><variable id="$(PORT)">old</variable></xml>)~";
    mFiles.SetFile(kSettings, original);
    mLauncher.FailFor(QStringLiteral("missing-program"), QStringLiteral("No such file"));
    SetField("ePORT", QStringLiteral("new"));

    const SaveResult result = Save();
    EXPECT_FALSE(result.saved.ok());
    EXPECT_TRUE(result.saved.message().contains(QStringLiteral("missing-program")));
    EXPECT_EQ(mFiles.FileContents(kSettings), original);
    EXPECT_EQ(mLauncher.commandLines(), QStringList({"missing-program"}));
}

TEST_F(SettingsWriterTest, AnAfterCommandThatCannotStartLeavesTheSaveStanding) {
    UseConfiguration(R"~(<command id="after">"unbalanced</command>)~");
    mFiles.SetFile(kSettings, R"~(<xml><variable id="$(PORT)">old</variable></xml>)~");
    mLauncher.FailFor(QStringLiteral("\"unbalanced"), QStringLiteral("unbalanced quote"));
    SetField("ePORT", QStringLiteral("new"));

    const SaveResult result = Save();
    EXPECT_TRUE(result.saved.ok());
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].startsWith(QStringLiteral("The after command")));
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("\"unbalanced")));
    EXPECT_EQ(Saved("//variable"), QStringLiteral("new"));
}

TEST_F(SettingsWriterTest, AFailedWriteKeepsTheOldFile) {
    const QByteArray original = R"~(<xml><variable id="$(PORT)">old</variable></xml>)~";
    mFiles.SetFile(kSettings, original);
    mFiles.FailWriting(kSettings, QStringLiteral("No space left on device"));
    SetField("ePORT", QStringLiteral("new"));
    const SaveResult result = Save();
    EXPECT_FALSE(result.saved.ok());
    EXPECT_TRUE(
        result.saved.message().contains(QStringLiteral("settings.xml: No space left on device")));
    EXPECT_EQ(mFiles.FileContents(kSettings), original);
}

TEST_F(SettingsWriterTest, KeepsTheFilesEncoding) {
    mFiles.SetFile(kSettings,
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                   "<xml><variable id=\"$(HOST)\">alt</variable></xml>\n");
    SetField("eHOST", QString::fromUtf8("K\xc3\xb6ln \xe2\x82\xac"));
    ASSERT_TRUE(Save().Complete());
    const QByteArray bytes = mFiles.FileContents(kSettings);
    EXPECT_TRUE(bytes.contains("encoding=\"ISO-8859-1\"")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("K\xf6ln &#8364;")) << bytes.toStdString();
    EXPECT_EQ(Saved("//variable"), QString::fromUtf8("K\xc3\xb6ln \xe2\x82\xac"));
}

TEST_F(SettingsWriterTest, SaveAsWritesTheCurrentDocumentToANewPath) {
    mFiles.SetFile(kSettings, R"~(<xml><variable id="$(PORT)">old</variable></xml>)~");
    SetField("ePORT", QStringLiteral("new"));
    const QString copy = QStringLiteral("copy.xml");
    const SaveResult result =
        WriteSettingsFile(mConfig, *mFields, kSettings, copy, {mFiles, mLauncher});
    ASSERT_TRUE(result.Complete());
    EXPECT_TRUE(mFiles.FileContents(copy).contains(">new<"));
    EXPECT_TRUE(mFiles.FileContents(kSettings).contains(">old<"));
}

}  // namespace
