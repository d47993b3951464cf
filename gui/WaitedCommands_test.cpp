// The window waits for the commands its configuration waits for: a dialog shows while it waits,
// its Cancel stops the save, and a failure is shown with how the command ended.
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(WaitedCommandsTest, TheWindowShowsTheWaitAndStopsOrReportsTheSave) {
    const struct {
        const char* what;
        bool cancel;
        const char* failing;  // the command that fails, with status 3
        QStringList shown;
        bool saved;
    } cases[] = {
        {"both succeed", false, "", {}, true},
        {"Cancel stops the save",
         true,
         "",
         {"The before command did not succeed, so nothing was saved.\nThe command was "
          "cancelled: stop.sh"},
         false},
        {"a failed after command is told, the save stands",
         false,
         "start.sh",
         {"The after command did not succeed.\nThe command ended with status 3: start.sh"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        files.SetFile("config.xml", R"~(<xml><group><name>g</name>
            <item><name>Host</name><varname>$(DBHOST)</varname></item></group>
            <command id="before" wait="true" timeout="5">stop.sh</command>
            <command id="after" wait="true">start.sh</command>
            <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        files.SetFile("settings.xml", R"~(<xml><variable id="$(DBHOST)">db1</variable></xml>)~");
        files.SetFile("app.in", "host=$(DBHOST)");
        FakeProcessLauncher processes;
        processes.EndWith(c.failing, "ended with status 3");
        ScriptedDialogs dialogs;
        dialogs.cancelWaits = c.cancel;
        frmsetup window(ParseCommandLine({}), {dialogs, files, processes});
        ASSERT_EQ(window.Form_Load(), std::nullopt);
        window.findChild<QWidget*>("eDBHOST")->setProperty("text", "db2");
        QMetaObject::invokeMethod(window.findChild<QObject*>("IndSave"), "trigger");

        EXPECT_THAT(dialogs.messages, HoldTextsInTurn(c.shown));
        EXPECT_EQ(dialogs.waits.size(), processes.waited().size());
        EXPECT_EQ(processes.waited(), c.saved ? QStringList({"stop.sh (5 s)", "start.sh (60 s)"})
                                              : QStringList({"stop.sh (5 s)"}));
        EXPECT_EQ(files.FileContents("app.out"), c.saved ? "host=db2" : "");
        EXPECT_EQ(files.FileContents("settings.xml").contains("db2"), c.saved);
    }
}

}  // namespace
