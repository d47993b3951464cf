// Drives the real main window over an in-memory disk, with scripted dialogs.
#include "gui/frmsetup.h"

#include "gui/xAboutTrvSet.h"
#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

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

// A field lies on top where it overlaps its label, a label or value too wide for its box shows
// whole in a tooltip, and the page scrolls as far as the last row of its group.
TEST_F(FrmsetupTest, ShowsEachVariableAsALabelledField) {
    EXPECT_EQ(Text("lblDBPORT") + '=' + Text("eDBPORT"), "Port=5432");
    QWidget* port = Control("eDBPORT");
    EXPECT_EQ(port->parentWidget()->childAt(port->pos() + QPoint(2, 5)), port);
    EXPECT_GE(port->parentWidget()->height(), port->geometry().bottom());
    // The fields of a group not shown before are made now, with the texts loaded at start-up.
    ShowGroup(1);
    EXPECT_EQ(Text("eLOGDIR"), QString(kLogDir));
    EXPECT_EQ(Control("eLOGDIR")->property("cursorPosition").toInt(), 0);  // start of a long value
    EXPECT_EQ(Control("lblLOGDIR")->toolTip(), "Folder of every service's log files\nLOGDIR");
    EXPECT_EQ(Control("lblDBHOST")->toolTip() + Control("eDBHOST")->toolTip(), "");
    EXPECT_EQ(Control("eLOGDIR")->toolTip(), kLogDir);
    Control("eLOGDIR")->setProperty("text", "short");
    EXPECT_EQ(Control("eLOGDIR")->toolTip(), QString());
}

using Asked = std::vector<std::pair<QString, QString>>;
using Texts = QStringList;

// How the window is left: open or closed, its caption after the title, eDBHOST=eDBPORT, and which
// of kSettings, new.xml and old.xml received the edit.
const char kEdited[] = "open [s[*].xml]* db1=15432 saved:";
const char kSavedAndClosed[] = "closed [s[*].xml] db1=15432 saved:s[*].xml";

// One way through the window: "1" is typed at the start of eDBPORT, maybe the settings file is
// changed on disk, a control is pressed and each question answered in turn.
struct Case {
    const char *name, *press;
    Asked asked;  // part of each question ("open", "save": a file dialog), and its answer
    Texts shown;  // part of each message shown afterwards
    const char* outcome;
    const char* disk = nullptr;    // written over the settings; "" removes it, or kOutOfMemory
    const char* logDir = kLogDir;  // what eLOGDIR shows when its group is first shown, at the end
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
    {"FailedYesKeepsWindowAndEdit", "indExit", Asked{{"speichern", "Yes"}}, Texts{"s[*].xml: line"},
     kEdited, "<xml><variable id='$(DBPORT)'>"},
    // Regression: running out of memory ended the program.
    {"OutOfMemoryKeepsAll", "Ok", Asked(), Texts{"not enough memory"}, kEdited,
     FakeFileSystem::kOutOfMemory},
    // Regression: Open threw the edits away without asking.
    {"OpenAsksFirstAndCancelKeepsAll", "IndOpen", Asked{{"speichern", "Cancel"}}, Texts(), kEdited},
    {"OpenUnreadableKeepsAll", "IndOpen", Asked{{"speichern", "No"}, {"open", "none.xml"}},
     Texts{"none.xml"}, kEdited},
    // A variable the opened file does not list keeps what its field held (eDBPORT).
    {"OpenTakesTheFilesValues", "IndOpen", Asked{{"speichern", "No"}, {"open", "other.xml"}},
     Texts(), "open [other.xml] other=15432 saved:", nullptr, "other"},
    {"SaveAsNewFileTakesAllValues", "IndSaveAs", Asked{{"save", "new.xml"}}, Texts(),
     "open [new.xml] db1=15432 saved:new.xml"},
    // An existing file receives the values in its own entries.
    {"SaveAsExistingFillsItsEntries", "IndSaveAs", Asked{{"save", "old.xml"}}, Texts(),
     "open [old.xml] db1=15432 saved:old.xml"},
    // Regression: a save overwrote what another program had changed since the file was loaded.
    {"ChangedOnDiskCancelKeepsAll", "IndSave", Asked{{"s[*].xml was changed", "Cancel"}}, Texts(),
     kEdited, kExternal},
    {"ChangedOnDiskNoLoadsItAgain", "Ok", Asked{{"was changed", "No"}}, Texts(),
     "open [s[*].xml] ext=5 saved:", kExternal, ""},
    {"ChangedOnDiskYesSavesIntoIt", "IndSave", Asked{{"was changed", "Yes"}}, Texts(),
     "open [s[*].xml] db1=15432 saved:s[*].xml", kExternal},
    {"RemovedOnDiskYesSavesAgain", "Ok", Asked{{"s[*].xml was removed", "Yes"}}, Texts(),
     kSavedAndClosed, ""},
};

