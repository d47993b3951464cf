// Drives the real main window over an in-memory disk, with scripted dialogs: the ways through it,
// finding and telling edited fields, where it places its controls, and the field of each kind.
#include "gui/frmsetup.h"

#include "gui/Layout.h"
#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>

// Failures show a box as "x,y widthxheight".
void PrintTo(const QRect& box, std::ostream* out) {
    *out << box.x() << ',' << box.y() << ' ' << box.width() << 'x' << box.height();
}

namespace {

using Layout::Px;

// An item named `label` of the variable $(`name`), of the type `type`, with `more` elements.
QByteArray Item(const QString& label, const QString& name, const char* type = "text",
                const char* more = "") {
    return "<item><name>" + label.toUtf8() + "</name><type>" + type + "</type><varname>$(" +
           name.toUtf8() + ")</varname>" + more + "</item>";
}

// An in-memory disk on which, while `busy`, another program holds the lock of every folder: each
// try of the window, which waits for nothing, finds it held, says so as the disk does, and fails.
class BusyFolders final : public FakeFileSystem {
  public:
    Status LockForUpdate(const QString& path, const LockWait& wait,
                         std::unique_ptr<UpdateLock>* lock) override {
        if (!busy || released)
            return FakeFileSystem::LockForUpdate(path, wait, lock);
        ++tries;
        EXPECT_EQ(wait.tellAfter.count() + wait.giveUpAfter.count(), 0) << "a wait in the try";
        wait.tell(QString("Waiting for %1: another program is saving there...")
                      .arg(QFileInfo(path).path()));
        return Status::Error("gave up");
    }
    bool busy = false;
    bool released = false;  // the other program's save has ended
    int tries = 0;
};

class WindowTest : public ::testing::Test {
  protected:
    // Opens the window, at its design size and active, on the configuration `body` (inside its
    // <xml>) and the settings file `file` holding `settings`.
    void Open(const QByteArray& body, const QByteArray& settings = "<xml/>",
              const QString& file = "s.xml") {
        mFiles.SetFile("config.xml", "<xml>" + body + "</xml>");
        mFiles.SetFile(file, settings);
        mDialogs = ScriptedDialogs();
        mWindow.reset(
            new frmsetup(ParseCommandLine({"/file:" + file}), {mDialogs, mFiles, mLauncher}));
        ASSERT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    }
    template <typename T = QWidget>
    T* Find(const QString& name) const {
        T* found = mWindow->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << qPrintable(name);
        return found;
    }
    QString Text(const QString& name) const { return Find(name)->property("text").toString(); }
    // The box of the control `name` in the client area.
    QRect Box(const QString& name) const {
        const QWidget* control = Find(name);
        return QRect(control->mapTo(mWindow->centralWidget(), QPoint()), control->size());
    }
    void ShowGroup(int index) {
        Find<QTabBar>("Categories")->setCurrentIndex(index);
        QApplication::processEvents();
    }
    // Acts as a user would, each action of `actions`, by ';', in turn: "<name>=<text>" typed over
    // the text of the control `name` (of the field `at` without a name), "click" the box `at`,
    // "pick:<entry>" in it, "browse:<path>" by its "..." button or "F4:<path>" by the key, the path
    // picked in the dialog; "group:<index>" shown, "focus:<name>", "wheel" turned over `at`; a menu
    // item or button pressed by its name, or else keys pressed in `at`, the focus or the window.
    void Do(const QString& actions, QWidget* at = nullptr) {
        for (const QString& action : actions.split(';', Qt::SkipEmptyParts)) {
            const QString how = action.section(':', 0, 0), what = action.section(':', 1);
            QObject* named = mWindow->findChild<QObject*>(action);
            if (action.contains('=')) {
                QWidget* field = action.startsWith('=') ? at : Find(action.section('=', 0, 0));
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(field, Qt::Key_Backspace);
                QTest::keyClicks(field, action.section('=', 1));
            } else if (how == "browse" || how == "F4") {
                mDialogs.answers = QStringList(what);
                at->setFocus();
                if (how == "F4")
                    QTest::keyClick(at, Qt::Key_F4);
                else
                    at->findChild<QAction*>("Browse")->trigger();
            } else if (how == "click" || how == "pick") {
                how == "click" ? qobject_cast<QCheckBox*>(at)->click()
                               : qobject_cast<QComboBox*>(at)->setCurrentText(what);
            } else if (how == "group" || how == "focus") {
                how == "group" ? ShowGroup(what.toInt()) : Find(what)->setFocus();
            } else if (action == "wheel") {
                QWheelEvent turn(QPointF(5, 5), at->mapToGlobal(QPointF(5, 5)), QPoint(),
                                 QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                 false);
                QApplication::sendEvent(at, &turn);
            } else if (named) {
                EXPECT_TRUE(QMetaObject::invokeMethod(
                    named, qobject_cast<QAction*>(named) ? "trigger" : "click"))
                    << qPrintable(action);
            } else {
                QWidget* focus = at ? at : QApplication::focusWidget();
                QTest::keySequence(focus ? focus : mWindow.get(), QKeySequence(action));
            }
        }
    }

