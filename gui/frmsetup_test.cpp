// Drives the real main window over an in-memory disk, with scripted dialogs: the ways through it,
// finding and telling edited fields, and where it places its controls.
#include "gui/frmsetup.h"

#include "gui/Layout.h"
#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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

class WindowTest : public ::testing::Test {
  protected:
    // Opens the window, at its design size and active, on the configuration `body` (inside its
    // <xml>) and the settings file `file` holding `settings`.
    void Open(const QByteArray& body, const QByteArray& settings = "<xml/>",
              const QString& file = "s.xml") {
        mFiles.SetFile("config.xml", "<xml>" + body + "</xml>");
        mFiles.SetFile(file, settings);
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

// Qt reads "[*]" in a window title as the place of its modified marker; the caption must show
// this name as it is.
const char kSettings[] = "s[*].xml";
const char kLogDir[] = "/var/log/a/folder/too/deep/for/its/box";

class FrmsetupTest : public WindowTest {
  protected:
    void SetUp() override {
        mFiles.SetFile("app.in", "host=$(DBHOST) port=$(DBPORT)");
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
    }
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
    QTest::keyClicks(Find("eDBPORT"), "1");
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
    const QString saved = mFiles.FileContents(kSettings);
    const bool savedTo = saved.contains(">15432<") && saved.contains(kLogDir);
    EXPECT_EQ(QString("%1 %2 %3=%4 saved:%5")
                  .arg(mWindow->isVisible() ? "open" : "closed",
                       mWindow->windowHandle()->title().section(" - ", 1), Text("eDBHOST"),
                       Text("eDBPORT"), savedTo ? kSettings : ""),
              c.outcome);
    EXPECT_EQ(Bytes{mFiles.FileContents("app.out")}, Bytes{savedTo ? "host=db1 port=15432" : ""});
    // What another program wrote stays, apart from the values saved over it.
    EXPECT_EQ(saved.contains("<x/>"), c.disk == kExternal);
}

// The keys walk the fields of each group in order, those of a page built later too, then the
// buttons; Enter presses the button that has the focus.
TEST_F(FrmsetupTest, TheKeysReachTheFieldsOfEachGroupInOrder) {
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
        Find("Categories")->setFocus();
        QStringList reached;
        for (const QString& key : QString(walk.keys).split(' ')) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            reached << QApplication::focusWidget()->objectName() + '@' +
                           Find("Categories")->property("currentIndex").toString();
        }
        EXPECT_EQ(reached.join(' '), walk.reached) << walk.what;
    }
    Find("eLOGDIR")->setProperty("text", "x");
    Find("Ok")->setFocus();
    QTest::keyClick(Find("Ok"), Qt::Key_Return);
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
        files.SetFile("cfg/config.xml", R"~(<xml><command id="before">prepare</command>
            <group><name>Database</name><item><name>Port</name><varname>$(DBPORT)</varname></item>
            </group><files><file><input>app.in</input><output>app.out</output></file></files></xml>)~");
        files.SetFile("cfg/settings.xml", "<xml><variable id='$(DBPORT)'>5432</variable></xml>");
        files.SetFile("cfg/app.in", "port=$(DBPORT)");
        ScriptedDialogs dialogs;
        dialogs.cancelWaits = true;
        dialogs.answers << way.answer;
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine({"/conf:cfg/config.xml"}), {dialogs, files, launcher});
        ASSERT_EQ(window.Form_Load(), std::nullopt);
        window.show();
        QTest::keyClicks(window.findChild<QWidget*>("eDBPORT"), "1");
        QObject* control = window.findChild<QObject*>(way.press);
        EXPECT_TRUE(QMetaObject::invokeMethod(
            control, qobject_cast<QAction*>(control) ? "trigger" : "click"));
        EXPECT_EQ(dialogs.waits.join('|'), "Waiting for cfg: another program is saving there...");
        EXPECT_EQ(files.waitedFor, std::chrono::milliseconds::max());
        EXPECT_EQ(dialogs.messages.join('|'), "");
        EXPECT_EQ(files.WriteCount("cfg/settings.xml") + files.WriteCount("cfg/app.out"), 0);
        EXPECT_EQ(launcher.commandLines(), QStringList());
        EXPECT_EQ(QString("%1 %2 %3")
                      .arg(window.isVisible() ? "open" : "closed", window.Caption(),
                           window.findChild<QWidget*>("eDBPORT")->property("text").toString()),
                  "open Configuration Editor - [cfg/settings.xml]* 15432");
    }
}

