#include "settings/SettingsWriter.h"

#include "schema/Configuration.h"
#include "settings/VariableValues.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

const char kConfig[] = R"~(<xml><group><name>G</name>
    <item><name>Port</name><varname>$(P)</varname></item>
    <item><name>Host name</name><varname>$(H)</varname></item></group>
    <command id="before">before</command><command id="after">after</command>
    <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
const char kOld[] = R"~(<xml><variable id="$(P)">o</variable><variable id="$(H)"/></xml>)~";
// The elements of the two values as a save writes them.
const QByteArray kP = R"~(<variable id="$(P)">&amp;&lt;</variable>)~";
const QByteArray kH = R"~(<variable id="$(H)">h</variable>)~";
const QByteArray kNew = "<xml>" + kP + kH + "</xml>";
const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kBoth[] = "before old|after new+";

// Saves "&<" and `host` into the fields $(P) and $(H). Each value goes into the first
// element of its id, and the rest of the file stays; a field without an element adds one after
// the root's last element, unless it is empty. The before command sees the old file, the after
// command the new one and the exported template. A save that cannot be done whole is refused
// before the file is touched, says why and starts no after command; an after command that cannot
// start is reported, but the save stands.
TEST(SettingsWriterTest, WritesEveryValueBetweenTheCommandsOrRefusesTheSave) {
    struct Case {
        const char* file;     // the settings file before the save; nullptr: none
        QByteArray saved;     // its root element after the save; empty: it keeps its bytes
        const char* message;  // part of what the save reports; "": nothing
        const char* started;  // the commands started, "|" between; a save that stands starts both
        const char* fault = "";  // "read" or "write" of the settings file, or a command line
        QString host = "h";
    };
    const Case cases[] = {
        {kOld, kNew, "", kBoth},
        {R"~(<xml note="k"><g><variable id="$(P)">1<sub/></variable></g><variable id="$(P)"/>)~"
         R"~(<variable id="$(X)">x</variable></xml>)~",
         R"~(<xml note="k"><g>)~" + kP +
             R"~(</g><variable id="$(P)"/><variable id="$(X)">x</variable>)~" + kH + "</xml>",
         "", kBoth},
        // Regression: a typed value of a variable that the file did not list was dropped.
        {nullptr, kNew, "", kBoth},
        {"<xml>\n  <variable id=\"$(P)\"/>\n</xml>", "<xml>\n  " + kP + "\n  " + kH + "\n</xml>",
         "", kBoth},
        {"<xml/>", "<xml>" + kP + "</xml>", "", kBoth, "", ""},
        {"<xml><g><variable id='$(H)'/></g></xml>", "<xml><g>" + kH + "</g>" + kP + "</xml>", "",
         kBoth},
        // Regression: the outer $(P) is written first and takes the nested $(H) with it.
        // The index still pointed at the freed element, and the value of $(H) was written
        // into freed memory.
        {R"~(<xml><variable id="$(P)">1<variable id="$(H)">n</variable></variable>)~"
         R"~(<variable id="$(H)">root</variable></xml>)~",
         kNew, "", kBoth},
        // Without a changed value the file keeps its bytes.
        {"<xml>\r\n<variable id='$(P)'>&amp;&lt;</variable><variable id='$(H)'>h</variable></xml>",
         "", "", "before old|after old+"},
        {kOld, kNew, "The after command could not be started.", kBoth, "after"},
        {"<xml><variable id=\"$(P)\">1</variable>", "", "settings.xml: line", ""},
        {"<config/>", "", "the root element is <config>, but must be <xml>", ""},
        {kOld, "", "settings.xml: Permission denied", "", "read"},
        {kOld, "", "\"Host name\" holds the character", "", "", "a\x01z"},
        {kOld, "", "\"Host name\" holds the character", "", "", QString(QChar(0xD800))},
        {kOld, "", "The before command could not be started", "before old", "before"},
        {kOld, "", "settings.xml: disk full", "before old", "write"},
        // Regression: a file that its next load refuses was written, and every later run failed.
        {kOld, "", "The largest value is that of \"Host name\" ($(H)).", "", "",
         QString(17 << 20, u'>')},
    };
    Configuration config;
    ASSERT_TRUE(config.Parse(kConfig, "config.xml").ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        VariableValues values(config);
        values.Set("$(P)", "&<");
        values.Set("$(H)", c.host);
        FakeFileSystem files;
        files.SetFile("t.in", "$(P)");
        if (c.file)
            files.SetFile("settings.xml", c.file);
        files.FailReading("settings.xml", c.fault == QString("read") ? "Permission denied" : "");
        files.FailWriting("settings.xml", c.fault == QString("write") ? "disk full" : "");
        // Each command notes whether it would find the old settings file or the new one, and "+"
        // once the template has been exported.
        FakeProcessLauncher launcher;
        launcher.note = [&] {
            const bool old = files.FileContents("settings.xml") == c.file;
            return QString(old ? " old" : " new") + (files.HasFile("t.out") ? "+" : "");
        };
        launcher.FailFor(c.fault, "-");
        const SaveResult result =
            SaveAndExport(config, values, "settings.xml", "settings.xml", "", {files, launcher});
        const QString message = result.saved.message() + result.problems.join('\n');
        EXPECT_TRUE(message.contains(c.message) && message.isEmpty() == !*c.message)
            << message.left(300).toStdString();
        EXPECT_EQ(result.saved.ok(), QString(c.started).contains("after"));
        EXPECT_EQ(files.FileContents("settings.xml"),
                  c.saved.isEmpty() ? QByteArray(c.file) : kHeader + c.saved + '\n');
        EXPECT_EQ(launcher.commandLines().join('|'), c.started);
    }
}

}  // namespace
