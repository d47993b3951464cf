// Drives the real main window on a configuration whose items declare kinds, rules and help, over
// an in-memory disk, with scripted dialogs.
#include "gui/frmsetup.h"

#include "run/ExportRun.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// An item of every kind, over two groups.
const char kConfig[] = R"~(<xml><command id="before">prepare</command>
  <group><name>Server</name>
    <item><name>Name</name><type>text</type><varname>$(NAME)</varname><pattern>[a-z]+</pattern>
    </item>
    <item><name>Port</name><type>number</type><varname>$(PORT)</varname><min>1</min>
      <max>65535</max><help>The TCP port the server listens on</help></item>
    <item><name>Secret</name><type>password</type><varname>$(SECRET)</varname>
      <pattern>\S+</pattern><help>Key of the admin account</help></item>
    <item><name>Debug</name><type>boolean</type><varname>$(DEBUG)</varname><on>yes</on>
      <off>no</off></item>
    <item><name>Mode</name><type>choice</type><varname>$(MODE)</varname><option>fast</option>
      <option>safe</option></item></group>
  <group><name>Paths</name>
    <item><name>Log file</name><type>file</type><varname>$(LOG)</varname></item>
    <item><name>Data</name><type>folder</type><varname>$(DATA)</varname>
      <required>true</required><default>/srv</default></item></group>
  <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~";
const char kSettings[] = "s.xml";
const char* const kIds[] = {"NAME", "PORT", "SECRET", "DEBUG", "MODE", "LOG", "DATA"};
// A value of each item that fits its rules, in the order of kIds.
const char* const kValues[] = {"web",  "8080", "hunter2", "yes", "safe", "/var/log/app.log",
                               "/data"};
const CommandLineOptions kOptions = ParseCommandLine({QString("/file:") + kSettings});

// The settings file with each value of kValues, but `value` for the variable `id`.
QByteArray SettingsWith(const QString& id = "", const QString& value = "") {
    QString text = "<xml>";
    for (int i = 0; i < 7; ++i) {
        text += QString("<variable id=\"$(%1)\">%2</variable>")
                    .arg(kIds[i], kIds[i] == id ? value : QString(kValues[i]));
    }
    return (text + "</xml>").toUtf8();
}

// What a control shows, in words: a line edit its text ("masked" while it hides it), a check box
// "on", "off" or "partly" and its text, a list its entry "of" all its entries; then "invalid"
// when it is marked so.
QString Shown(QWidget* control) {
    QString shown = control->metaObject()->className() + QString(' ');
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        shown += edit->text() + (edit->echoMode() == QLineEdit::Normal ? "" : " masked");
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        const Qt::CheckState state = box->checkState();
        shown += state == Qt::Checked     ? "on"
                 : state == Qt::Unchecked ? "off"
                                          : "partly " + box->text();
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        shown += list->currentText() + " of " + entries.join('|') +
                 (list->isEditable() ? " editable" : "");
    }
    return shown + (control->styleSheet().isEmpty() ? "" : " invalid");
}

class TypedFieldsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mFiles.SetFile("config.xml", kConfig);
        mFiles.SetFile("app.in", "port=$(PORT)");
    }
    // Opens the window on the settings file `settings` and shows it; false when it did not open.
    bool Open(const QByteArray& settings) {
        mFiles.SetFile(kSettings, settings);
        mWindow.reset(new frmsetup(kOptions, {mDialogs, mFiles, mLauncher}));
        if (mWindow->Form_Load())
            return false;
        mWindow->show();
        return true;
    }
    // The value control of the variable `bare`, made by showing its group.
    QWidget* Field(const QString& bare) {
        const bool second = bare == "LOG" || bare == "DATA";
        mWindow->findChild<QTabBar*>("Categories")->setCurrentIndex(second ? 1 : 0);
        QWidget* control = mWindow->findChild<QWidget*>('e' + bare);
        EXPECT_NE(control, nullptr) << qPrintable(bare);
        return control;
    }
    // Gives `control` the keyboard focus in the active window.
    void Focus(QWidget* control) {
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
        control->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), control);
    }
    // Edits a control as its user would: "type:<text>" types the text over the old one, "click"
    // clicks the box, "pick:<entry>" picks an entry of the list, "browse:<path>" presses the "..."
    // button and picks the path in the dialog, "F4:<path>" does the same by the key.
    void Edit(QWidget* control, const QString& action) {
        const QString how = action.section(':', 0, 0), what = action.section(':', 1);
        if (how == "type") {
            qobject_cast<QLineEdit*>(control)->selectAll();
            QTest::keyClick(control, Qt::Key_Backspace);
            QTest::keyClicks(control, what);
        } else if (how == "click") {
            qobject_cast<QCheckBox*>(control)->click();
        } else if (how == "pick") {
            auto* list = qobject_cast<QComboBox*>(control);
            list->setCurrentIndex(list->findText(what));
        } else if (how == "browse") {
            mDialogs.answers << what;
            control->findChild<QAction*>("Browse")->trigger();
        } else if (how == "F4") {
            mDialogs.answers << what;
            Focus(control);
            QTest::keyClick(control, Qt::Key_F4);
        } else {
            ADD_FAILURE() << "no such edit: " << qPrintable(action);
        }
    }
    void Press(const char* name) {
        QObject* control = mWindow->findChild<QObject*>(name);
        const bool action = qobject_cast<QAction*>(control);
        EXPECT_TRUE(QMetaObject::invokeMethod(control, action ? "trigger" : "click")) << name;
    }
    QString Caption() const { return mWindow->windowHandle()->title().section(" - ", 1); }
    QString StatusLine() const {
        auto* status = mWindow->findChild<QStatusBar*>();
        return status ? status->currentMessage() : "(no status bar)";
    }
    // Whether the settings file holds `value` for `id`.
    bool Saved(const QString& id, const QString& value) const {
        return mFiles.FileContents(kSettings).contains(
            QString("\"$(%1)\">%2<").arg(id, value).toUtf8());
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

// Each kind gets its control, which shows the loaded value, takes an edit and gives the value that
// a save stores.
TEST_F(TypedFieldsTest, EachKindHasItsControlThatShowsAndStoresTheValue) {
    const struct {
        const char* id;
        const char* loaded;  // what the control shows of the value in kValues
        const char* edit;    // see Edit()
        const char* edited;  // what it shows then
        const char* saved;   // the value a save stores
        const char* asked;   // the dialog the edit opened
    } cases[] = {
        {"NAME", "QLineEdit web", "type:api", "QLineEdit api", "api", ""},
        {"PORT", "QLineEdit 8080", "type:9090", "QLineEdit 9090", "9090", ""},
        {"SECRET", "QLineEdit hunter2 masked", "type:s3cret", "QLineEdit s3cret masked", "s3cret",
         ""},
        {"DEBUG", "QCheckBox on", "click", "QCheckBox off", "no", ""},
        {"MODE", "QComboBox safe of fast|safe", "pick:fast", "QComboBox fast of fast|safe", "fast",
         ""},
        {"LOG", "QLineEdit /var/log/app.log", "browse:/tmp/other.log", "QLineEdit /tmp/other.log",
         "/tmp/other.log", "file"},
        {"DATA", "QLineEdit /data", "F4:/opt", "QLineEdit /opt", "/opt", "folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        mDialogs = ScriptedDialogs();
        ASSERT_TRUE(Open(SettingsWith()));
        QWidget* control = Field(c.id);
        EXPECT_EQ(Shown(control), c.loaded);
        EXPECT_EQ(Caption(), "[s.xml]");
        Edit(control, c.edit);
        EXPECT_EQ(Shown(control), c.edited);
        EXPECT_EQ(Caption(), "[s.xml]*");
        EXPECT_EQ(mDialogs.questions.join('|'), c.asked);
        Press("Ok");
        EXPECT_FALSE(mWindow->isVisible()) << qPrintable(mDialogs.messages.join('|'));
        EXPECT_TRUE(Saved(c.id, c.saved)) << mFiles.FileContents(kSettings).toStdString();
    }
}

// A loaded value that breaks its item's rules is shown as it is and marked, with the reason as
// its tooltip and, while it has the focus, in the status line. A save is refused and writes
// nothing until the user has put the value right.
TEST_F(TypedFieldsTest, ALoadedValueThatBreaksItsRulesIsShownAsItIsAndMarked) {
    const struct {
        const char* id;
        const char* value;
        const char* shown;
        const char* problem;  // as the refused save lists it
        const char* fix;      // see Edit()
        const char* saved;
    } cases[] = {
        {"PORT", "ten", "QLineEdit ten invalid", "Server / Port: is not a whole number", "type:80",
         "80"},
        {"PORT", "70000", "QLineEdit 70000 invalid", "Server / Port: must be at most 65535",
         "type:7000", "7000"},
        {"NAME", "Web", "QLineEdit Web invalid",
         "Server / Name: does not match the pattern \"[a-z]+\"", "type:web", "web"},
        {"DEBUG", "maybe", "QCheckBox partly maybe invalid",
         "Server / Debug: must be \"yes\" or \"no\"", "click", "yes"},
        {"MODE", "turbo", "QComboBox turbo of fast|safe|turbo invalid",
         "Server / Mode: is not one of \"fast\", \"safe\"", "pick:fast", "fast"},
        {"DATA", "", "QLineEdit  invalid", "Paths / Data: must not be empty", "type:/x", "/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1=%2").arg(c.id, c.value).toStdString());
        mDialogs = ScriptedDialogs();
        const QByteArray settings = SettingsWith(c.id, c.value);
        ASSERT_TRUE(Open(settings));
        QWidget* control = Field(c.id);
        EXPECT_EQ(Shown(control), c.shown);
        const QString reason = QString(c.problem).section(": ", 1);
        EXPECT_EQ(control->toolTip().section('\n', 0, 0), "This value " + reason + '.');
        Focus(control);
        EXPECT_EQ(StatusLine(), QString(c.problem).section(" / ", 1));
        Field("NAME");  // the first page is shown when the save is asked for
        Press("Ok");
        EXPECT_EQ(
            mDialogs.messages,
            QStringList(QString("Nothing was saved. These values are not valid:\n\n") + c.problem));
        EXPECT_TRUE(mWindow->isVisible());
        EXPECT_EQ(mFiles.FileContents(kSettings), settings);
        EXPECT_EQ(mLauncher.commandLines(), QStringList());
        EXPECT_EQ(mWindow->focusWidget(), control);
        EXPECT_EQ(Shown(control), c.shown);  // the refused save changed nothing
        Edit(control, c.fix);
        EXPECT_EQ(control->styleSheet(), "");
        Press("Ok");
        EXPECT_FALSE(mWindow->isVisible());
        EXPECT_TRUE(Saved(c.id, c.saved)) << mFiles.FileContents(kSettings).toStdString();
        EXPECT_EQ(mLauncher.commandLines().size(), 1);
        mLauncher = FakeProcessLauncher();
    }
}

// While the user types, the field is marked as soon as its value breaks its rules and unmarked
// once it fits again; the status line follows. Every way to save is then refused with one message
// that lists each value that does not fit, in the order of the configuration, shows the page of
// the first and focuses it. Nothing is written and no command starts.
TEST_F(TypedFieldsTest, EveryWayToSaveIsRefusedWhileAValueDoesNotFit) {
    const struct {
        const char* how;
        const char* press;  // a control, or a key sequence pressed in the window
        const char* answers;
        const char* questions;
    } cases[] = {
        {"OK", "Ok", "", ""},
        {"Save", "IndSave", "", ""},
        {"Ctrl+S", "Ctrl+S", "", ""},
        // Regression guard: no file is asked for when nothing could be saved to it.
        {"Save As", "IndSaveAs", "new.xml", ""},
        {"Yes at the save question", "indExit", "Yes", "Wollen sie die s.xml speichern?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        mDialogs = ScriptedDialogs();
        ASSERT_TRUE(Open(SettingsWith()));
        QWidget* port = Field("PORT");
        Focus(port);
        QTest::keyClicks(port, "x");  // at the start, where a loaded value is shown
        EXPECT_EQ(Shown(port), "QLineEdit x8080 invalid");
        EXPECT_EQ(port->toolTip(),
                  "This value is not a whole number.\nThe TCP port the server listens on");
        EXPECT_EQ(StatusLine(), "Port: is not a whole number");
        QTest::keyClick(port, Qt::Key_Backspace);
        EXPECT_EQ(Shown(port), "QLineEdit 8080");
        EXPECT_EQ(StatusLine(), "The TCP port the server listens on");
        QTest::keyClicks(port, "x");
        Edit(Field("DATA"), "type:");
        if (QString(c.answers).size())
            mDialogs.answers << c.answers;
        if (mWindow->findChild<QObject*>(c.press)) {
            Press(c.press);
        } else {
            Focus(Field("DATA"));
            QTest::keySequence(mWindow.get(), QKeySequence(c.press));
        }
        EXPECT_EQ(mDialogs.messages, QStringList("Nothing was saved. These values are not valid:"
                                                 "\n\nServer / Port: is not a whole number\n"
                                                 "Paths / Data: must not be empty"));
        EXPECT_EQ(mDialogs.questions.join('|'), c.questions);
        EXPECT_TRUE(mWindow->isVisible());
        EXPECT_EQ(mWindow->findChild<QTabBar*>("Categories")->currentIndex(), 0);
        EXPECT_EQ(mWindow->focusWidget(), port);
        EXPECT_EQ(mFiles.FileContents(kSettings), SettingsWith());
        EXPECT_EQ(mFiles.WriteCount(kSettings), 0);
        EXPECT_FALSE(mFiles.HasFile("new.xml") || mFiles.HasFile("app.out"));
        EXPECT_EQ(mLauncher.commandLines(), QStringList());
        EXPECT_EQ(Caption(), "[s.xml]*");
    }
}

// A refused save lists twenty values that do not fit, and counts the others, so that its message
// still fits on the screen.
TEST_F(TypedFieldsTest, ARefusedSaveListsTwentyValuesAndCountsTheRest) {
    QString items;
    for (int i = 1; i <= 22; ++i)
        items += QString(
                     "<item><name>V%1</name><varname>V%1</varname><required>true</required>"
                     "</item>")
                     .arg(i);
    mFiles.SetFile("config.xml",
                   ("<xml><group><name>G</name>" + items + "</group></xml>").toUtf8());
    ASSERT_TRUE(Open("<xml/>"));
    Press("Ok");
    ASSERT_EQ(mDialogs.messages.size(), 1);
    const QStringList lines = mDialogs.messages[0].split('\n');
    EXPECT_EQ(lines.size(), 2 + 20 + 1);
    EXPECT_EQ(lines.value(2), "G / V1: must not be empty");
    EXPECT_EQ(lines.value(21), "G / V20: must not be empty");
    EXPECT_EQ(lines.value(22), "... and 2 more");
}

// A password shows its value only while the user asks to see it: never in a tooltip, a text for
// screen readers, the status line or a message, even when it is too long for its box or breaks
// its rules.
TEST_F(TypedFieldsTest, APasswordShowsItsValueOnlyWhenAskedTo) {
    const QString secret = "correct horse battery staple and more";
    ASSERT_TRUE(Open(SettingsWith("SECRET", secret)));
    auto* field = qobject_cast<QLineEdit*>(Field("SECRET"));
    ASSERT_NE(field, nullptr);
    Focus(field);
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(field);
    const auto everythingShown = [&] {
        return QStringList{field->displayText(),
                           field->toolTip(),
                           access->text(QAccessible::Name),
                           access->text(QAccessible::Description),
                           access->text(QAccessible::Value),
                           StatusLine()}
            .join('|');
    };
    EXPECT_EQ(everythingShown(),
              QString(secret.size(), field->displayText().front()) +
                  "|This value does not match the pattern \"\\S+\".\nKey of the admin account|"
                  "Secret|This value does not match the pattern \"\\S+\".\n"
                  "Key of the admin account\n$(SECRET)|" +
                  QString(secret.size(), '*') + "|Secret: does not match the pattern \"\\S+\"");
    Press("Ok");
    EXPECT_EQ(mDialogs.messages,
              QStringList("Nothing was saved. These values are not valid:\n\n"
                          "Server / Secret: does not match the pattern \"\\S+\""));
    QAction* show = field->findChild<QAction*>("ShowPassword");
    ASSERT_NE(show, nullptr);
    show->trigger();
    EXPECT_EQ(field->displayText(), secret);
    EXPECT_FALSE(field->toolTip().contains("horse"));
    show->trigger();
    EXPECT_FALSE(everythingShown().contains("horse")) << qPrintable(everythingShown());
}

// An item's help is its field's tooltip, its status line while it has the focus, and part of
// its description for screen readers, before the variable id.
TEST_F(TypedFieldsTest, HelpIsTheTooltipTheStatusLineAndTheDescription) {
    ASSERT_TRUE(Open(SettingsWith()));
    QWidget* port = Field("PORT");
    QWidget* name = Field("NAME");
    EXPECT_EQ(port->toolTip(), "The TCP port the server listens on");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(port)->text(QAccessible::Description),
              "The TCP port the server listens on\n$(PORT)");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(name)->text(QAccessible::Description),
              "$(NAME)");
    Focus(port);
    EXPECT_EQ(StatusLine(), "The TCP port the server listens on");
    Focus(name);
    EXPECT_EQ(StatusLine(), "");
}