// Three groups; "db" is in two ids and two helps, on three pages, the last below the window's
// edge, and only Host has a default.
class EditorWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        QByteArray many;
        for (int n = 0; n < 40; ++n) {
            many += Item(QString("Setting number %1").arg(n), QString("S%1").arg(n), "text",
                         n == 39 ? "<help>the db cache</help>" : "");
        }
        Open("<group><name>Database</name>" +
                 Item("Host", "DBHOST", "text", "<default>localhost</default>") +
                 Item("Port", "DBPORT") + "</group><group><name>Paths</name>" +
                 Item("Logs", "LOGDIR", "text", "<help>where the DB logs</help>") +
                 "</group><group><name>Many</name>" + many + "</group>",
             "<xml><variable id='$(DBHOST)'>db1</variable><variable id='$(DBPORT)'>5432"
             "</variable></xml>");
    }
};

TEST_F(EditorWindowTest, FindGoesThroughTheMatchesOfEveryGroupInTurn) {
    QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+F"));
    QTest::keyClicks(Find("FindText"), "db");
    EXPECT_EQ(Text("FindResult"), "4 matches");
    // Each key, then the field with the focus, the result shown and the group shown.
    const char* const steps[][2] = {
        {"Return", "eDBHOST 1 of 4 @0"}, {"F3", "eDBPORT 2 of 4 @0"},
        {"F3", "eLOGDIR 3 of 4 @1"},     {"F3", "eS39 4 of 4 @2"},
        {"F3", "eDBHOST 1 of 4 @0"},     {"Shift+F3", "eS39 4 of 4 @2"},
    };
    for (const auto& [key, reached] : steps) {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        EXPECT_EQ(QString("%1 %2 @%3")
                      .arg(QApplication::focusWidget()->objectName(), Text("FindResult"))
                      .arg(Find<QTabBar>("Categories")->currentIndex()),
                  reached)
            << "after " << key;
    }
    Find("FindText")->setFocus();
    QTest::keyClicks(Find("FindText"), "zz");
    EXPECT_EQ(Text("FindResult") + (Find("FindText")->styleSheet().isEmpty() ? "" : " marked"),
              "No match marked");
    QTest::keyClick(Find("FindText"), Qt::Key_Escape);
    EXPECT_FALSE(Find("FindBar")->isVisible());
}

