#include "settings/SettingsDocument.h"

#include "testing/FakeFileSystem.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// The index must answer exactly as the query "//variable[@id=$id]" does, for every id.
TEST(SettingsDocumentTest, TheIndexAgreesWithTheQuery) {
    FakeFileSystem files;
    files.SetFile(QStringLiteral("s.xml"), R"~(<xml>
  <a><variable id="$(A)">nested first</variable></a>
  <variable id="$(A)">root</variable>
  <variable id="">empty id</variable>
  <variable id="q&quot;uote's">quotes</variable>
  <variable id="]//*[1">xpath syntax</variable>
  <variable>no id</variable>
  <b><c><variable id="$(DEEP)">deep</variable></c></b>
  <variable id="$(DEEP)">later</variable>
  <other id="$(A)">not a variable</other>
</xml>)~");
    SettingsDocument settings;
    ASSERT_TRUE(settings.Load(files, QStringLiteral("s.xml")).ok());

    const QStringList ids = {"$(A)", "", "q\"uote's", "]//*[1", "$(DEEP)", "$(NONE)", "$(a)"};
    for (const QString& id : ids) {
        XmlNode queried;
        ASSERT_TRUE(settings.Document()
                        .SelectSingleNode(QStringLiteral("//variable[@id=$id]"), &queried,
                                          {{QStringLiteral("id"), id}})
                        .ok());
        EXPECT_EQ(settings.FirstWithId(id), queried) << id.toStdString();
    }
    EXPECT_EQ(settings.FirstWithId(QStringLiteral("$(A)")).Text(), QStringLiteral("nested first"));
    EXPECT_EQ(settings.VariablesWithId().size(), 7u);

    std::vector<XmlNode> rootVariables;
    ASSERT_TRUE(settings.RootVariables(&rootVariables).ok());
    EXPECT_EQ(rootVariables.size(), 6u);
}

TEST(SettingsDocumentTest, AMissingFileIsNotFound) {
    FakeFileSystem files;
    SettingsDocument settings;
    EXPECT_TRUE(settings.Load(files, QStringLiteral("none.xml")).IsNotFound());
    EXPECT_TRUE(settings.Document().IsEmpty());
    EXPECT_TRUE(settings.VariablesWithId().empty());
}

}  // namespace
