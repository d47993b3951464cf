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

class WarningsTest : public ::testing::Test {
  protected:
    void Open(const QByteArray& settings) {
        mFiles.SetFile("config.xml", R"~(<xml><group><name>G</name>
            <item><name>Host</name><varname>$(HOST)</varname><requried>true</requried></item>
            </group><files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        mFiles.SetFile("s.xml", settings);
        mFiles.SetFile("app.in", "host=$(HOST)\nport=$(PORT)\n");
        mWindow.reset(
            new frmsetup(ParseCommandLine({"/file:s.xml"}), {mDialogs, mFiles, mLauncher}));
        ASSERT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
        QApplication::processEvents();  // the window's events begin
        QTest::keyClicks(mWindow->findChild<QWidget*>("eHOST"), "1");
    }
    // The text of the report window `name` while it is shown, else "(none)".
    QString Report(const char* name) const {
        QApplication::processEvents();
        auto* report = mWindow->findChild<QDialog*>(name);
        if (report == nullptr || !report->isVisible())
            return "(none)";
        return report->findChild<QLabel*>()->text() + '\n' +
               report->findChild<QPlainTextEdit*>()->toPlainText();
    }
    void Press(const char* name) {
        QObject* control = mWindow->findChild<QObject*>(name);
        EXPECT_TRUE(QMetaObject::invokeMethod(
            control, qobject_cast<QAction*>(control) ? "trigger" : "click"))
            << name;
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

// Which $(NAME)s the outputs still hold, on which lines, and which values no item declares: a
// save that leaves the window open tells it in a window of its own, one that closes it tells it in
// a message before; the preview tells it before anything is written.
TEST_F(WarningsTest, TellsWhatASaveLeavesBesideTheWindowOrBeforeItCloses) {
    const QString told = QString("The settings were saved and the templates exported, but:\n") +
                         kUndeclared + '\n' + kNoValue;
    const struct {
        const char *press, *answer;
        QString report;        // in a window of its own
        QStringList messages;  // a part of each message, in turn
        bool open;
    } cases[] = {
        {"IndSave", "", told, {}, true},
        {"Ok", "", "(none)", {QString(told).replace(":\n", ":\n\n")}, false},
        {"indExit", "Yes", "(none)", {"gespeichert", told.section('\n', 1)}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        mDialogs = ScriptedDialogs();
        Open(
            R"~(<xml><variable id="$(HOST)">h</variable><variable id="$(GONE)">x</variable></xml>)~");
        mDialogs.messages.clear();
        mDialogs.answers << c.answer;
        Press(c.press);
        EXPECT_EQ(mWindow->isVisible(), c.open);
        EXPECT_EQ(Report("SaveWarnings"), c.report);
        EXPECT_THAT(mDialogs.messages, HoldTextsInTurn(c.messages));
    }
    mDialogs = ScriptedDialogs();
    Open(R"~(<xml><variable id="$(GONE)">x</variable></xml>)~");
    Press("IndShowChanges");
    auto* view = mWindow->findChild<QDialog*>("ChangesView");
    ASSERT_NE(view, nullptr);
    EXPECT_THAT(view->findChild<QLabel*>("ChangesNote")->text(), HoldsText(kNoValue));
    EXPECT_THAT(view->findChild<QLabel*>("ChangesNote")->text(), HoldsText(kUndeclared));
}

// A save that leaves nothing behind closes the report of an earlier one: it no longer holds.
TEST_F(WarningsTest, ASaveWithoutWarningsClosesTheReportOfAnEarlierOne) {
    Open(R"~(<xml><variable id="$(HOST)">h</variable></xml>)~");
    Press("IndSave");
    EXPECT_EQ(Report("SaveWarnings").section('\n', 1), kNoValue);
    mFiles.SetFile("app.in", "host=$(HOST)\n");
    Press("IndSave");
    EXPECT_EQ(Report("SaveWarnings"), "(none)");
}

// What the configuration most likely misspells is told when it is loaded, and only then.
TEST_F(WarningsTest, TellsTheConfigurationsMisspellingsOnceItIsLoaded) {
    Open("<xml/>");
    EXPECT_THAT(Report("ConfigurationWarnings").toStdString(),
                ::testing::AllOf(::testing::StartsWith("config.xml most likely misspells"),
                                 ::testing::HasSubstr(kMisspelt)));
    mWindow->findChild<QDialog*>("ConfigurationWarnings")->close();
    mDialogs.answers << "No"
                     << "s.xml";  // the edit is not saved; the file is opened again
    Press("IndOpen");
    EXPECT_EQ(mDialogs.questions.value(1), "open");
    EXPECT_EQ(Report("ConfigurationWarnings"), "(none)");
    EXPECT_EQ(mDialogs.messages, QStringList());
}

}  // namespace
