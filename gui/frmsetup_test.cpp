// Drives the real main window over an in-memory disk, with scripted dialogs.
#include "gui/frmsetup.h"

#include "gui/xAboutTrvSet.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
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
    EXPECT_EQ(Text("lblDBPORT") + ' ' + Text("eDBPORT"), "Port 5432");
    QWidget* port = Control("eDBPORT");
    EXPECT_EQ(port->parentWidget()->childAt(port->pos() + QPoint(2, 5)), port);
    EXPECT_GE(port->parentWidget()->height(), port->geometry().bottom());
    // The fields of a group not shown before are made now, with the texts loaded at start-up.
    ShowGroup(1);
    EXPECT_EQ(Text("eLOGDIR"), kLogDir);
    EXPECT_EQ(Control("eLOGDIR")->property("cursorPosition"), 0);  // the start of a long value
    EXPECT_EQ(Control("lblLOGDIR")->toolTip(), "Folder of every service's log files\nLOGDIR");
    EXPECT_EQ(Control("lblDBHOST")->toolTip() + Control("eDBHOST")->toolTip(), "");
    EXPECT_EQ(Control("eLOGDIR")->toolTip(), Text("eLOGDIR"));
    Control("eLOGDIR")->setProperty("text", "short");
    EXPECT_EQ(Control("eLOGDIR")->toolTip(), "");
}

// One way through the window: "1" is typed into eDBPORT, at the start where a loaded value is
// shown, maybe the settings file is changed on disk, a control is pressed and the dialogs it
// raises answered.
struct Case {
    const char* name;
    const char* press;
    // Each question asked, in order, then each message shown, "|" between: part of its text ("open"
    // or "save" for a file dialog), and for a question "=" and its answer: "Yes", "No", "Cancel",
    // or the file chosen ("" cancels).
    const char* dialogs;
    // Afterwards: "closed" if the window is, the caption's "[file]" and its modified marker "*",
    // eDBHOST and eDBPORT, and ">file" for each file that received the edit.
    const char* state;
    // Written over the settings file after loading; "" removes it, kOutOfMemory fails every save.
    const char* disk = nullptr;
    // What eLOGDIR shows when its group is first shown, at the end.
    const char* logDir = kLogDir;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};
const char kEdited[] = "[s[*].xml]* db1 15432";  // as it was, with the edit not saved
const char kExternal[] =
    R"~(<xml><variable id="$(DBHOST)">ext</variable><variable id="$(DBPORT)">5</variable><x/></xml>)~";
const Case kCases[] = {
    {"CancelKeepsWindowAndEdit", "Cancel", "s[*].xml speichern=Cancel", kEdited},
    {"NoClosesWithoutSaving", "indExit", "speichern=No", "closed [s[*].xml]* db1 15432"},
    {"YesSavesAndSaysSo", "Cancel", "speichern=Yes|gespeichert",
     "closed [s[*].xml] db1 15432 >s[*].xml"},
    {"OkSavesWithoutAsking", "Ok", "", "closed [s[*].xml] db1 15432 >s[*].xml"},
    {"FailedYesKeepsWindowAndEdit", "indExit", "speichern=Yes|s[*].xml: line", kEdited,
     "<xml><variable id='$(DBPORT)'>"},
    // Regression: running out of memory ended the program.
    {"OutOfMemoryKeepsAll", "Ok", "not enough memory", kEdited, FakeFileSystem::kOutOfMemory},
    // Regression: Open threw the edits away without asking.
    {"OpenAsksFirstAndCancelKeepsAll", "IndOpen", "speichern=Cancel", kEdited},
    {"OpenCancelled", "IndOpen", "speichern=No|open=", kEdited},
    {"OpenUnreadableKeepsAll", "IndOpen", "speichern=No|open=none.xml|none.xml", kEdited},
    // A variable the opened file does not list keeps what its field held (eDBPORT).
    {"OpenTakesTheFilesValues", "IndOpen", "speichern=No|open=other.xml", "[other.xml] other 15432",
     nullptr, "other"},
    {"OpenAfterSaving", "IndOpen", "speichern=Yes|open=other.xml|gespeichert",
     "[other.xml] other 15432 >s[*].xml", nullptr, "other"},
    {"SaveAsCancelled", "IndSaveAs", "save=", kEdited},
    {"SaveAsNewFileTakesAllValues", "IndSaveAs", "save=new.xml", "[new.xml] db1 15432 >new.xml"},
    // An existing file receives the values in its own entries.
    {"SaveAsExistingFillsItsEntries", "IndSaveAs", "save=old.xml", "[old.xml] db1 15432 >old.xml"},
    // Regression: a save overwrote what another program had changed since the file was loaded.
    {"ChangedOnDiskCancelKeepsAll", "IndSave", "s[*].xml was changed=Cancel", kEdited, kExternal},
    {"ChangedOnDiskNoLoadsItAgain", "Ok", "was changed=No", "[s[*].xml] ext 5", kExternal, ""},
    {"ChangedOnDiskYesSavesIntoIt", "IndSave", "was changed=Yes", "[s[*].xml] db1 15432 >s[*].xml",
     kExternal},
    {"RemovedOnDiskYesSavesAgain", "Ok", "s[*].xml was removed=Yes",
     "closed [s[*].xml] db1 15432 >s[*].xml", ""},
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
    const QStringList dialogs = QString(c.dialogs).split('|', Qt::SkipEmptyParts);
    // The messages come last: the empty answers taken from them are never asked for.
    for (const QString& dialog : dialogs)
        mDialogs.answers.append(dialog.section('=', 1));
    Press(c.press);
    // One dialog too many or too few finds no text on the other side to hold.
    const QStringList shown = mDialogs.questions + mDialogs.messages;
    for (qsizetype i = 0; i < std::max(dialogs.size(), shown.size()); ++i)
        EXPECT_TRUE(shown.value(i).contains(dialogs.value(i, "-").section('=', 0, 0)))
            << qPrintable(shown.join('|'));
    // The group of LOGDIR is shown only now: it shows what was loaded last, and showing it is no
    // edit. Every file saved holds LOGDIR's value all the same.
    ShowGroup(1);
    EXPECT_EQ(Text("eLOGDIR"), c.logDir);
    QString state = (mWindow->isVisible() ? "" : "closed ") +
                    mWindow->windowHandle()->title().section(" - ", 1) + ' ' + Text("eDBHOST") +
                    ' ' + Text("eDBPORT");
    for (const char* file : {kSettings, "new.xml", "old.xml"}) {
        const QString saved = mFiles.FileContents(file);
        state += saved.contains(">15432<") && saved.contains(kLogDir) ? QString(" >") + file : "";
    }
    EXPECT_EQ(state, c.state);
    EXPECT_EQ(mFiles.FileContents("app.out"), state.contains('>') ? "host=db1 port=15432" : "");
    EXPECT_TRUE(mFiles.FileContents("old.xml").contains("<x/>"));
    // What another program wrote stays, apart from the values saved over it.
    EXPECT_EQ(mFiles.FileContents(kSettings).contains("<x/>"), c.disk == kExternal);
}

