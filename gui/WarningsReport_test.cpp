// What the real main window tells of the warnings of its configuration and its saves, over an
// in-memory disk with scripted dialogs.
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
const char kMisspelt[] = "config.xml:2: <requried> is not a known element of an item";

struct Window {
    // Opens the window on `settings`, lets its events begin, and edits the field.
    explicit Window(const QByteArray& settings) {
        files.SetFile("config.xml", R"~(<xml><group><name>G</name>
            <item><name>Host</name><varname>$(HOST)</varname><requried>true</requried></item>
            </group><files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
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
        {"Ok", "", false, "(none)", {heading + "\n\n" + lines}},
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
        if (view) {
            EXPECT_THAT(view->findChild<QLabel*>("ChangesNote")->text(), HoldsText(lines));
        }
    }
}

// The configuration's misspellings are told once, when it is loaded; a save without warnings
// closes the report of an earlier one, which no longer holds.
TEST(WarningsReportTest, TellsTheMisspellingsOnceAndClosesAReportThatNoLongerHolds) {
    Window w("<xml/>");
    EXPECT_THAT(w.Report("ConfigurationWarnings"), HoldsText(kMisspelt));
    w.window.findChild<QDialog*>("ConfigurationWarnings")->close();
    w.Press("IndSave");
    EXPECT_EQ(w.Report("SaveWarnings").section('\n', 1), kNoValue);
    w.files.SetFile("app.in", "host=$(HOST)\n");
    w.dialogs.answers << "s.xml";
    w.Press("IndOpen");
    w.Press("IndSave");
    EXPECT_EQ(w.Report("SaveWarnings") + ' ' + w.Report("ConfigurationWarnings"), "(none) (none)");
    EXPECT_EQ(w.dialogs.questions, QStringList("open"));
}

}  // namespace
