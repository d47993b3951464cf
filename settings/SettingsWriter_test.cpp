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
    <command id="before">before</command><command id="after">after</command>
    <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
const char kOld[] = R"~(<xml><variable id="$(P)">o</variable><variable id="$(H)"/></xml>)~";
const QByteArray kP = R"~(<variable id="$(P)">&amp;&lt;</variable>)~";
const QByteArray kH = R"~(<variable id="$(H)">h</variable>)~";
const QByteArray kNew = "<xml>" + kP + kH + "</xml>";
const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kBefore[] = "before, on the old settings file";
const char kAfter[] = "after, on the new settings file and the output";
const QStringList kBoth = {kBefore, kAfter}, kOnlyBefore(kBefore), kNoCommand;
enum class Fault { kNone, kReadingSettings, kWritingSettings, kStartingBefore, kStartingAfter };

// Saves "&<" and `host` into $(P) and $(H): the before command sees the old file, the after
// command the new one and the output. A save that cannot be done whole leaves the file alone.
TEST(SettingsWriterTest, WritesEveryValueBetweenTheCommandsOrRefusesTheSave) {
    struct Case {
        const char* what;
        const char* file;  // the settings file before the save; nullptr: none
        QByteArray saved;  // its root element after the save; empty: it keeps its bytes
        const char* message;
        QStringList started;  // the commands started; a save that stands starts both
        Fault fault = Fault::kNone;
        QString host = "h";
    };
    const Case cases[] = {
        {"the first element of an id takes the value, and the rest of the file stays",
         R"~(<xml note="k"><g><variable id="$(P)">1<sub/></variable></g><variable id="$(P)"/>)~"
         R"~(<variable id="$(X)">x</variable></xml>)~",
         R"~(<xml note="k"><g>)~" + kP +
             R"~(</g><variable id="$(P)"/><variable id="$(X)">x</variable>)~" + kH + "</xml>",
         "", kBoth},
        // Regression: a typed value of a variable that the file did not list was dropped.
        {"without a file every value adds an element", nullptr, kNew, "", kBoth},
        // Regression: the value of $(H) was written into the freed nested element.
        {"an element inside another goes with the outer value; the next of its id takes its value",
         R"~(<xml><variable id="$(P)">1<variable id="$(H)">n</variable></variable>)~"
         R"~(<variable id="$(H)">root</variable></xml>)~",
         kNew, "", kBoth},
        {"without a changed value the file keeps its bytes",
         "<xml>\r\n<variable id='$(P)'>&amp;&lt;</variable><variable id='$(H)'>h</variable></xml>",
         "", "", QStringList{kBefore, "after, on the old settings file and the output"}},
        {"each value goes into its element; an after command that cannot start does not undo it",
         kOld, kNew, "The after command could not be started.", kBoth, Fault::kStartingAfter},
        {"a file that does not parse is not overwritten", "<xml><variable id=\"$(P)\">1</variable>",
         "", "settings.xml: line", kNoCommand},
        {"a file that cannot be read is not overwritten", kOld, "",
         "settings.xml: Permission denied", kNoCommand, Fault::kReadingSettings},
        {"a value with a control character is refused", kOld, "",
         "\"Host name\" holds the character", kNoCommand, Fault::kNone, "a\x01z"},
        {"a before command that cannot start refuses the save", kOld, "",
         "The before command could not be started", kOnlyBefore, Fault::kStartingBefore},
        {"a failed write starts no after command", kOld, "", "settings.xml: disk full", kOnlyBefore,
         Fault::kWritingSettings},
        // Regression: a file that its next load refuses was written, and every later run failed.
        {"a file too large for its next load is refused", kOld, "",
         "The largest value is that of \"Host name\" ($(H)).", kNoCommand, Fault::kNone,
         QString(17 << 20, u'>')},
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
        const auto reason = [&](Fault f, const char* text) { return c.fault == f ? text : ""; };
        files.FailReading("settings.xml", reason(Fault::kReadingSettings, "Permission denied"));
        files.FailWriting("settings.xml", reason(Fault::kWritingSettings, "disk full"));
        FakeProcessLauncher launcher;
        launcher.note = [&] {
            const bool old = files.FileContents("settings.xml") == c.file;
            return QString(old ? ", on the old settings file" : ", on the new settings file") +
                   (files.HasFile("t.out") ? " and the output" : "");
        };
        launcher.FailFor("before", reason(Fault::kStartingBefore, "-"));
        launcher.FailFor("after", reason(Fault::kStartingAfter, "-"));
        const SaveResult result =
            SaveAndExport(config, values, "settings.xml", "settings.xml", "", {files, launcher});
        QStringList reported = result.problems;
        if (!result.saved.ok())
            reported.prepend(result.saved.message());
        EXPECT_THAT(reported, HoldTextsInTurn(*c.message ? QStringList(c.message) : QStringList()));
        EXPECT_EQ(result.saved.ok(), c.started.size() == 2);
        EXPECT_EQ(Bytes{files.FileContents("settings.xml")},
                  Bytes{c.saved.isEmpty() ? QByteArray(c.file) : kHeader + c.saved + '\n'});
        EXPECT_EQ(launcher.commandLines(), c.started);
    }
}

}  // namespace