TEST_F(FrmsetupTest, StartUpEndsWhenTheSettingsCannotBeLoaded) {
    mFiles.RemoveFile(kSettings);
    EXPECT_EQ(frmsetup(kOptions, {mDialogs, mFiles, mLauncher}).Form_Load(), 2);
    EXPECT_EQ(mDialogs.messages,
              QStringList("The file could not be loaded!\n\ns[*].xml: No such file or directory"));
}

TEST_F(FrmsetupTest, TheAboutWindowOpensOnceAndClosesOnAClickOrEscape) {
    Press("indAboutTrvSet");
    Press("indAboutTrvSet");
    QWidgetList abouts = QApplication::topLevelWidgets();
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
    EXPECT_TRUE(mDialogs.questions.isEmpty());
}

// Each group has a page that shows only its labels and fields. Tab walks the tab strip, the
// fields of the page shown, OK and "Abbrechen", then comes round; Ctrl+Tab and Ctrl+PgDn go to
// the next group, with Shift or PgUp back, round the ends. A screen reader names a field by its
// label and describes it by its variable. Enter presses the button that has the focus.
TEST_F(FrmsetupTest, KeyboardAndScreenReadersReachTheFieldsOfEachGroupInOrder) {
    QApplication::setActiveWindow(mWindow.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    // Presses each key from the tab strip on: where the focus goes and which group is shown.
    const auto press = [this](const QStringList& keys) {
        Control("Categories")->setFocus();
        QStringList seen;
        for (const QString& key : keys) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            seen << QApplication::focusWidget()->objectName() + ':' +
                        Control("Categories")->property("currentIndex").toString();
        }
        return seen.join(' ');
    };
    // The fields of the second group are made when it is first shown, after the buttons.
    EXPECT_EQ(press({"Ctrl+Tab", "Ctrl+PgDown", "Ctrl+Shift+Backtab", "Ctrl+PgUp", "Ctrl+PgUp"}),
              "Categories:1 Categories:0 Categories:1 Categories:0 Categories:1");
    EXPECT_EQ(press({"Tab", "Tab", "Tab", "Tab"}), "eLOGDIR:1 eTMP:1 Ok:1 Cancel:1");
    EXPECT_EQ(press({"Ctrl+Tab", "Tab", "Tab", "Tab", "Tab", "Tab"}),
              "Categories:0 eDBHOST:0 eDBPORT:0 Ok:0 Cancel:0 Categories:0");
    EXPECT_TRUE(!Control("lblDBPORT")->isHidden() && Control("lblLOGDIR")->isHidden());
    QString spoken;
    for (const char* name : {"eDBHOST", "eLOGDIR"}) {
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Control(name));
        spoken +=
            access->text(QAccessible::Name) + ' ' + access->text(QAccessible::Description) + '|';
    }
    EXPECT_EQ(spoken, "Host $(DBHOST)|Folder of every service's log files LOGDIR|");
    Control("eLOGDIR")->setProperty("text", "x");
    Control("Ok")->setFocus();
    QTest::keyClick(Control("Ok"), Qt::Key_Return);
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_TRUE(mFiles.FileContents(kSettings).contains(">x<"));
}

// OK and "Abbrechen" keep their distance from the bottom right corner.
TEST_F(FrmsetupTest, OpensAtItsDesignSizeAndGivesMoreRoomToThePages) {
    QWidget* client = mWindow->centralWidget();
    EXPECT_EQ(client->size(), client->minimumSize());
    const QSize pages = Control("Pages")->size();
    const QRect ok = Control("Ok")->geometry(), cancel = Control("Cancel")->geometry();
    mWindow->resize(mWindow->size() + QSize(120, 200));
    QTest::qWait(0);
    EXPECT_EQ(Control("Pages")->size(), pages + QSize(120, 200));
    EXPECT_EQ(Control("Ok")->geometry(), ok.translated(120, 200));
    EXPECT_EQ(Control("Cancel")->geometry(), cancel.translated(120, 200));
}

}  // namespace

// The window tests run headless: without a platform chosen they use Qt's offscreen one. Qt wants a
// runtime folder of the user's; where the session has none (CI, a root shell), the tests bring
// their own, which the programs they start inherit.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
