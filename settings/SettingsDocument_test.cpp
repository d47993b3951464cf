#include "settings/SettingsDocument.h"

#include "schema/Configuration.h"
#include "testing/FakeFileSystem.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

QStringList Listed(const std::vector<VariableValue>& values) {
    QStringList listed;
    for (const VariableValue& value : values) {
        listed.append(value.id + u'=' + value.value);
    }
    return listed;
}

// Loading, saving and the export each count other elements of the same file. Ids of odd shapes
// (empty, quotes, XPath syntax) must match the attribute exactly, and the value of an id is the
// text of its first element wherever that stands.
TEST(SettingsDocumentTest, EachViewCountsItsOwnElements) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse(R"~(<xml><group><name>G</name>
      <item><name>A</name><varname>$(A)</varname></item>
      <item><name>Q</name><varname>q"uote's</varname></item>
      <item><name>X</name><varname>]//*[1</varname></item>
      <item><name>D</name><varname>$(DEEP)</varname></item>
      <item><name>N</name><varname>$(NONE)</varname></item></group></xml>)~",
                           QStringLiteral("config.xml"))
                    .ok());
    FakeFileSystem files;
    files.SetFile(QStringLiteral("s.xml"), R"~(<xml>
  <a><variable id="$(A)">nested first</variable></a>
  <variable id="$(A)">root</variable>
  <variable id="">empty id</variable>
  <variable id="q&quot;uote's">quotes</variable>
  <variable id="]//*[1">xpath syntax</variable>
  <variable>no id</variable>
  <b><c><variable id="$(DEEP)">deep</variable></c></b>
  <variable id="$(UNDECLARED)">u</variable>
  <variable id="$(A)">root two</variable>
  <other id="$(NONE)">not a variable</other>
</xml>)~");
    SettingsDocument settings;
    ASSERT_TRUE(settings.Load(files, QStringLiteral("s.xml")).ok());

    EXPECT_EQ(Listed(settings.LoadedValues(config)),
              QStringList({"$(A)=nested first", "q\"uote's=quotes", "]//*[1=xpath syntax",
                           "$(DEEP)=deep"}));
    QStringList saved;
    ASSERT_TRUE(settings.SavedIds(config, &saved).ok());
    EXPECT_EQ(saved, QStringList({"$(A)", "q\"uote's", "]//*[1", "$(A)"}));
    std::vector<VariableValue> exported;
    ASSERT_TRUE(settings.ExportedValues(&exported).ok());
    EXPECT_EQ(Listed(exported),
              QStringList({"$(A)=nested first", "=empty id", "q\"uote's=quotes",
                           "]//*[1=xpath syntax", "$(UNDECLARED)=u", "$(A)=nested first"}));

    // A value goes into the first element of its id, and only there.
    ASSERT_TRUE(settings.SetValueOf(QStringLiteral("$(A)"), QStringLiteral("new")).ok());
    ASSERT_TRUE(settings.SetValueOf(QStringLiteral("$(NONE)"), QStringLiteral("x")).ok());
    exported.clear();
    ASSERT_TRUE(settings.ExportedValues(&exported).ok());
    EXPECT_EQ(Listed(exported).join(u','),
              QStringLiteral("$(A)=new,=empty id,q\"uote's=quotes,]//*[1=xpath syntax,"
                             "$(UNDECLARED)=u,$(A)=new"));
    QByteArray bytes;
    ASSERT_TRUE(settings.Document().Serialize(&bytes).ok());
    EXPECT_TRUE(bytes.contains(">root<") && bytes.contains(">root two<")) << bytes.toStdString();
}

}  // namespace
