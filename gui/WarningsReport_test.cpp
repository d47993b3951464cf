// What the real main window tells of the warnings of its saves, and how it waits for the commands
// of a save, over an in-memory disk with scripted dialogs.
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char kNoValue[] = "app.out:2: $(PORT) has no value";
const char kUndeclared[] =
    "s.xml: $(GONE) has a value, but no item of the configuration declares it";

struct Window {
    // Opens the window on `settings`, lets its events begin, and edits the field.
    explicit Window(const QByteArray& settings) {
        files.SetFile("config.xml", R"~(<xml><group><name>G</name>
            <item><name>Host</name><varname>$(HOST)</varname></item>
            </group><command id="before" wait="true" timeout="5">stop.sh</command>
            <command id="after" wait="true">start.sh</command>
            <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        files.SetFile("s.xml", settings);
        files.SetFile("app.in", "host=$(HOST)\nport=$(PORT)\n");
        EXPECT_EQ(window.Form_Load(), std::nullopt);
        window.show();
        QApplication::processEvents();
        QTest::keyClicks(window.findChild<QWidget*>("eHOST"), "1");
    }
    void Press(const char* name) {
        QObject* control = window.findChild<QObject*>(name);
        QMetaObject::invokeMethod(control, qobject_cast<QAction*>(control) ? "trigger" : "click");
    }
    // The heading and lines of the report window `name` while it is shown, else "(none)".
    QString Report(const char* name) {
        QApplication::processEvents();
        auto* report = window.findChild<QDialog*>(name);
        return report == nullptr || !report->isVisible()
                   ? "(none)"
                   : report->findChild<QLabel*>()->text() + '\n' +
                         report->findChild<QPlainTextEdit*>()->toPlainText();
    }

    FakeFileSystem files;
    FakeProcessLauncher launcher;
    ScriptedDialogs dialogs;
    frmsetup window{ParseCommandLine({"/file:s.xml"}), {dialogs, files, launcher}};
};

// Which $(NAME)s the outputs still hold, on which lines, and which values no item declares: a
// save that leaves the window open tells it in a window of its own, one that closes it tells it
// in a message before; the preview tells it before anything is written.
TEST(WarningsReportTest, TellsWhatASaveLeavesInAWindowOfItsOwnOrBeforeTheWindowCloses) {
    const QString lines = QString(kUndeclared) + '\n' + kNoValue;
    const QString heading = "The settings were saved and the templates exported, but:";
    const struct {
        const char *press, *answer;
        bool open;
        QString report;        // in a window of its own
        QStringList messages;  // a part of each message, in turn
    } cases[] = {
        {"IndSave", "", true, heading + '\n' + lines, {}},
        {"indExit", "Yes", false, "(none)", {"gespeichert", heading + "\n\n" + lines}},
        {"IndShowChanges", "", true, "(none)", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        Window w(
            R"~(<xml><variable id="$(HOST)">h</variable><variable id="$(GONE)">x</variable></xml>)~");
        w.dialogs.answers << c.answer;
        w.Press(c.press);
        EXPECT_EQ(w.window.isVisible(), c.open);
        EXPECT_EQ(w.Report("SaveWarnings"), c.report);
        EXPECT_THAT(w.dialogs.messages, HoldTextsInTurn(c.messages));
        auto* view = w.window.findChild<QDialog*>("ChangesView");
        ASSERT_EQ(view != nullptr, QByteArray(c.press) == "IndShowChanges");
        if (view)
            EXPECT_THAT(view->findChild<QLabel*>("ChangesNote")->text(), HoldsText(lines));
    }
}

// The window waits for the commands its configuration waits for: a dialog shows while it waits,
// and its Cancel stops the save before anything is written.
TEST(WaitedCommandsTest, TheWindowShowsTheWaitAndStopsTheSaveWhenCancelled) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "waited for");
        Window w(R"~(<xml><variable id="$(HOST)">h</variable></xml>)~");
        w.dialogs.cancelWaits = cancel;
        w.Press("IndSave");
        EXPECT_EQ(w.dialogs.messages.join('|'),
                  cancel ? "The before command did not succeed, so nothing was saved.\nThe "
                           "command was cancelled: stop.sh"
                         : "");
        EXPECT_EQ(w.dialogs.waits.size(), w.launcher.waited().size());
        EXPECT_EQ(w.launcher.waited(), cancel ? QStringList{"stop.sh (5 s)"}
                                              : QStringList({"stop.sh (5 s)", "start.sh (60 s)"}));
        EXPECT_EQ(w.files.FileContents("app.out").startsWith("host=1h\n"), !cancel);
        EXPECT_EQ(w.files.FileContents("s.xml").contains(">1h<"), !cancel);
    }
}

}  // namespace