    BusyFolders mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

// The window opens as it was last closed on the same configuration: its size and its group. When
// the tabs do not fit, a list of every group beside them (Ctrl+G) goes to any of them.
TEST_F(WindowTest, RemembersItsLookAndListsTheGroupsThatDoNotFit) {
    QByteArray groups;
    for (int n = 0; n < 12; ++n)
        groups += "<group><name>Group number " + QByteArray::number(n) + "</name>" +
                  Item("Value", "V" + QString::number(n)) + "</group>";
    Open(groups);
    EXPECT_TRUE(Find("GroupList")->isVisible());
    Do("Ctrl+G");
    auto* menu = Find<QMenu>("GroupListMenu");
    EXPECT_TRUE(menu->isVisible());
    menu->actions().at(9)->trigger();
    menu->close();
    EXPECT_EQ(Find<QTabBar>("Categories")->currentIndex(), 9);
    mWindow->resize(mWindow->width() + 300, mWindow->height() + 40);
    const QSize size = mWindow->size();
    mWindow->close();

    Open(groups);
    EXPECT_EQ(Find<QTabBar>("Categories")->currentIndex(), 9);
    EXPECT_EQ(mWindow->size(), size);
    Open(Item("Value", "V").prepend("<group><name>Other</name>").append("</group>"));
    EXPECT_EQ(Find<QTabBar>("Categories")->currentIndex(), 0);
    EXPECT_FALSE(Find<QWidget>("GroupList")->isVisible());
}

// F1 opens the guide, which explains the two marks; Help > Keyboard Shortcuts lists every key of
// the window's menus.
TEST_F(WindowTest, HelpExplainsTheMarksAndListsEveryKey) {
    Open("<group><name>G</name>" + Item("Value", "V") + "</group>");
    Do("F1");
    auto* guide = Find<QTextBrowser>("GuideText");
    EXPECT_TRUE(guide->isVisible());
    for (const char* mark : {"A bold label: the value was edited since",
                             "An italic label: the value is not the setting's default"})
        EXPECT_TRUE(guide->toPlainText().contains(mark)) << mark;
    Do("indShortcuts");
    const QString keys = Find<QTextBrowser>("ShortcutsText")->toPlainText();
    for (const QAction* action : mWindow->findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts())
            EXPECT_TRUE(keys.contains(key.toString())) << qPrintable(key.toString());
    }
}

// Qt reads "[*]" in a window title as the place of its modified marker; the caption must show
// this name as it is.
const char kSettings[] = "s[*].xml";
const char kLogDir[] = "/var/log/a/folder/too/deep/for/its/box";

// How the window is left: open or closed, its caption after the title, eDBHOST=eDBPORT, and which
// of the files received the edit.
const char kEdited[] = "open [s[*].xml]* db1=15432 saved:";
const char kSavedAndClosed[] = "closed [s[*].xml] db1=15432 saved:s[*].xml";
const char kExternal[] =
    R"~(<xml><variable id="$(DBHOST)">ext</variable><variable id="$(DBPORT)">5</variable><x/></xml>)~";

// Each way through the window: "1" is typed at the start of eDBPORT, maybe the settings file is
// changed on disk, a control is pressed and the question answered.
TEST_F(WindowTest, EveryWayThroughEndsAsAnswered) {
    const struct {
        const char *press, *asked, *answer, *shown;  // a part of the question, and of the message
        const char *outcome, *disk = nullptr;        // disk: written over the settings
    } cases[] = {
        {"Cancel", "s[*].xml speichern", "Cancel", "", kEdited},
        {"indExit", "speichern", "No", "", "closed [s[*].xml]* db1=15432 saved:"},
        {"Cancel", "speichern", "Yes", "gespeichert", kSavedAndClosed},
        {"Ok", "", "", "", kSavedAndClosed},
        // Regression: Open threw the edits away without asking.
        {"IndOpen", "speichern", "Cancel", "", kEdited},
        // Regression: a save overwrote what another program had changed since the file was loaded.
        {"IndSave", "s[*].xml was changed", "Cancel", "", kEdited, kExternal},
    };
    const auto parts = [](const char* text) {
        return QString(text).split('|', Qt::SkipEmptyParts);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.press << ": " << c.answer);
        mFiles.SetFile("app.in", "host=$(DBHOST) port=$(DBPORT)");
        mFiles.SetFile("app.out", "");
        Open(R"~(<group><name>Database</name>
            <item><name>Host</name><varname>$(DBHOST)</varname></item>
            <item><name>Port</name><varname>$(DBPORT)</varname></item></group>
          <group><name>Paths</name><item><name>Folder of every service's log files</name>
            <varname>LOGDIR</varname></item><item><name>Temp</name><varname>TMP</varname></item>
          </group><files><file><input>app.in</input><output>app.out</output></file></files>)~",
             QString(R"~(<xml><variable id="$(DBHOST)">db1</variable>
            <variable id="$(DBPORT)">5432</variable><variable id="LOGDIR">%1</variable></xml>)~")
                 .arg(kLogDir)
                 .toUtf8(),
             kSettings);
        QTest::keyClicks(Find("eDBPORT"), "1");
        if (c.disk)
            mFiles.SetFile(kSettings, c.disk);
        mDialogs.answers = parts(c.answer);
        Do(c.press);
        EXPECT_THAT(mDialogs.questions, HoldTextsInTurn(parts(c.asked)));
        EXPECT_THAT(mDialogs.messages, HoldTextsInTurn(parts(c.shown)));
        // LOGDIR's group is shown only now, which is no edit; every file saved holds its value.
        ShowGroup(1);
        EXPECT_EQ(Text("eLOGDIR"), QString(kLogDir));
        const QString saved = mFiles.FileContents(kSettings);
        const bool savedTo = saved.contains(">15432<") && saved.contains(kLogDir);
        EXPECT_EQ(QString("%1 %2 %3=%4 saved:%5")
                      .arg(mWindow->isVisible() ? "open" : "closed",
                           mWindow->windowHandle()->title().section(" - ", 1), Text("eDBHOST"),
                           Text("eDBPORT"), savedTo ? kSettings : ""),
                  c.outcome);
        EXPECT_EQ(Bytes{mFiles.FileContents("app.out")},
                  Bytes{savedTo ? "host=db1 port=15432" : ""});
        // What another program wrote stays, apart from the values saved over it.
        EXPECT_EQ(saved.contains("<x/>"), c.disk == kExternal);
    }
}

// Another program is saving in the settings file's folder: every way to save waits for it from
// the window's event loop, the press handled at once, opening no other file meanwhile, and after
// a while shows the wait, naming the folder, for as long as it takes. Stopped, the save writes
// nothing, starts no command and shows no error; the window keeps its edits and its "*". Once the
// other save ends, the save goes on, and so does what it was for.
using FrmsetupLockTest = WindowTest;

