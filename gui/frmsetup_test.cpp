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

    // The disk, where saves may run out of memory.
    struct Disk : DiskFileSystem {
        Status WriteFileFrom(const QString& path, const ByteProducer& produce) override {
            return outOfMemory ? throw std::bad_alloc()
                               : DiskFileSystem::WriteFileFrom(path, produce);
        }
        bool outOfMemory = false;
    };

    QTemporaryDir mDir;
    Disk mFiles;
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
// shown, maybe the settings file is changed on disk, a control is pressed and the dialogs it
// raises answered.
struct Case {
    const char* name;
    const char* press;
    const char* asks;                  // part of each dialog raised, in order, "|" between
    const char* answers;               // "Yes", "No", "Cancel", or the file chosen ("" cancels)
    bool closes;                       //
    const char* savedTo;               // the file that received the edit; "" for none
    const char* message = "";          // in the one message shown
    const char* document = kSettings;  // the window's settings file afterwards
    const char* disk = nullptr;        // written over the settings file after loading; "" removes
    bool outOfMemory = false;          // no save gets the memory it needs
    const char* fields = "db1 15432";  // eDBHOST and eDBPORT afterwards
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};
const char kAsk[] = "settings[*].xml speichern";
const char kChanged[] = "settings[*].xml was changed by another program";
const char kBroken[] = "<xml><variable id='$(DBPORT)'>";
const char kExternal[] =
    R"~(<xml><variable id="$(DBHOST)">ext</variable><variable id="$(DBPORT)">5</variable><x/></xml>)~";
const Case kCases[] = {
    {"CancelKeepsWindowAndEdit", "Cancel", kAsk, "Cancel", false, ""},
    {"NoClosesWithoutSaving", "indExit", kAsk, "No", true, ""},
    {"YesSavesAndSaysSo", "Cancel", kAsk, "Yes", true, kSettings, "gespeichert"},
    {"OkSavesWithoutAsking", "Ok", "", "", true, kSettings},
    {"FailedOkKeepsWindowAndEdit", "Ok", "", "", false, "", kSettings, kSettings, kBroken},
    {"FailedYesKeepsWindowAndEdit", "indExit", kAsk, "Yes", false, "", kSettings, kSettings,
     kBroken},
    // Regression: running out of memory ended the program.
    {"OutOfMemoryKeepsWindowAndEdit", "Ok", "", "", false, "", "not enough memory", kSettings,
     nullptr, true},
    // Regression: Open threw the edits away without asking.
    {"OpenAsksFirstAndCancelKeepsAll", "IndOpen", kAsk, "Cancel", false, ""},
    {"OpenCancelled", "IndOpen", "speichern|open", "No|", false, ""},
    {"OpenUnreadableKeepsAll", "IndOpen", "speichern|open", "No|broken.xml", false, "",
     "broken.xml"},
    // A variable the opened file does not list keeps what its field held (eDBPORT).
    {"OpenTakesTheFilesValues", "IndOpen", "speichern|open", "No|other.xml", false, "", "",
     "other.xml", nullptr, false, "other 15432"},
    {"OpenAfterSaving", "IndOpen", "speichern|open", "Yes|other.xml", false, kSettings,
     "gespeichert", "other.xml", nullptr, false, "other 15432"},
    {"SaveAsCancelled", "IndSaveAs", "save", "", false, ""},
    {"SaveAsNewFileTakesAllValues", "IndSaveAs", "save", "new.xml", false, "new.xml", "",
     "new.xml"},
    // An existing file receives the values in its own entries.
    {"SaveAsExistingFillsItsEntries", "IndSaveAs", "save", "old.xml", false, "old.xml", "",
     "old.xml"},
    // Regression: a save overwrote what another program had changed since the file was loaded.
    {"ChangedOnDiskCancelKeepsAll", "IndSave", kChanged, "Cancel", false, "", "", kSettings,
     kExternal},
    {"ChangedOnDiskNoLoadsItAgain", "Ok", kChanged, "No", false, "", "", kSettings, kExternal,
     false, "ext 5"},
    {"ChangedOnDiskYesSavesIntoIt", "IndSave", kChanged, "Yes", false, kSettings, "", kSettings,
     kExternal},
    {"RemovedOnDiskYesSavesAgain", "Ok", "settings[*].xml was removed", "Yes", true, kSettings, "",
     kSettings, ""},
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
    if (c.disk && *c.disk) {
        Write(kSettings, c.disk);
    } else if (c.disk) {
        QFile::remove(kSettings);
    }
    mFiles.outOfMemory = c.outOfMemory;
    mDialogs.answers = QString(c.answers).split('|');
    Press(c.press);
    EXPECT_EQ(mDialogs.questions.size(), QString(c.asks).split('|', Qt::SkipEmptyParts).size());
    for (qsizetype i = 0; i < mDialogs.questions.size(); ++i) {
        EXPECT_TRUE(mDialogs.questions[i].contains(QString(c.asks).section('|', i, i)))
            << qPrintable(mDialogs.questions.join('|'));
    }
    ExpectOne(mDialogs.messages, c.message);
    EXPECT_EQ(mWindow->isVisible(), !c.closes);
    // The caption's marker shows an edit that is in a field and not saved.
    const bool dirty =
        !*c.savedTo && c.document == QString(kSettings) && QString(c.fields).contains("15432");
    const QString title = mWindow->windowHandle()->title();
    EXPECT_TRUE(title.endsWith(QString("[%1]").arg(c.document) + (dirty ? "*" : "")))
        << qPrintable(title);
    EXPECT_EQ(Text("eDBHOST") + ' ' + Text("eDBPORT"), c.fields);
    for (const char* file : {kSettings, "new.xml", "old.xml"}) {
        EXPECT_EQ(Read(file).contains(">15432<"), c.savedTo == QString(file)) << file;
    }
    EXPECT_TRUE(Read("old.xml").contains("<x/>"));
    // What another program wrote stays, apart from the values saved over it.
    EXPECT_EQ(Read(kSettings).contains("<x/>"), c.disk == kExternal);
    EXPECT_EQ(Read("app.out"), *c.savedTo ? "host=db1 port=15432" : "<missing>");
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
