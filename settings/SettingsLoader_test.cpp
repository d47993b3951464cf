#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
#include "testing/FakeFileSystem.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// A field takes the text of the first element of its id, wherever that stands; it keeps its text
// when the file does not list it or does not load.
TEST(SettingsLoaderTest, FillsTheFieldsOrNoneWhenTheFileDoesNotLoad) {
    Configuration config;
    const char xml[] = "<xml><group><name/><item><name/><varname>H</varname></item></group></xml>";
    ASSERT_TRUE(config.Parse(xml, "c").ok());
    FakeFileSystem files;
    // Loads `file` (nullptr: none) into a field that held "old": "<error>|<field text>".
    const auto load = [&](const char* file) {
        file ? files.SetFile("settings.xml", file) : files.RemoveFile("settings.xml");
        MapFieldTexts fields(config);
        fields.SetFieldText("eH", "old");
        const Status loaded = ReadSettingsInto(files, "settings.xml", config, fields);
        EXPECT_EQ(loaded.IsNotFound(), file == nullptr);
        return loaded.message() + '|' + *fields.FieldText("eH");
    };
    EXPECT_EQ(load("<xml><a><variable id='H'>new</variable></a><variable id='H'/></xml>"), "|new");
    EXPECT_EQ(load("<xml><variable id='X'>new</variable></xml>"), "|old");
    EXPECT_EQ(load("<xml><variable id='H'>new</variable>"),
              "settings.xml: line 1: Premature end of data in tag xml line 1|old");
    EXPECT_EQ(load(nullptr), "settings.xml: No such file or directory|old");
    files.FailReading("settings.xml", "Input/output error");
    EXPECT_EQ(load("<xml/>"), "settings.xml: Input/output error|old");
}

}  // namespace