TEST_F(FrmsetupLockTest, WaitsForAnotherProgramsSaveFromItsEventLoop) {
    const struct {
        const char *press, *answer;  // answer: to the question before closing
        bool released;               // the other save ends while the window waits
        const char* after;           // how the window is left
    } ways[] = {
        {"IndSave", "", false, "open Configuration Editor - [cfg/settings.xml]* 15432"},
        {"indExit", "Yes", false, "open Configuration Editor - [cfg/settings.xml]* 15432"},
        {"Ok", "", true, "closed Configuration Editor - [cfg/settings.xml] 15432"},
        {"indExit", "Yes", true, "closed Configuration Editor - [cfg/settings.xml] 15432"},
    };
    mFiles.SetFile("app.in", "port=$(DBPORT)");
    for (const auto& way : ways) {
        SCOPED_TRACE(testing::Message() << way.press << (way.released ? ", released" : ""));
        mFiles.busy = mFiles.released = false;
        Open(
            "<command id='before'>prepare</command><group><name>Database</name>" +
                Item("Port", "DBPORT") +
                "</group><files><file><input>app.in</input><output>app.out</output></file></files>",
            "<xml><variable id='$(DBPORT)'>5432</variable></xml>", "cfg/settings.xml");
        mFiles.busy = true;
        mFiles.tries = 0;
        const qsizetype started = mLauncher.commandLines().size();
        mFiles.SetFile("app.out", "");
        const int written = mFiles.WriteCount("cfg/settings.xml");
        mDialogs.cancelWaits = !way.released;
        mDialogs.answers << way.answer;
        QTest::keyClicks(Find("eDBPORT"), "1");
        Do(way.press);
        // The press is over while the save waits, and no other file is opened meanwhile.
        const qsizetype asked = mDialogs.questions.size();
        Do("IndOpen;IndSaveAs");
        EXPECT_EQ(mDialogs.questions.size(), asked);
        EXPECT_EQ(mFiles.tries, 1);
        EXPECT_EQ(mFiles.WriteCount("cfg/settings.xml"), written);
        EXPECT_TRUE(mWindow->isVisible());
        // The wait is told once it lasts, and then stopped or ended by the other save.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !mDialogs.waits.isEmpty(); }, 60000));
        EXPECT_EQ(mDialogs.waits.join('|'), "Waiting for cfg: another program is saving there...");
        mFiles.released = way.released;
        ASSERT_TRUE(QTest::qWaitFor([&] { return mDialogs.waitsOpen == 0; }, 60000));
        QApplication::processEvents();
        EXPECT_GT(mFiles.tries, 1);
        EXPECT_EQ(mDialogs.messages.join('|'),
                  way.released && way.answer[0] ? "Erfolgreich gespeichert" : "");
        EXPECT_EQ(mFiles.WriteCount("cfg/settings.xml") - written, way.released ? 1 : 0);
        EXPECT_EQ(mFiles.FileContents("cfg/settings.xml").contains(">15432<"), way.released);
        EXPECT_EQ(Bytes{mFiles.FileContents("app.out")}, Bytes{way.released ? "port=15432" : ""});
        EXPECT_EQ(mLauncher.commandLines().size() - started, way.released ? 1 : 0);
        EXPECT_EQ(
            QString("%1 %2 %3")
                .arg(mWindow->isVisible() ? "open" : "closed", mWindow->Caption(), Text("eDBPORT")),
            way.after);
    }
}

// A command that a save waits for leaves the window answering: its events, a click on the wait's
// Cancel too, are handled while the command runs.
TEST_F(WindowTest, AnswersWhileASaveWaitsForACommand) {
    Open("<command id='before' wait='true'>prepare</command><group><name>G</name>" +
         Item("Port", "PORT") + "</group>");
    QTest::keyClicks(Find("ePORT"), "1");
    QString seen = "nothing";
    QTimer::singleShot(0, mWindow.get(), [&] {
        seen = QString("%1 started, %2 written")
                   .arg(mLauncher.commandLines().size())
                   .arg(mFiles.WriteCount("s.xml"));
    });
    Do("IndSave");
    EXPECT_EQ(seen, "1 started, 0 written");
    EXPECT_EQ(mFiles.WriteCount("s.xml"), 1);
}

// Three groups; "db" is in two ids and two helps, on three pages, the last below the window's
// edge, and only Host has a default.
class EditorWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        QByteArray many;
        for (int n = 0; n < 40; ++n)
            many += Item(QString("Setting number %1").arg(n), QString("S%1").arg(n), "text",
                         n == 39 ? "<help>the db cache</help>" : "");
        Open("<group><name>Database</name>" +
                 Item("Host", "DBHOST", "text", "<default>localhost</default>") +
                 Item("Port", "DBPORT") + "</group><group><name>Paths</name>" +
                 Item("Logs", "LOGDIR", "text", "<help>where the DB logs</help>") +
                 "</group><group><name>Many</name>" + many + "</group>",
             "<xml><variable id='$(DBHOST)'>db1</variable><variable id='$(DBPORT)'>5432"
             "</variable></xml>");
    }
};

