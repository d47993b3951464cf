// Drives the real main window over an in-memory disk, with scripted dialogs.
#include "gui/frmsetup.h"

#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>

namespace {

// Qt reads "[*]" in a window title as the place of its modified marker; the caption must show
// this name as it is.
const char kSettings[] = "s[*].xml";
const char kLogDir[] = "/var/log/a/folder/too/deep/for/its/box";
const CommandLineOptions kOptions = ParseCommandLine({QString("/file:") + kSettings});

class FrmsetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mFiles.SetFile("config.xml", R"~(<xml><group><name>Database</name>
            <item><name>Host</name><varname>$(DBHOST)</varname></item>
            <item><name>Port</name><varname>$(DBPORT)</varname></item></group>
          <group><name>Paths</name><item><name>Folder of every service's log files</name>
            <varname>LOGDIR</varname></item><item><name>Temp</name><varname>TMP</varname></item>
          </group>
          <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        mFiles.SetFile(kSettings, QString(R"~(<xml><variable id="$(DBHOST)">db1</variable>
            <variable id="$(DBPORT)">5432</variable><variable id="LOGDIR">%1</variable></xml>)~")
                                      .arg(kLogDir)
                                      .toUtf8());
        mFiles.SetFile("app.in", "host=$(DBHOST) port=$(DBPORT)");
        mWindow.reset(new frmsetup(kOptions, {mDialogs, mFiles, mLauncher}));
        ASSERT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
    }
    QWidget* Control(const char* name) const {
        QWidget* control = mWindow->findChild<QWidget*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Text(const char* name) const { return Control(name)->property("text").toString(); }
    void ShowGroup(int index) { Control("Categories")->setProperty("currentIndex", index); }
    // Triggers a menu action or clicks a button.
    void Press(const char* name) {
        QObject* control = mWindow->findChild<QObject*>(name);
        const bool action = qobject_cast<QAction*>(control);
        EXPECT_TRUE(QMetaObject::invokeMethod(control, action ? "trigger" : "click")) << name;
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

using Asked = std::vector<std::pair<QString, QString>>;
using Texts = QStringList;

// How the window is left: open or closed, its caption after the title, eDBHOST=eDBPORT, and which
// of the files received the edit.
const char kEdited[] = "open [s[*].xml]* db1=15432 saved:";
const char kSavedAndClosed[] = "closed [s[*].xml] db1=15432 saved:s[*].xml";

// One way through the window: "1" is typed at the start of eDBPORT, maybe the settings file is
// changed on disk, a control is pressed and each question answered in turn.
struct Case {
    const char *name, *press;
    Asked asked;  // part of each question, and its answer
    Texts shown;  // part of each message shown afterwards
    const char* outcome;
    const char* disk = nullptr;  // written over the settings, or kOutOfMemory
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};
const char kExternal[] =
    R"~(<xml><variable id="$(DBHOST)">ext</variable><variable id="$(DBPORT)">5</variable><x/></xml>)~";
const Case kCases[] = {
    {"CancelKeepsWindowAndEdit", "Cancel", Asked{{"s[*].xml speichern", "Cancel"}}, Texts(),
     kEdited},
    {"NoClosesWithoutSaving", "indExit", Asked{{"speichern", "No"}}, Texts(),
     "closed [s[*].xml]* db1=15432 saved:"},
    {"YesSavesAndSaysSo", "Cancel", Asked{{"speichern", "Yes"}}, Texts{"gespeichert"},
     kSavedAndClosed},
    {"OkSavesWithoutAsking", "Ok", Asked(), Texts(), kSavedAndClosed},
    // Regression: running out of memory ended the program.
    {"OutOfMemoryKeepsAll", "Ok", Asked(), Texts{"not enough memory"}, kEdited,
     FakeFileSystem::kOutOfMemory},
    // Regression: Open threw the edits away without asking.
    {"OpenAsksFirstAndCancelKeepsAll", "IndOpen", Asked{{"speichern", "Cancel"}}, Texts(), kEdited},
    // Regression: a save overwrote what another program had changed since the file was loaded.
    {"ChangedOnDiskCancelKeepsAll", "IndSave", Asked{{"s[*].xml was changed", "Cancel"}}, Texts(),
     kEdited, kExternal},
};

class FrmsetupPathTest : public FrmsetupTest, public ::testing::WithParamInterface<Case> {};
INSTANTIATE_TEST_SUITE_P(Paths, FrmsetupPathTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(FrmsetupPathTest, EndsAsAnswered) {
    const Case& c = GetParam();
    QTest::keyClicks(Control("eDBPORT"), "1");
    if (c.disk == FakeFileSystem::kOutOfMemory)
        mFiles.FailWriting(kSettings, c.disk);
    else if (c.disk)
        mFiles.SetFile(kSettings, c.disk);
    QStringList questions;
    for (const auto& [question, answer] : c.asked) {
        questions << question;
        mDialogs.answers << answer;
    }
    Press(c.press);
    EXPECT_THAT(mDialogs.questions, HoldTextsInTurn(questions));
    EXPECT_THAT(mDialogs.messages, HoldTextsInTurn(c.shown));
    // LOGDIR's group is shown only now, which is no edit; every file saved holds its value anyway.
    ShowGroup(1);
    EXPECT_EQ(Text("eLOGDIR"), QString(kLogDir));
    QStringList savedTo;
    if (mFiles.FileContents(kSettings).contains(">15432<") &&
        mFiles.FileContents(kSettings).contains(kLogDir))
        savedTo << kSettings;
    EXPECT_EQ(QString("%1 %2 %3=%4 saved:%5")
                  .arg(mWindow->isVisible() ? "open" : "closed",
                       mWindow->windowHandle()->title().section(" - ", 1), Text("eDBHOST"),
                       Text("eDBPORT"), savedTo.join(',')),
              c.outcome);
    EXPECT_EQ(Bytes{mFiles.FileContents("app.out")},
              Bytes{savedTo.isEmpty() ? "" : "host=db1 port=15432"});
    // What another program wrote stays, apart from the values saved over it.
    EXPECT_EQ(mFiles.FileContents(kSettings).contains("<x/>"), c.disk == kExternal);
}

// Each group's page shows only its labels and fields. A screen reader names a field by its label
// and describes it by its variable. Enter presses the button that has the focus.
TEST_F(FrmsetupTest, KeyboardAndScreenReadersReachTheFieldsOfEachGroupInOrder) {
    QApplication::setActiveWindow(mWindow.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    // Keys pressed in turn from the tab strip, each walk in the group the one before left; after
    // each key, where the focus is and which group is shown.
    const struct {
        const char *what, *keys, *reached;
    } walks[] = {
        {"Ctrl+Tab and Ctrl+PgDown go on to the first field, with Shift or PgUp back, round the "
         "ends",
         "Ctrl+Tab Ctrl+PgDown Ctrl+Shift+Backtab Ctrl+PgUp Ctrl+PgUp",
         "eLOGDIR@1 eDBHOST@0 eLOGDIR@1 eDBHOST@0 eLOGDIR@1"},
        // The fields of the second group are made when it is first shown, after the buttons.
        {"Tab walks the fields of a group made later, then the buttons", "Tab Tab Tab Tab",
         "eLOGDIR@1 eTMP@1 Ok@1 Cancel@1"},
        {"Tab walks the fields of the first group and the buttons, then comes round",
         "Ctrl+Tab Tab Tab Tab Tab Tab",
         "eDBHOST@0 eDBPORT@0 Ok@0 Cancel@0 Categories@0 eDBHOST@0"},
    };
    for (const auto& walk : walks) {
        Control("Categories")->setFocus();
        QStringList reached;
        for (const QString& key : QString(walk.keys).split(' ')) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            reached << QApplication::focusWidget()->objectName() + '@' +
                           Control("Categories")->property("currentIndex").toString();
        }
        EXPECT_EQ(reached.join(' '), walk.reached) << walk.what;
    }
    EXPECT_TRUE(!Control("lblDBPORT")->isHidden() && !Control("lblLOGDIR")->isVisible());
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Control("eLOGDIR"));
    EXPECT_EQ(access->text(QAccessible::Name) + '|' + access->text(QAccessible::Description),
              "Folder of every service's log files|LOGDIR");
    Control("eLOGDIR")->setProperty("text", "x");
    Control("Ok")->setFocus();
    QTest::keyClick(Control("Ok"), Qt::Key_Return);
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_THAT(mFiles.FileContents(kSettings).toStdString(), ::testing::HasSubstr(">x<"));
}

// Another program is saving in the settings file's folder: every way to save shows the wait,
// naming the folder, and waits with no time limit until the user stops it. Stopped, the save
// writes nothing, starts no command and shows no error; the window keeps its edits and its "*".
TEST(FrmsetupLockTest, ShowsTheWaitForAnotherProgramsSaveAndStopsWhenCancelled) {
    // Says that it waits, as the disk does after a while, then waits until the wait is stopped
    // (a bound only ends a test that would hang).
    class BusyFolder final : public FakeFileSystem {
      public:
        Status LockForUpdate(const QString& path, const LockWait& wait,
                             std::unique_ptr<UpdateLock>*) override {
            waitedFor = wait.giveUpAfter;
            wait.tell(QString("Waiting for %1: another program is saving there...")
                          .arg(QFileInfo(path).path()));
            for (int poll = 0; poll < 1000; ++poll) {
                if (wait.cancelled())
                    return Status::Cancelled("The wait for another program's save was stopped.");
            }
            return Status::Error("gave up");
        }
        std::chrono::milliseconds waitedFor{};
    };
    const struct {
        const char *press, *answer;  // answer: to the question before closing
    } ways[] = {{"IndSave", ""}, {"Ok", ""}, {"indExit", "Yes"}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.press);
        BusyFolder files;
        files.SetFile("cfg/config.xml", R"~(<xml><group><name>Database</name>
            <item><name>Port</name><varname>$(DBPORT)</varname></item></group>
            <command id="before">prepare</command>
            <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        files.SetFile("cfg/settings.xml",
                      R"~(<xml><variable id="$(DBPORT)">5432</variable></xml>)~");
        files.SetFile("cfg/app.in", "port=$(DBPORT)");
        ScriptedDialogs dialogs;
        dialogs.cancelWaits = true;
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine({"/conf:cfg/config.xml"}), {dialogs, files, launcher});
        ASSERT_EQ(window.Form_Load(), std::nullopt);
        window.show();
        QTest::keyClicks(window.findChild<QWidget*>("eDBPORT"), "1");
        dialogs.answers << way.answer;
        QObject* control = window.findChild<QObject*>(way.press);
        EXPECT_TRUE(QMetaObject::invokeMethod(
            control, qobject_cast<QAction*>(control) ? "trigger" : "click"));
        EXPECT_EQ(dialogs.waits.join('|'), "Waiting for cfg: another program is saving there...");
        EXPECT_EQ(files.waitedFor, std::chrono::milliseconds::max());
        EXPECT_EQ(dialogs.messages.join('|'), "");
        EXPECT_EQ(files.WriteCount("cfg/settings.xml") + files.WriteCount("cfg/app.out"), 0);
        EXPECT_EQ(launcher.commandLines(), QStringList());
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.Caption(), "Configuration Editor - [cfg/settings.xml]*");
        EXPECT_EQ(window.findChild<QWidget*>("eDBPORT")->property("text"), "15432");
    }
}

}  // namespace

// Headless unless a platform is chosen, with a runtime folder of their own where the session has
// none (CI, a root shell), which the programs they start inherit.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
