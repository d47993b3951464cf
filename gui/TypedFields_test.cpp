// Drives the real main window on items that declare kinds, rules and help, with scripted dialogs.
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>
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
const QString kRefused = "Nothing was saved. These values are not valid:\n\n";

// The settings file with each value of kValues, but `value` for the variable `id`.
QByteArray SettingsWith(const QString& id = "", const QString& value = "") {
    QString text = "<xml>";
    for (int i = 0; i < 7; ++i)
        text += QString("<variable id=\"$(%1)\">%2</variable>")
                    .arg(kIds[i], kIds[i] == id ? value : QString(kValues[i]));
    return (text + "</xml>").toUtf8();
}

// What a control shows, in words, and "invalid" when it is marked so.
QString Shown(QWidget* control) {
    QString shown = control->metaObject()->className() + QString(' ');
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        shown += edit->text() + (edit->echoMode() == QLineEdit::Normal ? "" : " masked");
    } else if (auto* number = qobject_cast<QAbstractSpinBox*>(control)) {
        shown += number->text();
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        const Qt::CheckState state = box->checkState();
        shown += state == Qt::Checked     ? "on"
                 : state == Qt::Unchecked ? "off"
                                          : "partly " + box->text();
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        shown += list->currentText() + " of";
        for (int i = 0; i < list->count(); ++i)
            shown += ' ' + list->itemText(i);
    }
    return shown + (control->styleSheet().isEmpty() ? "" : " invalid");
}

class TypedFieldsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mFiles.SetFile("config.xml", kConfig);
        mFiles.SetFile("app.in", "port=$(PORT)");
    }
    // Makes the window on the settings `settings` (nullptr: no file); shows it when it loads.
    std::optional<int> Open(const char* settings, const char* answer = "") {
        mDialogs = ScriptedDialogs();
        mDialogs.answers << answer;
        settings ? mFiles.SetFile(kSettings, settings) : mFiles.RemoveFile(kSettings);
        mWindow.reset(new frmsetup(kOptions, {mDialogs, mFiles, mLauncher}));
        const std::optional<int> status = mWindow->Form_Load();
        if (!status)
            mWindow->show();
        return status;
    }
    // The value control of the variable `bare`, made by showing its group.
    QWidget* Field(const QString& bare) {
        const bool second = bare == "LOG" || bare == "DATA";
        mWindow->findChild<QTabBar*>("Categories")->setCurrentIndex(second ? 1 : 0);
        QWidget* control = mWindow->findChild<QWidget*>('e' + bare);
        EXPECT_NE(control, nullptr) << qPrintable(bare);
        return control;
    }
    void Focus(QWidget* control) {
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
        control->setFocus();
    }
    // Edits as a user would: "type:<text>" over the old text, "click" the box, "pick:<entry>",
    // "browse:<path>" by the "..." button and "F4:<path>" by the key, picking the path in a dialog.
    void Edit(QWidget* control, const QString& action) {
        const QString how = action.section(':', 0, 0), what = action.section(':', 1);
        mDialogs.answers = QStringList(what);
        if (how == "type") {
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(control, Qt::Key_Backspace);
            QTest::keyClicks(control, what);
        } else if (how == "click") {
            qobject_cast<QCheckBox*>(control)->click();
        } else if (how == "pick") {
            qobject_cast<QComboBox*>(control)->setCurrentText(what);
        } else if (how == "browse") {
            control->findChild<QAction*>("Browse")->trigger();
        } else {
            Focus(control);
            QTest::keyClick(control, Qt::Key_F4);
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
    QString Saved() const { return mFiles.FileContents(kSettings); }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

// Each kind gets its control, which shows the loaded value and stores an edit. A loaded value that
// breaks its rules is shown as it is and marked, with the reason as its tooltip, until put right.
TEST_F(TypedFieldsTest, EachKindHasItsControlThatShowsChecksAndStoresTheValue) {
    const struct {
        const char *id, *value;  // nullptr: the value in kValues
        const char *shown, *problem, *edit, *saved;
        const char* asked;  // the dialog the edit opened
    } cases[] = {
        {"SECRET", nullptr, "QLineEdit hunter2 masked", "", "type:s3cret", "s3cret", ""},
        {"DEBUG", nullptr, "QCheckBox on", "", "click", "no", ""},
        {"MODE", nullptr, "ChoiceBox safe of fast safe", "", "pick:fast", "fast", ""},
        {"LOG", nullptr, "QLineEdit /var/log/app.log", "", "browse:/tmp/o", "/tmp/o", "file"},
        {"DATA", nullptr, "QLineEdit /data", "", "F4:/opt", "/opt", "folder"},
        {"DEBUG", "maybe", "QCheckBox partly maybe invalid", "must be \"yes\" or \"no\"", "click",
         "yes", ""},
        {"MODE", "turbo", "ChoiceBox turbo of fast safe turbo invalid",
         "is not one of \"fast\", \"safe\"", "pick:fast", "fast", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1=%2").arg(c.id, c.value ? c.value : "(fits)").toStdString());
        ASSERT_EQ(Open(c.value ? SettingsWith(c.id, c.value) : SettingsWith()), std::nullopt);
        QWidget* control = Field(c.id);
        EXPECT_EQ(Shown(control), c.shown);
        if (*c.problem) {
            EXPECT_EQ(control->toolTip().section('\n', 0, 0),
                      QString("This value %1.").arg(c.problem));
        }
        Edit(control, c.edit);
        EXPECT_EQ(control->styleSheet() + Caption(), "[s.xml]*");
        EXPECT_EQ(mDialogs.questions.join('|'), c.asked);
        Press("Ok");
        EXPECT_FALSE(mWindow->isVisible()) << qPrintable(mDialogs.messages.join('|'));
        EXPECT_TRUE(Saved().contains(QString("\"$(%1)\">%2<").arg(c.id, c.saved)))
            << "expected $(" << c.id << ") = " << c.saved << " in " << qPrintable(Saved());
    }
}

// Typing marks a field as soon as it breaks its rules and unmarks it once it fits; every way to
// save is then refused with one message listing each bad value in order, focusing the first.
TEST_F(TypedFieldsTest, EveryWayToSaveIsRefusedWhileAValueDoesNotFit) {
    const struct {
        const char *press, *answer, *questions;  // press: a control, or keys pressed in the window
    } cases[] = {
        {"Ok", "", ""},
        {"Ctrl+S", "", ""},
        // Regression guard: no file is asked for when nothing could be saved to it.
        {"IndSaveAs", "new.xml", ""},
        {"indExit", "Yes", "Wollen sie die s.xml speichern?"},
    };
    const QString help = "The TCP port the server listens on";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        ASSERT_EQ(Open(SettingsWith()), std::nullopt);
        QWidget* port = Field("PORT");
        Focus(port);
        QTest::keyClicks(port, "9");  // at the start, where a loaded value is shown
        EXPECT_EQ(Shown(port), "NumberBox 98080 invalid");
        EXPECT_EQ(port->toolTip() + '|' + StatusLine(),
                  "This value must be at most 65535.\n" + help + "|Port: must be at most 65535");
        QTest::keyClick(port, Qt::Key_Backspace);
        EXPECT_EQ(Shown(port) + '|' + port->toolTip() + '|' + StatusLine(),
                  "NumberBox 8080|" + help + '|' + help);
        QTest::keyClicks(port, "9");
        Edit(Field("DATA"), "type:");
        mDialogs.answers = QStringList(c.answer);
        if (mWindow->findChild<QObject*>(c.press))
            Press(c.press);
        else
            QTest::keySequence(mWindow.get(), QKeySequence(c.press));
        EXPECT_EQ(mDialogs.messages.join('|'), kRefused +
                                                   "Server / Port: must be at most 65535\n"
                                                   "Paths / Data: must not be empty");
        EXPECT_EQ(mDialogs.questions.join('|'), c.questions);
        EXPECT_TRUE(mWindow->isVisible());
        EXPECT_EQ(mWindow->focusWidget(), port);
        EXPECT_EQ(mFiles.WriteCount(kSettings), 0);
        EXPECT_FALSE(mFiles.HasFile("new.xml") || mFiles.HasFile("app.out"));
        EXPECT_EQ(mLauncher.commandLines(), QStringList());
    }
}

// Never in a tooltip, a text for screen readers, the status line or a message, even when it is
// too long for its box or breaks its rules.
TEST_F(TypedFieldsTest, APasswordShowsItsValueOnlyWhenAskedTo) {
    const QString secret = "correct horse battery staple and more";
    ASSERT_EQ(Open(SettingsWith("SECRET", secret)), std::nullopt);
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
    const QString problem = "does not match the pattern \"\\S+\"";
    const QString tip = "This value " + problem + ".\nKey of the admin account";
    EXPECT_EQ(everythingShown(), QString(secret.size(), field->displayText().front()) + '|' + tip +
                                     "|Secret|Invalid.\n" + tip +
                                     "\nCtrl+Shift+H shows or hides the password.\n$(SECRET)|" +
                                     QString(secret.size(), '*') + "|Secret: " + problem);
    Press("Ok");
    EXPECT_EQ(mDialogs.messages.join('|'), kRefused + "Server / Secret: " + problem);
    // Shown by the key, hidden by the context menu.
    QTest::keySequence(field, QKeySequence("Ctrl+Shift+H"));
    EXPECT_EQ(field->displayText(), secret);
    EXPECT_FALSE(field->toolTip().contains("horse"));
    emit field->customContextMenuRequested(QPoint(2, 2));
    std::unique_ptr<QMenu> menu(field->findChild<QMenu*>("FieldMenu"));
    QAction* hide = menu->findChild<QAction*>("TogglePassword");
    ASSERT_NE(hide, nullptr);
    EXPECT_EQ(hide->text(), "Hide Password");
    hide->trigger();
    EXPECT_FALSE(everythingShown().contains("horse")) << qPrintable(everythingShown());
}

// A number steps by one within its bounds, from a value of any size, and refuses a letter
// typed. A value loaded out of range or no number stays exactly as loaded, marked, until the user
// changes it; one that fits is saved as loaded, never rewritten as the number it stands for.
TEST_F(TypedFieldsTest, NumbersStepWithinTheirBoundsAndKeepTheirText) {
    mFiles.SetFile("config.xml", R"~(<xml><group><name>N</name>
        <item><name>Port</name><type>number</type><varname>$(PORT)</varname><min>1</min>
          <max>65535</max></item>
        <item><name>Size</name><type>number</type><varname>$(SIZE)</varname><min>-5000000000</min>
          <max>5000000000</max><default>4294967296</default></item></group></xml>)~");
    const struct {
        const char *id, *loaded,
            *keys;          // keys: Up, Down, a letter, "wheel" over a box focused or not
        const char* shown;  // with " invalid" when marked
    } cases[] = {
        {"PORT", "8080", "Up", "8081"},
        {"PORT", "8080", "Down Down", "8078"},
        {"PORT", "65535", "Up", "65535"},
        {"PORT", "70000", "", "70000 invalid"},
        {"PORT", "70000", "Down", "65535"},
        {"PORT", "0", "Up", "1"},
        {"PORT", "8080", "x", "8080"},
        {"PORT", "abc", "x", "xabc invalid"},
        {"PORT", "abc", "Up", "1"},
        {"PORT", "+08080", "", "+08080"},
        {"PORT", "8080", "wheel", "8081"},
        {"PORT", "8080", "unfocused-wheel", "8080"},
        {"SIZE", "4294967296", "Up", "4294967297"},
        {"SIZE", "", "Down", "4294967296"},
        {"SIZE", "99999999999999999999", "", "99999999999999999999 invalid"},
        {"SIZE", "-99999999999999999999", "Up", "-5000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1=%2 %3").arg(c.id, c.loaded, c.keys).toStdString());
        const QString other = QString(c.id) == "PORT" ? "SIZE" : "PORT";
        ASSERT_EQ(Open(QString("<xml><variable id='$(%1)'>%2</variable><variable id='$(%3)'>1"
                               "</variable></xml>")
                           .arg(c.id, c.loaded, other)
                           .toUtf8()),
                  std::nullopt);
        QWidget* box = mWindow->findChild<QWidget*>(QString("e") + c.id);
        Focus(QString(c.keys) == "unfocused-wheel" ? mWindow->findChild<QWidget*>("e" + other)
                                                   : box);
        for (const QString& key : QString(c.keys).split(' ', Qt::SkipEmptyParts)) {
            if (key.endsWith("wheel")) {
                QWheelEvent turn(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(),
                                 QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                 false);
                QApplication::sendEvent(box, &turn);
            } else {
                QTest::keyClick(box, key == "Up"     ? Qt::Key_Up
                                     : key == "Down" ? Qt::Key_Down
                                                     : Qt::Key_X);
            }
        }
        EXPECT_EQ(Shown(box), QString("NumberBox ") + c.shown);
        if (!QString(c.shown).endsWith("invalid")) {
            Press("Ok");
            EXPECT_TRUE(Saved().contains(QString(">%1<").arg(c.shown))) << qPrintable(Saved());
        }
    }
}

// A screen reader hears each field by its label, whatever its kind, reads its value (never a
// password's), follows the label's relation to it, and hears the states Qt has no flag for in the
// description. A required item's label is followed by "(required)" from the start.
TEST_F(TypedFieldsTest, EveryFieldIsNamedByItsLabelAndSaysItsState) {
    ASSERT_EQ(Open(SettingsWith("MODE", "turbo").replace(">/data<", "><")), std::nullopt);
    const struct {
        const char *id, *name;
        QAccessible::Role role;
        const char *value, *description;  // description: its first line
    } cases[] = {
        {"NAME", "Name", QAccessible::EditableText, "web", "$(NAME)"},
        {"PORT", "Port", QAccessible::SpinBox, "8080", "The TCP port the server listens on"},
        {"SECRET", "Secret", QAccessible::EditableText, "", "Key of the admin account"},
        {"DEBUG", "Debug", QAccessible::CheckBox, "", "$(DEBUG)"},
        {"MODE", "Mode", QAccessible::ComboBox, "turbo", "Invalid."},
        {"LOG", "Log file", QAccessible::EditableText, "/var/log/app.log", "$(LOG)"},
        {"DATA", "Data", QAccessible::EditableText, "", "Required.\nInvalid."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        QWidget* field = Field(c.id);
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(field);
        EXPECT_EQ(access->text(QAccessible::Name), c.name);
        EXPECT_EQ(access->role(), c.role);
        // What AT-SPI reads as the value: the text, where there is one.
        QAccessibleTextInterface* text = access->textInterface();
        EXPECT_EQ(text ? text->text(0, text->characterCount()) : access->text(QAccessible::Value),
                  c.value);
        EXPECT_TRUE(access->text(QAccessible::Description).startsWith(c.description))
            << qPrintable(access->text(QAccessible::Description));
        const auto labels = access->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels.front().first->object()->objectName(), QString("lbl") + c.id);
        const bool required = QString(c.id) == "DATA";
        EXPECT_EQ(mWindow->findChild<QLabel*>(QString("lbl%1Required").arg(c.id)) != nullptr,
                  required);
    }
}

// An item whose depends are not met is greyed with its label and says what enables it; its value
// is not checked, neither in the window nor by a save, which keeps it as it is. Checking the box
// it depends on brings it and its checks back, at once.
TEST_F(TypedFieldsTest, ADependentFieldFollowsTheValueItDependsOn) {
    mFiles.SetFile("config.xml", R"~(<xml><group><name>Server</name>
        <item><name>Enable HTTPS</name><type>boolean</type><varname>$(HTTPS)</varname>
          <on>on</on><off>off</off></item>
        <item><name>Certificate</name><type>file</type><varname>$(CERT)</varname>
          <depends>$(HTTPS)</depends><required>true</required><pattern>.*\.pem</pattern></item>
        </group></xml>)~");
    ASSERT_EQ(Open("<xml><variable id='$(HTTPS)'>off</variable><variable id='$(CERT)'>c.txt"
                   "</variable></xml>"),
              std::nullopt);
    auto* https = mWindow->findChild<QCheckBox*>("eHTTPS");
    const auto state = [&] {
        const auto on = [&](const char* name) {
            return mWindow->findChild<QWidget*>(name)->isEnabled() ? "enabled" : "greyed";
        };
        return QString("%1 %2 %3 %4|%5")
            .arg(
                on("eCERT"), on("lblCERT"),
                mWindow->findChild<QWidget*>("lblCERTRequired")->isVisible() ? "required" : "-",
                Shown(mWindow->findChild<QWidget*>("eCERT")),
                mWindow->findChild<QWidget*>("eCERT")->accessibleDescription().section('\n', 0, 0));
    };
    const QString greyed = "greyed greyed - QLineEdit c.txt|Enabled while Enable HTTPS is on.";
    EXPECT_EQ(state(), greyed);
    QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+S"));
    EXPECT_TRUE(mDialogs.messages.isEmpty() && Saved().contains(">c.txt<"));
    https->click();
    EXPECT_EQ(state(), "enabled enabled required QLineEdit c.txt invalid|Required.");
    https->click();
    EXPECT_EQ(state(), greyed);
}

// Every change is a step of the window's one history, whatever the field's kind: Ctrl+Z, pressed
// in any field, takes back the typing in one field, a click, a pick, a path chosen, a reset, as
// one step, showing the field's page with the focus in it; Ctrl+Shift+Z makes it again. Loading
// another file forgets the steps.
TEST_F(TypedFieldsTest, UndoAndRedoTakeEveryChangeAsOneStep) {
    const struct {
        const char *id, *actions;     // actions: Edit()'s, a menu item, or keys, by ';'
        const char *undone, *redone;  // Shown(), and " *" while the caption has it
    } cases[] = {
        {"NAME", "type:abc", "QLineEdit web", "QLineEdit abc *"},
        {"PORT", "type:99", "NumberBox 8080", "NumberBox 99 *"},
        {"SECRET", "type:pw", "QLineEdit hunter2 masked", "QLineEdit pw masked *"},
        {"DEBUG", "click", "QCheckBox on", "QCheckBox off *"},
        {"MODE", "pick:fast", "ChoiceBox safe of fast safe", "ChoiceBox fast of fast safe *"},
        {"LOG", "browse:/tmp/o", "QLineEdit /var/log/app.log", "QLineEdit /tmp/o *"},
        {"DATA", "indResetToDefault", "QLineEdit /data", "QLineEdit /srv *"},
        {"DATA", "indResetAllToDefaults", "QLineEdit /data", "QLineEdit /srv *"},
        {"NAME", "type:abc;Ctrl+R", "QLineEdit abc *", "QLineEdit web"},
        {"NAME", "type:abc;indResetAllToSaved", "QLineEdit abc *", "QLineEdit web"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.id, c.actions).toStdString());
        ASSERT_EQ(Open(SettingsWith()), std::nullopt);
        QWidget* control = Field(c.id);
        Focus(control);
        for (const QString& action : QString(c.actions).split(';')) {
            if (action.startsWith("ind"))
                Press(action.toLatin1().constData());
            else if (action.startsWith("Ctrl"))
                QTest::keySequence(control, QKeySequence(action));
            else
                Edit(control, action);
        }
        const auto state = [&] { return Shown(control) + (Caption().endsWith('*') ? " *" : ""); };
        QWidget* other = Field(QString(c.id) == "LOG" || QString(c.id) == "DATA" ? "NAME" : "LOG");
        other->setFocus();
        QTest::keySequence(other, QKeySequence("Ctrl+Z"));
        EXPECT_EQ(state(), c.undone);
        EXPECT_EQ(QApplication::focusWidget(), control);
        EXPECT_EQ(mWindow->findChild<QAction*>("indUndo")->isEnabled(),
                  QString(c.actions).contains(';'));  // each action one step
        QTest::keySequence(control, QKeySequence("Ctrl+Shift+Z"));
        EXPECT_EQ(state(), c.redone);
    }
    mDialogs.answers = QStringList(kSettings);
    Press("IndOpen");
    EXPECT_FALSE(mWindow->findChild<QAction*>("indUndo")->isEnabled());
}