// The search box's filters leave out, on every page, those not built yet too, the fields that do
// not match, are not edited or are at their default, and the tabs of the groups they leave empty;
// the rows shown close up. Escape shows everything again.
TEST_F(EditorWindowTest, FiltersShowOnlyTheFieldsThatMatchAreEditedOrNotDefault) {
    const QString settings1x = "eS1 eS10 eS11 eS12 eS13 eS14 eS15 eS16 eS17 eS18 eS19";
    QStringList everySetting;
    for (int n = 0; n < 40; ++n)
        everySetting << QString("eS%1").arg(n);
    // Each step's actions for Do().
    const struct {
        const char *what, *actions;
        QString shown;  // the tabs shown | the fields shown on the page shown
    } steps[] = {
        {"finding, no filter", "Ctrl+F;FindText=db", "Database Paths Many | eDBHOST eDBPORT"},
        {"only matches", "Ctrl+Shift+F", "Database Paths Many | eDBHOST eDBPORT"},
        {"a page built while filtering", "group:2", "Database Paths Many | eS39"},
        {"groups that keep none", "FindText=db c", "Many | eS39"},
        {"rows far apart", "FindText=Setting number 1", "Many | " + settings1x},
        {"and only edited: none", "Ctrl+Shift+M", "|"},
        {"only not default, without a text: the page shown keeps none",
         "Ctrl+Shift+M;Ctrl+Shift+D;FindText=", "Database | eDBHOST eDBPORT"},
        {"Escape: every field", "Escape", "Database Paths Many | eDBHOST eDBPORT"},
        {"a page filtered before shows every row again", "group:2",
         "Database Paths Many | " + everySetting.join(' ')},
        {"edited since the save", "group:1;eLOGDIR=/x;Ctrl+Shift+M", "Paths | eLOGDIR"},
        {"not default, and Ctrl+Tab passes the tabs left out", "Ctrl+Shift+M;Ctrl+Shift+D;Ctrl+Tab",
         "Database Paths | eDBHOST eDBPORT"},
    };
    auto* tabs = Find<QTabBar>("Categories");
    for (const auto& step : steps) {
        Do(step.actions);
        QStringList shown;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            if (tabs->isTabVisible(tab))
                shown << tabs->tabText(tab);
        }
        shown << "|";
        for (QWidget* field : Find<QScrollArea>("Pages")->widget()->findChildren<QWidget*>(
                 QRegularExpression("^e"))) {
            if (field->isVisible())
                shown << field->objectName();
        }
        EXPECT_EQ(shown.join(' '), step.shown) << "after " << step.what;
        if (step.shown.endsWith(settings1x)) {
            QApplication::processEvents();
            EXPECT_EQ(Find("eS10")->y() - Find("eS1")->y(),
                      Px(Layout::RowTop(1)) - Px(Layout::RowTop(0)));
        }
    }
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "eDBHOST");
    EXPECT_FALSE(Find<QAction>("indOnlyMatches")->isChecked());
}

// A field that gets the focus, whichever way, is scrolled into view on a page longer than the
// window.
TEST_F(EditorWindowTest, ScrollsTheFocusedFieldIntoView) {
    ShowGroup(2);
    const auto inView = [&](const char* name) {
        const QWidget* view = Find<QScrollArea>("Pages")->viewport();
        return view->rect().contains(QRect(Find(name)->mapTo(view, QPoint()), Find(name)->size()));
    };
    ASSERT_FALSE(inView("eS39"));
    for (const char* name : {"eS39", "eS0", "eS25"}) {
        Find(name)->setFocus(Qt::MouseFocusReason);
        EXPECT_TRUE(inView(name)) << name;
    }
}

using FieldPagesTest = WindowTest;

// Labels that fit the room left of the designed field column: every control is where it was
// designed, but the fields reach to the page's right margin; a larger window gives the fields its
// width and keeps the buttons at their distance from the bottom right corner.
TEST_F(FieldPagesTest, PlacesEveryControlAsDesignedAndStretchesTheFields) {
    Open("<group><name>Server</name>" + Item("Host", "HOST") + Item("Secret", "KEY", "password") +
         Item("Debug", "DEBUG", "boolean") + Item("Log file", "LOG", "file") + "</group>");
    const QStringList names = {"HOST", "KEY", "DEBUG", "LOG"};
    const struct { int wider, taller; } sizes[] = {{0, 0}, {538, 316}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.wider << " x " << size.taller << " px larger");
        const QSize client = Layout::ClientSize() + QSize(size.wider, size.taller);
        mWindow->resize(mWindow->size() - mWindow->centralWidget()->size() + client);
        QApplication::processEvents();
        ASSERT_EQ(mWindow->centralWidget()->size(), client);
        EXPECT_EQ(Box("Categories"),
                  QRect(0, Px(Layout::kTabsTop), client.width(), Px(Layout::kTabsHeight)));
        for (int row = 0; row < names.size(); ++row) {
            SCOPED_TRACE(qPrintable(names[row]));
            const int top = Px(Layout::RowTop(row));
            EXPECT_EQ(Box("lbl" + names[row]).topLeft(), QPoint(Px(Layout::kLabelLeft), top));
            EXPECT_EQ(Box('e' + names[row]),
                      QRect(QPoint(Px(Layout::kFieldLeft), top),
                            QPoint(client.width() - Px(Layout::kPageMargin) - 1,
                                   top + Px(Layout::kRowHeight) - 1)));
        }
        const auto button = [&](int left) {
            return QRect(Px(left) + size.wider, Px(Layout::kButtonsTop) + size.taller,
                         Px(Layout::kButtonWidth), Px(Layout::kButtonHeight));
        };
        EXPECT_EQ(Box("Ok"), button(Layout::kOkLeft));
        EXPECT_EQ(Box("Cancel"), button(Layout::kCancelLeft));
    }
}

