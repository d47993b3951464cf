// Drives the real main window over an in-memory disk, with scripted dialogs.
#include "gui/frmsetup.h"

#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAction>
#include <QApplication>
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

using Asked = std::vector<std::pair<QString, QString>>;
using Texts = QStringList;

// How the window is left: open or closed, its caption after the title, eDBHOST=eDBPORT, and which
// of the files received the edit.
const char kEdited[] = "open [s[*].xml]* db1=15432 saved:";

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
    {"YesSavesAndSaysSo", "Cancel", Asked{{"s[*].xml speichern", "Yes"}}, Texts{"gespeichert"},
     "closed [s[*].xml] db1=15432 saved:s[*].xml"},
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