class FrmsetupPathTest : public FrmsetupTest, public ::testing::WithParamInterface<Case> {};
INSTANTIATE_TEST_SUITE_P(Paths, FrmsetupPathTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(FrmsetupPathTest, EndsAsAnswered) {
    const Case& c = GetParam();
    mFiles.SetFile("other.xml", R"~(<xml><variable id="$(DBHOST)">other</variable>
        <variable id="LOGDIR">other</variable></xml>)~");
    mFiles.SetFile("old.xml", "<xml><variable id='$(DBPORT)'/><x/></xml>");
    QTest::keyClicks(Control("eDBPORT"), "1");
    if (c.disk == FakeFileSystem::kOutOfMemory)
        mFiles.FailWriting(kSettings, c.disk);
    else if (c.disk)
        *c.disk ? mFiles.SetFile(kSettings, c.disk) : mFiles.RemoveFile(kSettings);
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
    EXPECT_EQ(Text("eLOGDIR"), QString(c.logDir));
    QStringList savedTo;
    for (const char* file : {kSettings, "new.xml", "old.xml"})
        if (mFiles.FileContents(file).contains(">15432<") &&
            mFiles.FileContents(file).contains(kLogDir))
            savedTo << file;
    EXPECT_EQ(QString("%1 %2 %3=%4 saved:%5")
                  .arg(mWindow->isVisible() ? "open" : "closed",
                       mWindow->windowHandle()->title().section(" - ", 1), Text("eDBHOST"),
                       Text("eDBPORT"), savedTo.join(',')),
              c.outcome);
    EXPECT_EQ(Bytes{mFiles.FileContents("app.out")},
              Bytes{savedTo.isEmpty() ? "" : "host=db1 port=15432"});
    EXPECT_THAT(mFiles.FileContents("old.xml").toStdString(), ::testing::HasSubstr("<x/>"));
    // What another program wrote stays, apart from the values saved over it.
    EXPECT_EQ(mFiles.FileContents(kSettings).contains("<x/>"), c.disk == kExternal);
}

TEST_F(FrmsetupTest, TheAboutWindowOpensOnceAndClosesOnAClickOrEscape) {
    Press("indAboutTrvSet");
    Press("indAboutTrvSet");
    QWidgetList abouts = QApplication::topLevelWidgets();  // the shown about windows
    abouts.removeIf([](QWidget* w) { return !qobject_cast<xAboutTrvSet*>(w) || w->isHidden(); });
    ASSERT_EQ(abouts.size(), 1);
    auto* picture = abouts[0]->findChild<QLabel*>("Picture1");
    ASSERT_TRUE(picture && !picture->pixmap().isNull());
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_TRUE(abouts[0]->isHidden());
    Press("indAboutTrvSet");
    QTest::keyClick(abouts[0], Qt::Key_Escape);
    EXPECT_TRUE(abouts[0]->isHidden());
    // Without edits the main window closes without a question.
    EXPECT_TRUE(mWindow->close());
    EXPECT_EQ(mDialogs.questions, QStringList());
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

// OK and "Abbrechen" keep their distance from the bottom right corner. A configuration without
// rules or help keeps the window as it was: no status line, no style sheet on a field.
TEST_F(FrmsetupTest, OpensAtItsDesignSizeAndGivesMoreRoomToThePages) {
    QWidget* client = mWindow->centralWidget();
    EXPECT_EQ(client->size(), client->minimumSize());
    EXPECT_TRUE(!mWindow->findChild<QStatusBar*>() && Control("eDBHOST")->styleSheet().isEmpty());
    const QSize pages = Control("Pages")->size();
    const QRect ok = Control("Ok")->geometry(), cancel = Control("Cancel")->geometry();
    mWindow->resize(mWindow->size() + QSize(120, 200));
    QTest::qWait(0);
    EXPECT_EQ(Control("Pages")->size(), pages + QSize(120, 200));
    EXPECT_EQ(QList({Control("Ok")->geometry(), Control("Cancel")->geometry()}),
              QList({ok.translated(120, 200), cancel.translated(120, 200)}));
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