// Every page has the same label column, wide enough for the widest label of the configuration in
// bold, wherever that label is, and in every script: switching pages or editing a field, which
// makes its label bold, moves no field and cuts no label. A label longer than the window makes
// the window's smallest width larger, so that the fields keep their designed width.
TEST_F(FieldPagesTest, EveryPageSharesOneLabelColumnThatFitsEveryLabelInBold) {
    const struct {
        const char* what;
        QStringList labels;  // on the second page; the first has "Host" and "Port"
        bool fit;            // every label fits left of the designed field column
    } cases[] = {
        {"labels that fit", {"Path", "Temp"}, true},
        {"kerning pairs", {"AVAVAVAVAVAV To To Wa Wa", "Temp"}, false},
        {"accents, combining marks and other scripts",
         {"Größe der Übergänge Cafe\u0301 de\u0301ja\u0300",
          "Logs \u2013 \u65E5\u672C\u8A9E\u306E\u30E9\u30D9\u30EB \u0391\u03B8\u03AE\u03BD\u03B1"},
         false},
        {"a label longer than the window", {QString(90, u'W'), "Temp"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open("<group><name>Database</name>" + Item("Host", "HOST") + Item("Port", "PORT") +
             "</group><group><name>Paths</name>" + Item(c.labels[0], "P0") +
             Item(c.labels[1], "P1") + "</group>");
        mWindow->resize(mWindow->minimumSize());
        QApplication::processEvents();
        const int fieldLeft = Box("eHOST").left();
        EXPECT_GE(fieldLeft, Px(Layout::kFieldLeft));
        EXPECT_EQ(fieldLeft == Px(Layout::kFieldLeft), c.fit) << "fields start at " << fieldLeft;
        ShowGroup(1);
        for (const QString name : {"P0", "P1"}) {
            SCOPED_TRACE(qPrintable(name));
            auto* field = Find<QLineEdit>('e' + name);
            ASSERT_NE(field, nullptr);
            field->setText("edited");
            auto* label = Find<QLabel>("lbl" + name);
            ASSERT_TRUE(label->font().bold());
            EXPECT_LE(label->x() + label->sizeHint().width(), field->x());
            EXPECT_EQ(Box(field->objectName()).left(), fieldLeft);
            EXPECT_GE(field->width(), Px(Layout::kFieldWidth));
            EXPECT_LE(Box(field->objectName()).right(),
                      mWindow->centralWidget()->width() - Px(Layout::kPageMargin));
        }
    }
}

// A tab is marked while a value on its page breaks its rules, from the start and for a page not
// built yet, and unmarked once the last is put right; its text stays the group's name.
TEST_F(FieldPagesTest, MarksTheTabsOfPagesWithValuesThatDoNotFit) {
    // Each tab as "<text>[!<tooltip>]", ! while it shows its mark.
    const auto marks = [&] {
        auto* tabs = Find<QTabBar>("Categories");
        QStringList shown;
        for (int tab = 0; tab < tabs->count(); ++tab)
            shown << tabs->tabText(tab) + (tabs->tabIcon(tab).isNull() ? "" : "!") +
                         tabs->tabToolTip(tab).remove(" on this page are not valid.");
        return shown.join(" | ");
    };
    Open("<group><name>One</name>" + Item("A", "A", "number", "<max>9</max>") +
             "</group><group><name>Two</name>" + Item("B", "B", "number", "<max>9</max>") +
             Item("C", "C", "number", "<max>9</max>") + "</group>",
         "<xml><variable id='$(C)'>x</variable></xml>");  // before its page is built
    EXPECT_EQ(marks(), "One | Two!1 value(s)");
    EXPECT_EQ(mWindow->findChild<QWidget*>("eC"), nullptr);
    const struct {
        const char *actions, *marks;
    } steps[] = {
        // actions: Do()'s
        {"group:0;eA=10", "One!1 value(s) | Two!1 value(s)"},
        {"group:1;eB=10", "One!1 value(s) | Two!2 value(s)"},
        {"group:0;eA=", "One | Two!2 value(s)"},
        {"group:1;eC=1", "One | Two!1 value(s)"},
    };
    for (const auto& step : steps) {
        Do(step.actions);
        EXPECT_EQ(marks(), step.marks) << step.actions;
    }
}

// An item of every kind, over two groups, and a command that runs before each save.
QByteArray TypedItems() {
    return "<command id='before'>prepare</command><group><name>Server</name>" +
           Item("Name", "NAME", "text", "<pattern>[a-z]+</pattern>") +
           Item("Port", "PORT", "number",
                "<min>1</min><max>65535</max><help>The TCP port the server listens on</help>") +
           Item("Secret", "SECRET", "password",
                "<pattern>\\S+</pattern><help>Key of the admin account</help>") +
           Item("Debug", "DEBUG", "boolean", "<on>yes</on><off>no</off>") +
           Item("Mode", "MODE", "choice", "<option>fast</option><option>safe</option>") +
           "</group><group><name>Paths</name>" + Item("Log file", "LOG", "file") +
           Item("Data", "DATA", "folder", "<required>true</required><default>/srv</default>") +
           "</group><files><file><input>app.in</input><output>app.out</output></file></files>";
}
const char* const kIds[] = {"NAME", "PORT", "SECRET", "DEBUG", "MODE", "LOG", "DATA"};
// A value of each item that fits its rules, in the order of kIds.
const char* const kValues[] = {"web",  "8080", "hunter2", "yes", "safe", "/var/log/app.log",
                               "/data"};

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

// The window on the items of every kind, TypedItems(), edited as a user would.
class TypedFieldsTest : public WindowTest {
  protected:
    void SetUp() override { mFiles.SetFile("app.in", "port=$(PORT)"); }
    void OpenTyped(const QByteArray& settings) { Open(TypedItems(), settings); }
    // The value control of the variable `bare`, made by showing its group.
    QWidget* Field(const QString& bare) {
        ShowGroup(bare == "LOG" || bare == "DATA" ? 1 : 0);
        return Find('e' + bare);
    }
    QString StatusLine() const {
        auto* status = mWindow->findChild<QStatusBar*>();
        return status ? status->currentMessage() : "(no status bar)";
    }
    QString Saved() const { return mFiles.FileContents("s.xml"); }
};

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
        OpenTyped(SettingsWith());
        QWidget* port = Field("PORT");
        port->setFocus();
        QTest::keyClicks(port, "9");  // at the start, where a loaded value is shown
        const QString notDefault = "\nItalic label: not the default value.";
        EXPECT_EQ(Shown(port) + '|' + port->toolTip() + '|' + StatusLine(),
                  "NumberBox 98080 invalid|This value must be at most 65535.\n" + help +
                      "\nBold label: edited since the file was loaded or saved." + notDefault +
                      "|Port: must be at most 65535");
        QTest::keyClick(port, Qt::Key_Backspace);
        EXPECT_EQ(Shown(port) + '|' + port->toolTip() + '|' + StatusLine(),
                  "NumberBox 8080|" + help + notDefault + '|' + help);
        QTest::keyClicks(port, "9");
        Do("eNAME=1");
        mDialogs.answers = QStringList(c.answer);
        Do(c.press);
        EXPECT_EQ(mDialogs.messages.join('|'),
                  "Nothing was saved. These values are not valid:\n\n"
                  "s.xml: Name ($(NAME)): does not match the pattern \"[a-z]+\"\n"
                  "s.xml: Port ($(PORT)): must be at most 65535");
        EXPECT_EQ(mDialogs.questions.join('|'), c.questions);
        EXPECT_TRUE(mWindow->isVisible());
        EXPECT_EQ(mWindow->focusWidget(), Find("eNAME"));
        EXPECT_EQ(mFiles.WriteCount("s.xml"), 0);
        EXPECT_FALSE(mFiles.HasFile("new.xml") || mFiles.HasFile("app.out"));
        EXPECT_EQ(mLauncher.commandLines(), QStringList());
    }
}

