#include "settings/SettingsWriter.h"

#include "schema/Configuration.h"
#include "settings/VariableValues.h"
#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/TextMatchers.h"

#include <gtest/gtest.h>

namespace {

const char kConfig[] = R"~(<xml><group><name>G</name>
    <item><name>Port</name><varname>$(P)</varname></item>
    <item><name>Host name</name><varname>$(H)</varname></item></group>
    <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
const char kOld[] = R"~(<xml><variable id="$(P)">o</variable><variable id="$(H)"/></xml>)~";
const QByteArray kP = R"~(<variable id="$(P)">&amp;&lt;</variable>)~";
const QByteArray kH = R"~(<variable id="$(H)">h</variable>)~";
const QByteArray kNew = "<xml>" + kP + kH + "</xml>";
const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Saves "&<" and `host` into $(P) and $(H). A save that cannot be done whole leaves the file alone.
TEST(SettingsWriterTest, WritesEveryValueOrRefusesTheSave) {
    struct Case {
        const char* what;
        const char* file;     // the settings file before the save; nullptr: none
        QByteArray saved;     // its root element after the save; empty: it keeps its bytes
        const char* message;  // "" when the save stands
        QString host = "h";
    };
    const Case cases[] = {
        // Regression: a typed value of a variable that the file did not list was dropped.
        {"without a file every value adds an element", nullptr, kNew, ""},
        // Regression: the value of $(H) was written into the freed nested element.
        {"an element inside another goes with the outer value; the next of its id takes its value",
         R"~(<xml><variable id="$(P)">1<variable id="$(H)">n</variable></variable>)~"
         R"~(<variable id="$(H)">root</variable></xml>)~",
         kNew, ""},
        // Regression: a file that its next load refuses was written, and every later run failed.
        {"a file too large for its next load is refused", kOld, "",
         "The largest value is that of \"Host name\" ($(H)).", QString(17 << 20, u'>')},
    };
    Configuration config;
    ASSERT_TRUE(config.Parse(kConfig, "config.xml").ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VariableValues values(config);
        values.Set("$(P)", "&<");
        values.Set("$(H)", c.host);
        FakeFileSystem files;
        files.SetFile("t.in", "$(P)");
        if (c.file)
            files.SetFile("settings.xml", c.file);
        FakeProcessLauncher launcher;
        const SaveResult result =
            SaveAndExport(config, values, "settings.xml", "settings.xml", "", {files, launcher});
        QStringList reported = result.problems;
        if (!result.saved.ok())
            reported.prepend(result.saved.message());
        EXPECT_THAT(reported, HoldTextsInTurn(*c.message ? QStringList(c.message) : QStringList()));
        EXPECT_EQ(result.saved.ok(), !*c.message);
        EXPECT_EQ(Bytes{files.FileContents("settings.xml")},
                  Bytes{c.saved.isEmpty() ? QByteArray(c.file) : kHeader + c.saved + '\n'});
    }
}

}  // namespace
