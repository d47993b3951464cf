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

// How the window is left: closed, its caption after the title, eDBHOST and eDBPORT, and which of
// kSettings, new.xml and old.xml received the edit.
struct Outcome {
    bool closed;
    QString caption, host, port;
    QStringList savedTo;
};
const Outcome kEdited = {false, "[s[*].xml]*", "db1", "15432", Texts()};
const Outcome kSavedAndClosed = {true, "[s[*].xml]", "db1", "15432", Texts{kSettings}};

// One way through the window: "1" is typed at the start of eDBPORT, maybe the settings file is
// changed on disk, a control is pressed and each question answered in turn.
struct Case {
    const char *name, *press;
    Asked asked;  // part of each question ("open", "save": a file dialog), and its answer
    Texts shown;  // part of each message shown afterwards
    Outcome outcome;
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
     Outcome{true, "[s[*].xml]*", "db1", "15432", Texts()}},
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
    {"OpenCancelled", "IndOpen", Asked{{"speichern", "No"}, {"open", ""}}, Texts(), kEdited},
    {"OpenUnreadableKeepsAll", "IndOpen", Asked{{"speichern", "No"}, {"open", "none.xml"}},
     Texts{"none.xml"}, kEdited},
    // A variable the opened file does not list keeps what its field held (eDBPORT).
    {"OpenTakesTheFilesValues", "IndOpen", Asked{{"speichern", "No"}, {"open", "other.xml"}},
     Texts(), Outcome{false, "[other.xml]", "other", "15432", Texts()}, nullptr, "other"},
    {"OpenAfterSaving", "IndOpen", Asked{{"speichern", "Yes"}, {"open", "other.xml"}},
     Texts{"gespeichert"}, Outcome{false, "[other.xml]", "other", "15432", Texts{kSettings}},
     nullptr, "other"},
    {"SaveAsCancelled", "IndSaveAs", Asked{{"save", ""}}, Texts(), kEdited},
    {"SaveAsNewFileTakesAllValues", "IndSaveAs", Asked{{"save", "new.xml"}}, Texts(),
     Outcome{false, "[new.xml]", "db1", "15432", Texts{"new.xml"}}},
    // An existing file receives the values in its own entries.
    {"SaveAsExistingFillsItsEntries", "IndSaveAs", Asked{{"save", "old.xml"}}, Texts(),
     Outcome{false, "[old.xml]", "db1", "15432", Texts{"old.xml"}}},
    // Regression: a save overwrote what another program had changed since the file was loaded.
    {"ChangedOnDiskCancelKeepsAll", "IndSave", Asked{{"s[*].xml was changed", "Cancel"}}, Texts(),
     kEdited, kExternal},
    {"ChangedOnDiskNoLoadsItAgain", "Ok", Asked{{"was changed", "No"}}, Texts(),
     Outcome{false, "[s[*].xml]", "ext", "5", Texts()}, kExternal, ""},
    {"ChangedOnDiskYesSavesIntoIt", "IndSave", Asked{{"was changed", "Yes"}}, Texts(),
     Outcome{false, "[s[*].xml]", "db1", "15432", Texts{kSettings}}, kExternal},
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
    EXPECT_EQ(!mWindow->isVisible(), c.outcome.closed);
    EXPECT_EQ(mWindow->windowHandle()->title().section(" - ", 1), c.outcome.caption);
    EXPECT_EQ(Text("eDBHOST"), c.outcome.host);
    EXPECT_EQ(Text("eDBPORT"), c.outcome.port);
    QStringList savedTo;
    for (const char* file : {kSettings, "new.xml", "old.xml"}) {
        const QString saved = mFiles.FileContents(file);
        if (saved.contains(">15432<") && saved.contains(kLogDir))
            savedTo << file;
    }
    EXPECT_EQ(savedTo, c.outcome.savedTo);
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
    // Keys pressed in turn from the tab strip, each walk in the group the one before left.
    const struct {
        const char* what;
        QStringList keys;
        QStringList focus;  // where the focus is after each key
        QList<int> groups;  // which group is shown after each key
    } walks[] = {
        {"Ctrl+Tab and Ctrl+PgDown go on to the first field, with Shift or PgUp back, round the "
         "ends",
         QStringList{"Ctrl+Tab", "Ctrl+PgDown", "Ctrl+Shift+Backtab", "Ctrl+PgUp", "Ctrl+PgUp"},
         QStringList{"eLOGDIR", "eDBHOST", "eLOGDIR", "eDBHOST", "eLOGDIR"}, QList{1, 0, 1, 0, 1}},
        // The fields of the second group are made when it is first shown, after the buttons.
        {"Tab walks the fields of a group made later, then the buttons", QStringList(4, "Tab"),
         QStringList{"eLOGDIR", "eTMP", "Ok", "Cancel"}, QList{1, 1, 1, 1}},
        {"Tab walks the fields of the first group and the buttons, then comes round",
         QStringList{"Ctrl+Tab", "Tab", "Tab", "Tab", "Tab", "Tab"},
         QStringList{"eDBHOST", "eDBPORT", "Ok", "Cancel", "Categories", "eDBHOST"},
         QList<int>(6, 0)},
    };
    for (const auto& walk : walks) {
        SCOPED_TRACE(walk.what);
        Control("Categories")->setFocus();
        QStringList focus;
        QList<int> groups;
        for (const QString& key : walk.keys) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            focus << QApplication::focusWidget()->objectName();
            groups << Control("Categories")->property("currentIndex").toInt();
        }
        EXPECT_EQ(focus, walk.focus);
        EXPECT_EQ(groups, walk.groups);
    }
    EXPECT_FALSE(Control("lblDBPORT")->isHidden());
    EXPECT_FALSE(Control("lblLOGDIR")->isVisible());
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Control("eLOGDIR"));
    EXPECT_EQ(access->text(QAccessible::Name) + '|' + access->text(QAccessible::Description),
              "Folder of every service's log files|LOGDIR");
    Control("eLOGDIR")->setProperty("text", "x");
    Control("Ok")->setFocus();
    QTest::keyClick(Control("Ok"), Qt::Key_Return);
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_THAT(mFiles.FileContents(kSettings).toStdString(), ::testing::HasSubstr(">x<"));
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