// Open refuses the configuration's own files, and says which values it keeps from the file before
// (as edits; that Reset All to Saved drops them is the session's rule); Show Changes previews
// whatever the values are, with the values at fault on top and its Save disabled, and a table of
// the edits; a save says in the status line what it did.
TEST_F(TypedFieldsTest, OpenShowChangesAndSaveSayWhatTheyDo) {
    OpenTyped(SettingsWith());
    mFiles.SetFile("other.xml", "<xml><variable id=\"$(NAME)\">api</variable></xml>");
    const auto open = [&](const QString& file) {
        mDialogs.messages.clear();
        mDialogs.answers = QStringList(file);
        Do("IndOpen");
        return mDialogs.messages.join('|') + " [" + mWindow->Caption() + "]";
    };
    EXPECT_EQ(open("config.xml"),
              "config.xml is the configuration config.xml, not a settings "
              "file: it is not opened, and no settings are saved into it. "
              "[Configuration Editor - [s.xml]]");
    EXPECT_EQ(open("other.xml"),
              "5 value(s) were kept from s.xml: Port, Secret, Debug, Mode, Log "
              "file\n\nother.xml does not list them. They count as edits: a "
              "save stores them, and Edit > Reset All to Saved drops them. "
              "[Configuration Editor - [other.xml]*]");

    Do("=1;Ctrl+D", Field("NAME"));
    auto* view = mWindow->findChild<QDialog*>("ChangesView");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->findChild<QLabel*>("ChangesInvalid")->text().section('\n', 1),
              "other.xml: Name ($(NAME)): does not match the pattern \"[a-z]+\"");
    EXPECT_FALSE(view->findChild<QPushButton*>("ChangesSave")->isEnabled());
    auto* table = view->findChild<QTableWidget*>("ChangedValues");
    QStringList rows;
    for (int row = 0; row < 3; ++row)
        rows << table->item(row, 0)->text() + ' ' + table->item(row, 1)->text() + ": " +
                    table->item(row, 2)->text();
    EXPECT_EQ(rows.join(" | "),
              "Server Name: api \u2192 1 | Server Port:  \u2192 8080 | "
              "Server Secret: ******** \u2192 ********");
    EXPECT_EQ(view->findChild<QLabel*>("ChangedFiles")->text(),
              "Saving would change these files:\n  other.xml\n  app.out");
    view->reject();

    Do("=abc;IndSave", Field("NAME"));
    EXPECT_EQ(Text("SavedNote"), "Saved other.xml; 1 file(s) exported");
}

// Never in a tooltip, a text for screen readers, the status line or a message, even when it is
// too long for its box or breaks its rules.
TEST_F(TypedFieldsTest, APasswordShowsItsValueOnlyWhenAskedTo) {
    const QString secret = "correct horse battery staple and more";
    OpenTyped(SettingsWith("SECRET", secret));
    auto* field = qobject_cast<QLineEdit*>(Field("SECRET"));
    ASSERT_NE(field, nullptr);
    field->setFocus();
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
    EXPECT_EQ(
        everythingShown(),
        QString(secret.size(), field->displayText().front()) + '|' + tip +
            "\nItalic label: not the default value.|Secret|Invalid.\n" + tip +
            "\nCtrl+Shift+H shows or hides the password.\n$(SECRET)\nNot the default value.|" +
            QString(secret.size(), '*') + "|Secret: " + problem);
    // Shown by the key, hidden by the context menu.
    QTest::keySequence(field, QKeySequence("Ctrl+Shift+H"));
    EXPECT_EQ(field->displayText(), secret);
    EXPECT_FALSE(field->toolTip().contains("horse"));
    emit field->customContextMenuRequested(QPoint(2, 2));
    std::unique_ptr<QMenu> menu(field->findChild<QMenu*>("FieldMenu"));
    QAction* hide = menu->findChild<QAction*>("TogglePassword");
    ASSERT_NE(hide, nullptr);
    // Regression: the line's own Undo and Redo stood beside the window's, which know every change.
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << action->text().section('\t', 0, 0);
    EXPECT_EQ(entries.filter("Undo").size(), 1) << qPrintable(entries.join('|'));
    EXPECT_EQ(hide->text(), "Hide Password");
    hide->trigger();
    EXPECT_FALSE(everythingShown().contains("horse")) << qPrintable(everythingShown());
}