// Only a configuration that declares a kind, help, a default or a rule has a status line; any
// other keeps the window as it was, and no control of it has a style sheet.
TEST_F(TypedFieldsTest, OnlyAConfigurationWithRulesOrHelpHasAStatusLine) {
    const struct {
        const char* what;
        const char* item;  // the children of the item after its name and varname
        bool statusLine;
    } cases[] = {
        {"no type", "", false},
        {"a text", "<type>text</type>", false},
        {"a type the program does not know", "<type>string</type>", false},
        {"help", "<help>What it is for</help>", true},
        {"a default", "<default>1</default>", true},
        {"required", "<required>true</required><default>x</default>", true},
        {"a pattern", "<pattern>.*</pattern>", true},
        {"a kind", "<type>number</type>", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mFiles.SetFile("config.xml", QString("<xml><group><name>G</name><item><name>A</name>"
                                             "<varname>A</varname>%1</item></group></xml>")
                                         .arg(c.item)
                                         .toUtf8());
        ASSERT_TRUE(Open("<xml/>"));
        EXPECT_EQ(mWindow->findChild<QStatusBar*>() != nullptr, c.statusLine);
        EXPECT_EQ(mWindow->centralWidget()->size(), mWindow->centralWidget()->minimumSize());
        EXPECT_EQ(Field("A")->styleSheet(), "");
    }
}

// A configuration may come without its settings file. Asked Yes, the window starts with the
// default values as an edit, and the first save creates the file. Asked No, the start ends as for
// a file that cannot be loaded; so does a file that exists and does not load, without a question.
TEST_F(TypedFieldsTest, StartsWithoutItsSettingsFileWhenTheUserSaysYes) {
    const char kQuestion[] =
        "s.xml does not exist. Start with the default values and create it on the first save?";
    const struct {
        const char* what;
        const char* settings;  // nullptr: no file
        const char* answer;
        std::optional<int> status;
        const char* question;
        const char* message;
    } cases[] = {
        {"Yes", nullptr, "Yes", std::nullopt, kQuestion, ""},
        {"No", nullptr, "No", 2, kQuestion,
         "The file could not be loaded!\n\ns.xml: No such file or directory"},
        {"a file that does not load", "<xml>", "Yes", 2, "",
         "The file could not be loaded!\n\ns.xml: line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mDialogs = ScriptedDialogs();
        mDialogs.answers << c.answer;
        mFiles.RemoveFile(kSettings);
        if (c.settings)
            mFiles.SetFile(kSettings, c.settings);
        mWindow.reset(new frmsetup(kOptions, {mDialogs, mFiles, mLauncher}));
        EXPECT_EQ(mWindow->Form_Load(), c.status);
        EXPECT_EQ(mDialogs.questions.join('|'), c.question);
        EXPECT_EQ(mDialogs.messages.join('|').left(int(strlen(c.message))), c.message);
        if (c.status)
            continue;
        mWindow->show();
        EXPECT_EQ(mWindow->Caption(), "Configuration Editor - [s.xml]*");
        QStringList shown;
        for (const char* id : kIds)
            shown << Shown(Field(id));
        EXPECT_EQ(shown.join(", "),
                  "QLineEdit , QLineEdit , QLineEdit  masked, QCheckBox partly , "
                  "QComboBox  of fast|safe|, QLineEdit , QLineEdit /srv");
        Press("Ok");
        EXPECT_EQ(mDialogs.questions.join('|'), c.question);  // no "removed" or "changed"
        EXPECT_FALSE(mWindow->isVisible());
        EXPECT_TRUE(Saved("DATA", "/srv")) << mFiles.FileContents(kSettings).toStdString();
        EXPECT_EQ(mLauncher.commandLines(), QStringList("prepare"));
    }
}

class NoOutput final : public RunOutput {
  public:
    void Report(const QByteArray&) override {}
    void Warn(const QString&) override {}
};

// An unattended export asks nothing: a missing settings file ends it with status 2.
TEST_F(TypedFieldsTest, AnExportWithoutItsSettingsFileEndsAsBefore) {
    NoOutput output;
    EXPECT_EQ(RunExport(ParseCommandLine({"/export", "/file:s.xml"}), {mDialogs, mFiles, mLauncher},
                        output),
              2);
    EXPECT_EQ(mDialogs.questions, QStringList());
    EXPECT_EQ(mDialogs.messages,
              QStringList("The file could not be loaded!\n\ns.xml: No such file or directory"));
}

}  // namespace