// Without its settings file, Yes starts with the defaults as an edit and the first save creates
// the file; No ends the start as a file that does not load does, which asks nothing.
TEST_F(TypedFieldsTest, StartsWithoutItsSettingsFileWhenTheUserSaysYes) {
    const char kQuestion[] =
        "s.xml does not exist. Start with the default values and create it on the first save?";
    const struct {
        const char *settings, *answer;  // settings nullptr: no file
        std::optional<int> status;
        const char *question, *message;
    } cases[] = {
        {nullptr, "Yes", std::nullopt, kQuestion, ""},
        {nullptr, "No", 2, kQuestion, "The file could not be loaded!\n\ns.xml: No such file"},
        {"<xml>", "Yes", 2, "", "The file could not be loaded!\n\ns.xml: line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer + std::string(c.settings ? " to a file that does not load" : ""));
        EXPECT_EQ(Open(c.settings, c.answer), c.status);
        EXPECT_EQ(mDialogs.questions.join('|'), c.question);
        EXPECT_EQ(mDialogs.messages.join('|').left(int(strlen(c.message))), c.message);
        if (c.status)
            continue;
        EXPECT_EQ(mWindow->Caption(), "Configuration Editor - [s.xml]*");
        QStringList shown;
        for (const char* id : kIds)
            shown << Shown(Field(id));
        EXPECT_EQ(shown.join(", "),
                  "QLineEdit , NumberBox , QLineEdit  masked, QCheckBox partly , "
                  "ChoiceBox  of fast safe , QLineEdit , QLineEdit /srv");
        Press("Ok");
        EXPECT_EQ(mDialogs.questions.join('|'), c.question);  // no "removed" or "changed"
        EXPECT_FALSE(mWindow->isVisible());
        // The default is not stored.
        EXPECT_FALSE(Saved().contains("$(DATA)")) << qPrintable(Saved());
        EXPECT_EQ(mLauncher.commandLines(), QStringList("prepare"));
    }
}

}  // namespace