// A number steps by one within its bounds, from a value of any size, and refuses a letter
// typed. A value loaded out of range or no number stays exactly as loaded, marked, until the user
// changes it; one that fits is saved as loaded, never rewritten as the number it stands for.
TEST_F(TypedFieldsTest, NumbersStepWithinTheirBoundsAndKeepTheirText) {
    const struct {
        const char *id, *loaded,
            *keys;          // Do()'s actions in the box, which has the focus
        const char* shown;  // with " invalid" when marked
    } cases[] = {
        {"PORT", "65535", "Up", "65535"},
        {"PORT", "70000", "", "70000 invalid"},
        {"PORT", "70000", "Down", "65535"},
        {"PORT", "8080", "X", "8080"},
        {"PORT", "abc", "X", "xabc invalid"},
        {"PORT", "abc", "Up", "1"},
        {"PORT", "+08080", "", "+08080"},
        {"PORT", "8080", "wheel", "8081"},
        {"PORT", "8080", "focus:eSIZE;wheel", "8080"},
        {"SIZE", "4294967296", "Up", "4294967297"},
        {"SIZE", "99999999999999999999", "", "99999999999999999999 invalid"},
        {"SIZE", "-99999999999999999999", "Up", "-5000000000"},
    };
    const QByteArray items =
        Item("Port", "PORT", "number", "<min>1</min><max>65535</max>") +
        Item("Size", "SIZE", "number", "<min>-5000000000</min><max>5000000000</max>");
    const QString settings =
        "<xml><variable id='$(%1)'>%2</variable><variable id='$(%3)'>1</variable></xml>";
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1=%2 %3").arg(c.id, c.loaded, c.keys).toStdString());
        const char* other = QString(c.id) == "PORT" ? "SIZE" : "PORT";
        Open("<group><name>N</name>" + items + "</group>",
             settings.arg(c.id, c.loaded, other).toUtf8());
        QWidget* box = Find(QString("e") + c.id);
        box->setFocus();
        Do(c.keys, box);
        EXPECT_EQ(Shown(box), QString("NumberBox ") + c.shown);
        if (!QString(c.shown).endsWith("invalid")) {
            Do("Ok");
            EXPECT_TRUE(Saved().contains(QString(">%1<").arg(c.shown))) << qPrintable(Saved());
        }
    }
}

// Each kind gets its control, which shows the loaded value as it is, and marks it when it breaks
// its rules. A screen reader hears each field by its label, whatever its kind, reads its value
// (never a password's), follows the label's relation to it, and hears the states Qt has no flag
// for and the reason in the description. A required item's label is followed by "(required)"
// from the start.
TEST_F(TypedFieldsTest, EveryFieldIsNamedByItsLabelAndSaysItsState) {
    OpenTyped(SettingsWith("MODE", "turbo").replace(">yes<", ">maybe<").replace(">/data<", "><"));
    const struct {
        const char *id, *name;
        QAccessible::Role role;
        const char *value, *description;  // description: its first lines
    } cases[] = {
        {"NAME", "Name", QAccessible::EditableText, "web", "$(NAME)"},
        {"PORT", "Port", QAccessible::SpinBox, "8080", "The TCP port the server listens on"},
        {"SECRET", "Secret", QAccessible::EditableText, "", "Key of the admin account"},
        {"DEBUG", "Debug", QAccessible::CheckBox, "",
         "Invalid.\nThis value must be \"yes\" or \"no\"."},
        {"MODE", "Mode", QAccessible::ComboBox, "turbo",
         "Invalid.\nThis value is not one of \"fast\", \"safe\"."},
        {"LOG", "Log file", QAccessible::EditableText, "/var/log/app.log", "$(LOG)"},
        {"DATA", "Data", QAccessible::EditableText, "", "Required.\nInvalid."},
    };
    QStringList shown;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        QWidget* field = Field(c.id);
        shown << Shown(field);
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
        EXPECT_EQ(mWindow->findChild<QLabel*>(QString("lbl%1Required").arg(c.id)) != nullptr,
                  QString(c.id) == "DATA");
    }
    EXPECT_EQ(shown.join(", "),
              "QLineEdit web, NumberBox 8080, QLineEdit hunter2 masked, "
              "QCheckBox partly Neither on nor off: maybe invalid, ChoiceBox turbo of fast safe "
              "turbo invalid, QLineEdit /var/log/app.log, QLineEdit  invalid");
    // A click puts a box that was neither on nor off right.
    Do("click", Field("DEBUG"));
    EXPECT_EQ(Shown(Find("eDEBUG")), "QCheckBox on");
}

// An item whose depends are not met is read-only, its label greyed, and says under it what
// enables it, wrapped, the field as wide as designed; Tab still reaches it. Its value is not
// checked or marked (that a save keeps it is the session's rule). Checking the box it depends on
// brings it and its checks back, at once.
TEST_F(TypedFieldsTest, ADependentFieldFollowsTheValueItDependsOn) {
    Open(
        "<group><name>Server</name>" +
            Item("Enable HTTPS on every address", "HTTPS", "boolean", "<on>on</on><off>off</off>") +
            Item(
                "Certificate", "CERT", "file",
                "<depends>$(HTTPS)</depends><required>true</required><pattern>.*\\.pem</pattern>") +
            Item("Port", "PORT") + "</group>",
        "<xml><variable id='$(HTTPS)'>off</variable><variable id='$(CERT)'>c.txt</variable></xml>");
    const auto state = [&] {
        auto* cert = Find<QLineEdit>("eCERT");
        QLabel* note = Find<QLabel>("lblCERTDisabled");
        return QString("%1 %2 %3 %4|%5|%6")
            .arg(cert->isReadOnly() ? "read-only" : "editable",
                 Find("lblCERT")->isEnabled() ? "enabled" : "greyed",
                 Find("lblCERTRequired")->isVisible() ? "required" : "-", Shown(cert),
                 cert->accessibleDescription().section('\n', 0, 0),
                 note->isVisible() ? note->text() : "");
    };
    const QString greyed =
        "read-only greyed - QLineEdit c.txt|Enabled while Enable HTTPS on every address is "
        "on.|Enabled while Enable HTTPS on every address is on.";
    EXPECT_EQ(state(), greyed);
    mWindow->resize(mWindow->minimumSize());
    QApplication::processEvents();
    const QRect field = Box("eCERT"), note = Box("lblCERTDisabled");
    EXPECT_GE(field.width(), Px(Layout::kFieldWidth));
    EXPECT_EQ(note.left(), field.left());
    EXPECT_GT(note.top(), field.bottom());
    EXPECT_LE(note.right(), mWindow->centralWidget()->width() - Px(Layout::kPageMargin));
    EXPECT_GT(Box("ePORT").top(), note.bottom());
    // Reached by Tab, and not changed by a key.
    Do("focus:eHTTPS;Tab");
    EXPECT_EQ(QApplication::focusWidget(), Find("eCERT"));
    Do("X;F4:", Find("eCERT"));
    EXPECT_EQ(state(), greyed);
    EXPECT_EQ(mDialogs.questions, QStringList());
    Find<QCheckBox>("eHTTPS")->click();
    EXPECT_EQ(state(), "editable enabled required QLineEdit c.txt invalid|Required.|");
    Find<QCheckBox>("eHTTPS")->click();
    EXPECT_EQ(state(), greyed);
}

