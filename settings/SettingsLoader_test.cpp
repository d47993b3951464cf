#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/SettingsWriter.h"
#include "settings/VariableValues.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// "HOST", declared outside any item, addresses the item "$(HOST)": loading takes the value of the
// id whose first element comes later, and a save writes the item's value into both.
TEST(SettingsLoaderTest, IdsOfOneBareNameAddressOneItem) {
    Configuration config;  // the item $(HOST), and HOST declared outside any item
    ASSERT_TRUE(config
                    .Parse("<xml><group><name/><item><name/><varname>$(HOST)</varname></item>"
                           "</group><other><varname>HOST</varname></other></xml>",
                           "c")
                    .ok());
    const struct {
        const char *what, *file;  // the variables of the settings file
        QString loaded;           // the value of $(HOST) after loading `file`
        const char* saved;        // the variables after saving the value "new"
    } cases[] = {
        {"the later element's id wins",
         "<variable id='HOST'>a</variable><variable id='$(HOST)'>b</variable>", "b",
         "<variable id=\"HOST\">new</variable><variable id=\"$(HOST)\">new</variable>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        files.SetFile("settings.xml", QByteArray("<xml>") + c.file + "</xml>");
        VariableValues values(config);
        ASSERT_EQ(ReadSettingsInto(files, "settings.xml", config, &values).message(), QString());
        EXPECT_EQ(*values.Find("$(HOST)"), c.loaded);
        values.Set("$(HOST)", "new");
        FakeProcessLauncher processes;
        const SaveResult result =
            SaveAndExport(config, values, "settings.xml", "settings.xml", "", {files, processes});
        ASSERT_TRUE(result.Complete()) << qPrintable(result.saved.message());
        EXPECT_THAT(files.FileContents("settings.xml").toStdString(),
                    testing::HasSubstr(std::string("<xml>") + c.saved + "</xml>"));
    }
}

}  // namespace
