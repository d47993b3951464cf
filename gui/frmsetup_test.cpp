// Drives the real main window with scripted dialogs, started in a temporary folder as a user
// would start it in the folder of a configuration.
#include "gui/frmsetup.h"

#include "gui/xAboutTrvSet.h"
#include "platform/DiskFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Qt reads "[*]" in a window title as the place of its modified marker; the caption must show
// this name as it is.
const char kSettings[] = "settings[*].xml";

class FrmsetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir::setCurrent(mDir.path()));
        Write("config.xml", R"~(<xml><group><name>Database</name>
            <item><name>Host</name><varname>$(DBHOST)</varname></item>
            <item><name>Port</name><varname>$(DBPORT)</varname></item></group>
          <group><name>Paths</name><item><name>Logs</name><varname>LOGDIR</varname></item></group>
          <files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        Write(kSettings, R"~(<xml><variable id="$(DBHOST)">db1</variable>
            <variable id="$(DBPORT)">5432</variable><variable id="LOGDIR">/var/log</variable></xml>)~");
        Write("app.in", "host=$(DBHOST) port=$(DBPORT)");
        ASSERT_EQ(Start(), std::nullopt);
        mWindow->show();
    }
    static void Write(const char* name, const QByteArray& bytes) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    static QByteArray Read(const char* name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Creates the window and runs its start-up sequence. Every test begins with the window shown.
    std::optional<int> Start() {
        mWindow = std::make_unique<frmsetup>(ParseCommandLine({QString("/file:") + kSettings}),
                                             ProgramServices{mDialogs, mFiles, mLauncher});
        return mWindow->Form_Load();
    }
    QWidget* Control(const char* name) const {
        QWidget* control = mWindow->findChild<QWidget*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Text(const char* name) const { return Control(name)->property("text").toString(); }
    // Triggers a menu action or clicks a button.
    void Press(const char* name) {
        QObject* control = mWindow->findChild<QObject*>(name);
        const bool action = qobject_cast<QAction*>(control);
        EXPECT_TRUE(QMetaObject::invokeMethod(control, action ? "trigger" : "click")) << name;
    }
    // Expects one text holding `fragment`, or none for an empty fragment.
    static void ExpectOne(const QStringList& texts, const char* fragment) {
        EXPECT_EQ(texts.size(), *fragment ? 1 : 0) << qPrintable(texts.join('|'));
        EXPECT_TRUE(texts.value(0).contains(fragment)) << qPrintable(texts.join('|'));
    }

    QTemporaryDir mDir;
    DiskFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

TEST_F(FrmsetupTest, ShowsOnePagePerGroupWithOnlyTheSelectedGroupsFields) {
    EXPECT_EQ(Text("lblDBPORT") + ' ' + Text("eLOGDIR"), "Port /var/log");
    // A field lies on top where it overlaps its label.
    QWidget* port = Control("eDBPORT");
    EXPECT_EQ(port->parentWidget()->childAt(port->pos() + QPoint(2, 5)), port);
    for (int tab : {0, 1, 0}) {
        Control("Categories")->setProperty("currentIndex", tab);
        for (const char* name : {"eDBHOST", "lblDBPORT", "eLOGDIR", "lblLOGDIR"}) {
            const bool database = QByteArray(name).contains("DB");
            EXPECT_EQ(Control(name)->isHidden(), database != (tab == 0)) << name << tab;
        }
    }
    // The page scrolls as far as the last row of its group.
    EXPECT_GE(port->parentWidget()->height(), port->geometry().bottom());
}

// One way through the window: "1" is typed into eDBPORT, at the start where a loaded value is
// shown, a control is pressed and the dialog it raises answered.
struct Case {
    const char* name;
    const char* press;
    const char* asks;                  // in the one dialog raised
    const char* answer;                // "Yes", "No", "Cancel", or the file chosen ("" cancels)
    bool closes, saves;                // saves: the edit went to the window's document
    const char* message = "";          // in the one message shown
    const char* document = kSettings;  // the window's settings file afterwards
    bool broken = false;       // the settings file is damaged after loading, so that saves fail
    const char* host = "db1";  // eDBHOST afterwards
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};
const char kAsk[] = "settings[*].xml speichern";
const Case kCases[] = {
    {"CancelKeepsWindowAndEdit", "Cancel", kAsk, "Cancel", false, false},
    {"NoClosesWithoutSaving", "indExit", kAsk, "No", true, false},
    {"YesSavesAndSaysSo", "Cancel", kAsk, "Yes", true, true, "gespeichert"},
    {"OkSavesWithoutAsking", "Ok", "", "", true, true},
    {"FailedOkKeepsWindowAndEdit", "Ok", "", "", false, false, kSettings, kSettings, true},
    {"FailedYesKeepsWindowAndEdit", "indExit", kAsk, "Yes", false, false, kSettings, kSettings,
     true},
    {"OpenCancelled", "IndOpen", "open", "", false, false},
    {"OpenUnreadableKeepsAll", "IndOpen", "open", "broken.xml", false, false, "broken.xml"},
    // A variable the opened file does not list keeps what its field held (eDBPORT).
    {"OpenTakesTheFilesValues", "IndOpen", "open", "other.xml", false, false, "", "other.xml",
     false, "other"},
    {"SaveAsCancelled", "IndSaveAs", "save", "", false, false},
    {"SaveAsNewFileTakesAllValues", "IndSaveAs", "save", "new.xml", false, true, "", "new.xml"},
    // An existing file receives the values in its own entries.
    {"SaveAsExistingFillsItsEntries", "IndSaveAs", "save", "old.xml", false, true, "", "old.xml"},
};

class FrmsetupPathTest : public FrmsetupTest, public ::testing::WithParamInterface<Case> {};
INSTANTIATE_TEST_SUITE_P(Paths, FrmsetupPathTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(FrmsetupPathTest, EndsAsAnswered) {
    const Case& c = GetParam();
    Write("other.xml", R"~(<xml><variable id="$(DBHOST)">other</variable></xml>)~");
    Write("broken.xml", "<xml>");
    Write("old.xml", R"~(<xml><variable id="$(DBHOST)"/><variable id="$(DBPORT)"/><x/></xml>)~");
    QTest::keyClicks(Control("eDBPORT"), "1");
    if (c.broken) {
        Write(kSettings, "<xml><variable id='$(DBPORT)'>");
    }
    mDialogs.answers = {c.answer};
    Press(c.press);
    ExpectOne(mDialogs.questions, c.asks);
    ExpectOne(mDialogs.messages, c.message);
    EXPECT_EQ(mWindow->isVisible(), !c.closes);
    const bool dirty = !c.saves && c.document == QString(kSettings);
    const QString title = mWindow->windowHandle()->title();
    EXPECT_TRUE(title.endsWith(QString("[%1]").arg(c.document) + (dirty ? "*" : "")))
        << qPrintable(title);
    EXPECT_EQ(Text("eDBHOST") + ' ' + Text("eDBPORT"), c.host + QString(" 15432"));
    for (const char* file : {kSettings, "new.xml", "old.xml"}) {
        EXPECT_EQ(Read(file).contains(">15432<"), c.saves && c.document == QString(file)) << file;
    }
    EXPECT_TRUE(Read("old.xml").contains("<x/>"));
    EXPECT_EQ(Read("app.out"), c.saves ? "host=db1 port=15432" : "<missing>");
}

TEST_F(FrmsetupTest, StartUpEndsWhenTheSettingsCannotBeLoaded) {
    QFile::remove(kSettings);
    EXPECT_EQ(Start(), 2);
    ExpectOne(mDialogs.messages, "The file could not be loaded!\n\nsettings[*].xml");
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
    // Escape closes it too.
    Press("indAboutTrvSet");
    QTest::keyClick(abouts[0], Qt::Key_Escape);
    EXPECT_TRUE(abouts[0]->isHidden());
    // Without edits the main window closes without a question.
    EXPECT_TRUE(mWindow->close());
    ExpectOne(mDialogs.questions, "");
}

TEST_F(FrmsetupTest, KeyboardAndScreenReadersReachEveryFieldInOrder) {
    QApplication::setActiveWindow(mWindow.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    // Tab walks the tab strip, the fields of the page shown, OK and "Abbrechen", then comes round.
    const auto tabs = [](int count) {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return names.join(' ');
    };
    Control("Categories")->setFocus();
    EXPECT_EQ(tabs(6), "Categories eDBHOST eDBPORT Ok Cancel Categories");
    // Ctrl+Tab and Ctrl+PgDn go to the next group, with Shift or PgUp back, round the ends.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int> switches[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 0},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},
        {Qt::Key_PageUp, Qt::ControlModifier, 1}};
    for (const auto& [key, modifiers, group] : switches) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        EXPECT_EQ(Control("Categories")->property("currentIndex").toInt(), group) << key;
    }
    Control("Categories")->setFocus();
    EXPECT_EQ(tabs(4), "Categories eLOGDIR Ok Cancel");
    // A screen reader names each field by its label and describes it by its variable.
    for (const auto& [field, name, id] :
         {std::tuple{"eDBHOST", "Host", "$(DBHOST)"}, std::tuple{"eLOGDIR", "Logs", "LOGDIR"}}) {
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Control(field));
        ASSERT_NE(access, nullptr);
        EXPECT_EQ(access->text(QAccessible::Name) + ' ' + access->text(QAccessible::Description),
                  QString(name) + ' ' + id);
    }
    // Enter presses the button that has the focus: OK saves and closes.
    Control("eLOGDIR")->setProperty("text", "x");
    Control("Ok")->setFocus();
    QTest::keyClick(Control("Ok"), Qt::Key_Return);
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_TRUE(Read(kSettings).contains(">x<"));
}

TEST_F(FrmsetupTest, OpensAtItsDesignSizeAndGivesMoreRoomToThePages) {
    QWidget* client = mWindow->centralWidget();
    EXPECT_EQ(client->size(), client->minimumSize());
    const auto fromCorner = [&](const char* name) {
        return client->rect().bottomRight() - Control(name)->geometry().bottomRight();
    };
    const QPoint ok = fromCorner("Ok"), cancel = fromCorner("Cancel");
    QSize pages = Control("Pages")->size();
    for (const QSize grown : {QSize(120, 200), QSize(0, 0)}) {
        mWindow->resize(mWindow->size() + grown);
        QTest::qWait(0);
        EXPECT_EQ(Control("Pages")->size(), pages + grown);
        EXPECT_TRUE(fromCorner("Ok") == ok && fromCorner("Cancel") == cancel);
        pages = Control("Pages")->size();
    }
}

TEST_F(FrmsetupTest, ALabelOrValueTooWideForItsBoxShowsWholeInATooltip) {
    const QString label(40, u'L'), value(60, u'v');
    Write("config.xml",
          "<xml><group><name>G</name><item><name>Short</name><varname>S</varname>"
          "</item><item><name>" +
              label.toUtf8() +
              "</name><varname>$(L)</varname>"
              "</item></group></xml>");
    Write(kSettings, "<xml><variable id='S'>s</variable><variable id='$(L)'/></xml>");
    ASSERT_EQ(Start(), std::nullopt);
    Control("eL")->setProperty("text", value);
    EXPECT_EQ(Control("lblL")->toolTip(), label + "\n$(L)");
    EXPECT_EQ(Control("eL")->toolTip(), value);
    EXPECT_EQ(Control("lblS")->toolTip() + Control("eS")->toolTip(), "");
    Control("eL")->setProperty("text", "short");
    EXPECT_EQ(Control("eL")->toolTip(), "");
}

}  // namespace