// Every change is a step of the window's one history, whatever the field's kind: Ctrl+Z, pressed
// in any field, takes back the typing in one field, a click, a pick, a path chosen, a reset, as
// one step, showing the field's page with the focus in it; Ctrl+Shift+Z makes it again, and a save
// stores it. Loading another file forgets the steps.
TEST_F(TypedFieldsTest, UndoAndRedoTakeEveryChangeAsOneStep) {
    // Each row: the variable | Do()'s actions in its field | Shown() undone |
    // redone, with " (edited)" while the label is bold and names the field so, " *" while the
    // caption has it | the value saved | the dialogs the edit opened.
    const char* const rows[] = {
        "NAME|=abc|QLineEdit web|QLineEdit abc (edited) *|abc|",
        "PORT|=99|NumberBox 8080|NumberBox 99 (edited) *|99|",
        "SECRET|=pw|QLineEdit hunter2 masked|QLineEdit pw masked (edited) *|pw|",
        "DEBUG|click|QCheckBox on|QCheckBox off (edited) *|no|",
        "MODE|pick:fast|ChoiceBox safe of fast safe|ChoiceBox fast of fast safe (edited) *|fast|",
        "LOG|browse:/tmp/o|QLineEdit /var/log/app.log|QLineEdit /tmp/o (edited) *|/tmp/o|file",
        "DATA|F4:/opt|QLineEdit /data|QLineEdit /opt (edited) *|/opt|folder",
        "DATA|indResetToDefault|QLineEdit /data|QLineEdit /srv (edited) *|/srv|",
        "DATA|indResetAllToDefaults|QLineEdit /data|QLineEdit /srv (edited) *|/srv|",
        "NAME|=abc;Ctrl+R|QLineEdit abc (edited) *|QLineEdit web|web|",
        "NAME|=abc;indResetAllToSaved|QLineEdit abc (edited) *|QLineEdit web|web|",
    };
    for (const char* row : rows) {
        SCOPED_TRACE(row);
        const QStringList c = QString(row).split('|');
        OpenTyped(SettingsWith());
        QWidget* control = Field(c[0]);
        control->setFocus();
        Do(c[1], control);
        EXPECT_EQ(mDialogs.questions.join('|'), c[5]);
        const auto state = [&] {
            const bool bold = Find("lbl" + c[0])->font().bold();
            const bool named = QAccessible::queryAccessibleInterface(control)
                                   ->text(QAccessible::Name)
                                   .endsWith(" (edited)");
            return Shown(control) +
                   (bold && named   ? " (edited)"
                    : bold || named ? " half"
                                    : "") +
                   (mWindow->Caption().endsWith('*') ? " *" : "");
        };
        QWidget* other = Field(c[0] == "LOG" || c[0] == "DATA" ? "NAME" : "LOG");
        other->setFocus();
        QTest::keySequence(other, QKeySequence("Ctrl+Z"));
        EXPECT_EQ(state(), c[2]);
        EXPECT_EQ(QApplication::focusWidget(), control);
        // Each action is one step.
        EXPECT_EQ(Find<QAction>("indUndo")->isEnabled(), c[1].contains(';'));
        QTest::keySequence(control, QKeySequence("Ctrl+Shift+Z"));
        EXPECT_EQ(state(), c[3]);
        QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+S"));
        EXPECT_EQ(state(), Shown(control)) << "after the save";
        EXPECT_TRUE(Saved().contains(QString("\"$(%1)\">%2<").arg(c[0], c[4])))
            << qPrintable(Saved());
    }
    OpenTyped(SettingsWith());
    QTest::keyClicks(Field("NAME"), "x");
    mDialogs.answers = QStringList({"No", "s.xml"});
    Do("IndOpen");
    EXPECT_FALSE(Find<QAction>("indUndo")->isEnabled());
}

// Without its settings file, Yes starts with the defaults as an edit and the first save creates
// the file; No ends the start as a file that does not load does.
TEST_F(TypedFieldsTest, StartsWithoutItsSettingsFileWhenTheUserSaysYes) {
    mFiles.SetFile("config.xml", "<xml>" + TypedItems() + "</xml>");
    for (const QString answer : {"No", "Yes"}) {
        SCOPED_TRACE(qPrintable(answer));
        mDialogs = ScriptedDialogs();
        mDialogs.answers << answer;
        mWindow.reset(
            new frmsetup(ParseCommandLine({"/file:s.xml"}), {mDialogs, mFiles, mLauncher}));
        EXPECT_EQ(mWindow->Form_Load(), answer == "No" ? std::optional<int>(2) : std::nullopt);
        EXPECT_EQ(mDialogs.questions.join('|'),
                  "s.xml does not exist. Start with the default "
                  "values and create it on the first save?");
    }
    mWindow->show();
    EXPECT_EQ(mWindow->Caption(), "Configuration Editor - [s.xml]*");
    QStringList shown;
    for (const char* id : kIds)
        shown << Shown(Field(id));
    EXPECT_EQ(shown.join(", "),
              "QLineEdit , NumberBox , QLineEdit  masked, "
              "QCheckBox partly No value: neither on nor off, "
              "ChoiceBox  of fast safe , QLineEdit , QLineEdit /srv");
    Do("Ok");
    EXPECT_EQ(mDialogs.questions.size(), 1);  // no "removed" or "changed"
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_EQ(mLauncher.commandLines(), QStringList("prepare"));
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
    // What the window remembers goes to a folder of this run, not the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
