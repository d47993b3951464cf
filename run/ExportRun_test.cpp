#include "run/ExportRun.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

// Runs "/export /conf:c/c.xml <arguments>" on a configuration with the commands "b" (before) and
// "a" (after) and one template, t.in -> t.out, that reads $(HOST); `broken` (a file or a command)
// is missing. The result reads "<exit status>: <commands started>: <how often c/s.xml was
// written> <text of c/t.out>: <first line of each message>".
QString ExportWith(const char* arguments, const char* broken) {
    FakeFileSystem files;
    files.SetFile("c/c.xml", R"(<xml><group><name>G</name><item><name>H</name>
        <varname>$(HOST)</varname></item></group><command id="before">b</command>
        <command id="after">a</command><files><file><input>t.in</input><output>t.out</output>
        </file></files></xml>)");
    files.SetFile("c/s.xml", R"~(<xml><variable id="$(HOST)">db1</variable></xml>)~");
    files.SetFile("c/t.in", "host=$(HOST)");
    files.RemoveFile(broken);
    FakeProcessLauncher launcher;
    launcher.FailFor(broken, "no such program");
    ScriptedDialogs dialogs;
    const int status = RunExport(
        ParseCommandLine(GetCommandLine("/export /conf:c/c.xml /file:s.xml " + QString(arguments))),
        {dialogs, files, launcher});
    for (QString& message : dialogs.messages)
        message = message.section(u'\n', 0, 0);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    return QString::number(status) + ": " + launcher.commandLines().join(u' ') + ": " +
           QString::number(files.WriteCount("c/s.xml")) + " " + files.FileContents("c/t.out") +
           ": " + dialogs.messages.join(u'|');
}

TEST(ExportRunTest, ExitStatusSaysWhetherTheSettingsAndTheTemplatesWereWritten) {
    const char* const cases[][3] = {
        {"", "", "0: b a: 1 host=db1: "},
        // Problems after the save give 1: the settings stand.
        {"", "c/t.in", "1: b a: 1 : t.in could not be found"},
        // Nothing saved gives 2. Without a configuration the settings file is not even read.
        {"/conf:c/none.xml", "c/s.xml", "2: : 0 : The file could not be loaded!"},
        {"/file:none.xml", "", "2: : 0 : The file could not be loaded!"},
        {"", "b", "2: b: 0 : The before command could not be started, so nothing was saved."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportWith(c[0], c[1]), QString::fromUtf8(c[2])) << c[0] << c[1];
}

}  // namespace
