#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
#include "testing/FakeFileSystem.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

class SettingsLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mConfig
                        .Parse(R"~(<xml><group><name>G</name>
              <item><name>Port</name><varname>$(PORT)</varname></item>
              <item><name>Host</name><varname>$(HOST)</varname></item>
              <item><name>Bare</name><varname>BARE</varname></item>
              <item><name>Quoted</name><varname>a"b'c</varname></item>
            </group></xml>)~",
                               QStringLiteral("config.xml"))
                        .ok());
        mFields = std::make_unique<MapFieldTexts>(mConfig);
    }

    Status Load(const char* settings) {
        mFiles.SetFile(QStringLiteral("settings.xml"), QByteArray(settings));
        return ReadSettingsInto(mFiles, QStringLiteral("settings.xml"), mConfig, *mFields);
    }

    QString Field(const char* name) const {
        return mFields->FieldText(QString::fromUtf8(name)).value_or(QStringLiteral("<none>"));
    }

    Configuration mConfig;
    FakeFileSystem mFiles;
    std::unique_ptr<MapFieldTexts> mFields;
};

TEST_F(SettingsLoaderTest, FillsDeclaredFieldsFromTheFirstElementOfEachId) {
    mFields->SetFieldText(QStringLiteral("eHOST"), QStringLiteral("kept"));
    ASSERT_TRUE(Load(R"~(<xml>
        <section><variable id="$(PORT)">nested first</variable></section>
        <variable id="$(PORT)">second</variable>
        <variable id="BARE">bare <b>bold</b> text</variable>
        <variable id="a&quot;b'c">quoted</variable>
        <variable id="$(UNKNOWN)">ignored</variable>
        <variable>no id</variable>
        <variable id="$(port)">wrong case</variable>
      </xml>)~")
                    .ok());
    EXPECT_EQ(Field("ePORT"), QStringLiteral("nested first"));
    EXPECT_EQ(Field("eBARE"), QStringLiteral("bare bold text"));
    EXPECT_EQ(Field("ea\"b'c"), QStringLiteral("quoted"));
    // A variable the file does not list keeps the text its field had.
    EXPECT_EQ(Field("eHOST"), QStringLiteral("kept"));
    EXPECT_EQ(Field("eUNKNOWN"), QStringLiteral("<none>"));
}

TEST_F(SettingsLoaderTest, AnEmptyElementEmptiesItsField) {
    mFields->SetFieldText(QStringLiteral("ePORT"), QStringLiteral("old"));
    ASSERT_TRUE(Load(R"~(<xml><variable id="$(PORT)"/></xml>)~").ok());
    EXPECT_EQ(Field("ePORT"), QString());
}

TEST_F(SettingsLoaderTest, AFileThatCannotBeLoadedTouchesNoField) {
    mFields->SetFieldText(QStringLiteral("ePORT"), QStringLiteral("before"));

    const Status broken = Load(R"~(<xml><variable id="$(PORT)">new</variable>)~");
    EXPECT_FALSE(broken.ok());
    EXPECT_TRUE(broken.message().startsWith(QStringLiteral("settings.xml: line ")));

    mFiles.RemoveFile(QStringLiteral("settings.xml"));
    const Status missing =
        ReadSettingsInto(mFiles, QStringLiteral("settings.xml"), mConfig, *mFields);
    EXPECT_TRUE(missing.IsNotFound());

    mFiles.SetFile(QStringLiteral("settings.xml"), "<xml/>");
    mFiles.FailReading(QStringLiteral("settings.xml"), QStringLiteral("Input/output error"));
    const Status unreadable =
        ReadSettingsInto(mFiles, QStringLiteral("settings.xml"), mConfig, *mFields);
    EXPECT_EQ(unreadable.message(), QStringLiteral("settings.xml: Input/output error"));

    EXPECT_EQ(Field("ePORT"), QStringLiteral("before"));
}

TEST_F(SettingsLoaderTest, ReadsSingleByteEncodings) {
    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                     "<xml><variable id=\"$(HOST)\">M\xfc"
                     "nchen</variable></xml>")
                    .ok());
    EXPECT_EQ(Field("eHOST"), QString::fromUtf8("M\xc3\xbc"
                                                "nchen"));
}

}  // namespace