// The search box's filters leave out, on every page, those not built yet too, the fields that do
// not match or are not changed, and the tabs of the groups they leave empty; the rows shown close
// up. Escape shows everything again.
TEST_F(EditorWindowTest, FiltersShowOnlyTheFieldsThatMatchOrAreChanged) {
    const QString settings1x = "eS1 eS10 eS11 eS12 eS13 eS14 eS15 eS16 eS17 eS18 eS19";
    QStringList everySetting;
    for (int n = 0; n < 40; ++n)
        everySetting << QString("eS%1").arg(n);
    // Each step's actions, by ';': "find:<text>" typed over the search text, "group:<index>"
    // shown, "logs:<text>" set in eLOGDIR, or keys pressed where the focus is.
    const struct {
        const char *what, *actions;
        QString shown;  // the tabs shown | the fields shown on the page shown
    } steps[] = {
        {"finding, no filter", "Ctrl+F;find:db", "Database Paths Many | eDBHOST eDBPORT"},
        {"only matches", "Ctrl+Shift+F", "Database Paths Many | eDBHOST eDBPORT"},
        {"a page built while filtering", "group:2", "Database Paths Many | eS39"},
        {"groups that keep none", "find:db c", "Many | eS39"},
        {"rows far apart", "find:Setting number 1", "Many | " + settings1x},
        {"and only changed: none", "Ctrl+Shift+M", "|"},
        {"only changed, without a text: not at their default; the page shown keeps none",
         "find:", "Database | eDBHOST eDBPORT"},
        {"Escape: every field", "Escape", "Database Paths Many | eDBHOST eDBPORT"},
        {"a page filtered before shows every row again", "group:2",
         "Database Paths Many | " + everySetting.join(' ')},
        {"changed since the save", "group:1;logs:/x;Ctrl+Shift+M", "Database Paths | eLOGDIR"},
        {"Ctrl+Tab passes the tabs left out", "Ctrl+Tab", "Database Paths | eDBHOST eDBPORT"},
    };
    auto* tabs = Find<QTabBar>("Categories");
    for (const auto& step : steps) {
        for (const QString& action : QString(step.actions).split(';')) {
            const QString what = action.section(':', 1);
            if (action.startsWith("find:")) {
                Find<QLineEdit>("FindText")->selectAll();
                QTest::keyClick(Find("FindText"), Qt::Key_Backspace);
                QTest::keyClicks(Find("FindText"), what);
            } else if (action.startsWith("group:")) {
                tabs->setCurrentIndex(what.toInt());
            } else if (action.startsWith("logs:")) {
                Find<QLineEdit>("eLOGDIR")->setText(what);
            } else {
                QWidget* focus = QApplication::focusWidget();
                QTest::keySequence(focus ? focus : mWindow.get(), QKeySequence(action));
            }
        }
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

// An edited field's label is bold and both are named "(changed)"; putting the value back ends
// that, and so does a save; the caption's "*" says whether any field is edited.
TEST_F(EditorWindowTest, MarksEditedFieldsAndPutsTheirValuesBack) {
    const auto menu = [&](const char* field, const char* action) {
        emit Find(field)->customContextMenuRequested(QPoint(2, 2));
        std::unique_ptr<QMenu> menu(Find(field)->findChild<QMenu*>("FieldMenu"));
        QAction* found = menu->findChild<QAction*>(action);
        return found ? found->trigger(), true : false;
    };
    // Each field as "<its accessible name>=<value>", "(bold)" after a bold label, and the "*".
    const auto state = [&] {
        QString text;
        for (const QString name : {"DBPORT", "DBHOST"}) {
            text +=
                QAccessible::queryAccessibleInterface(Find('e' + name))->text(QAccessible::Name) +
                '=' + Text('e' + name) + (Find("lbl" + name)->font().bold() ? "(bold) " : " ");
        }
        return text + (mWindow->Caption().endsWith('*') ? "*" : "");
    };
    const struct {
        const char* what;
        std::function<void()> act;
        const char* state;
    } steps[] = {
        {"typing", [&] { QTest::keyClicks(Find("eDBPORT"), "1"); },
         "Port (changed)=15432(bold) Host=db1 *"},
        {"the Edit menu's reset",
         [&] {
             emit Find<QMenu>("indEdit")->aboutToShow();
             Find<QAction>("indResetToSaved")->trigger();
         },
         "Port=5432 Host=db1 "},
        {"undo", [&] { QTest::keySequence(Find("eDBPORT"), QKeySequence::Undo); },
         "Port (changed)=15432(bold) Host=db1 *"},
        {"default, where there is one",
         [&] {
             EXPECT_TRUE(menu("eDBHOST", "ResetToDefault") && !menu("eDBPORT", "ResetToDefault"));
         },
         "Port (changed)=15432(bold) Host (changed)=localhost(bold) *"},
        {"saved value", [&] { EXPECT_TRUE(menu("eDBHOST", "ResetToSaved")); },
         "Port (changed)=15432(bold) Host=db1 *"},
        {"save", [&] { QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+S")); },
         "Port=15432 Host=db1 "},
    };
    Find("eDBPORT")->setFocus();
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(state(), step.state) << "after " << step.what;
    }
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
        // The search box opens in the room left of the buttons, which stay where they are.
        QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+F"));
        QApplication::processEvents();
        EXPECT_EQ(Box("FindBar"),
                  QRect(QPoint(Px(Layout::kLabelLeft), button(0).top()),
                        QPoint(Box("Ok").left() - Px(Layout::kLabelLeft) - 1, button(0).bottom())));
        EXPECT_EQ(Box("Ok"), button(Layout::kOkLeft));
        QTest::keyClick(Find("FindText"), Qt::Key_Escape);
        QApplication::processEvents();
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
        const char *field, *value, *marks;  // typed into the field, which shows its page
    } steps[] = {
        {"eA", "10", "One!1 value(s) | Two!1 value(s)"},
        {"eB", "10", "One!1 value(s) | Two!2 value(s)"},
        {"eA", "", "One | Two!2 value(s)"},
        {"eC", "1", "One | Two!1 value(s)"},
    };
    for (const auto& step : steps) {
        ShowGroup(QByteArray(step.field) == "eA" ? 0 : 1);
        Find(step.field)->findChild<QLineEdit*>()->setText(step.value);
        EXPECT_EQ(marks(), step.marks) << step.field << "=" << step.value;
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
