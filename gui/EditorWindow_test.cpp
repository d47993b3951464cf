// Finding fields and telling edited ones, in the real main window over an in-memory disk.
#include "gui/frmsetup.h"

#include "gui/Layout.h"
#include "gui/xAboutTrvSet.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class EditorWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QByteArray many;
        for (int n = 0; n < 40; ++n)
            many += QByteArray("<item><name>Setting number ") + QByteArray::number(n) +
                    "</name><varname>$(S" + QByteArray::number(n) + ")</varname>" +
                    (n == 39 ? "<help>the db cache</help>" : "") + "</item>";
        mFiles.SetFile("config.xml",
                       "<xml><group><name>Database</name><item><name>Host</name>"
                       "<varname>$(DBHOST)</varname><default>localhost</default>"
                       "</item><item><name>Port</name><varname>$(DBPORT)</varname>"
                       "</item></group><group><name>Paths</name><item><name>Logs"
                       "</name><varname>LOGDIR</varname><help>where the DB logs"
                       "</help></item></group><group><name>Many</name>" +
                           many + "</group></xml>");
        mFiles.SetFile("s.xml",
                       "<xml><variable id='$(DBHOST)'>db1</variable>"
                       "<variable id='$(DBPORT)'>5432</variable></xml>");
        mWindow.reset(
            new frmsetup(ParseCommandLine({"/file:s.xml"}), {mDialogs, mFiles, mLauncher}));
        ASSERT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    }
    template <typename T = QWidget>
    T* Find(const QByteArray& name) const {
        T* found = mWindow->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.constData();
        return found;
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

// "db" is in two ids and two helps, on three pages; the last match lies below the window's edge.
TEST_F(EditorWindowTest, FindGoesThroughTheMatchesOfEveryGroupInTurn) {
    QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+F"));
    QTest::keyClicks(Find("FindText"), "db");
    EXPECT_EQ(Find("FindResult")->property("text"), "4 matches");
    const struct {
        const char *key, *focus, *result;
        int group;
    } steps[] = {
        {"Return", "eDBHOST", "1 of 4", 0}, {"F3", "eDBPORT", "2 of 4", 0},
        {"F3", "eLOGDIR", "3 of 4", 1},     {"F3", "eS39", "4 of 4", 2},
        {"F3", "eDBHOST", "1 of 4", 0},     {"Shift+F3", "eS39", "4 of 4", 2},
    };
    for (const auto& step : steps) {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(step.key));
        EXPECT_EQ(QApplication::focusWidget()->objectName() + " " +
                      Find("FindResult")->property("text").toString(),
                  QString(step.focus) + " " + step.result)
            << "after " << step.key;
        EXPECT_EQ(Find<QTabBar>("Categories")->currentIndex(), step.group) << "after " << step.key;
    }
    // Shown, not only focused: the page scrolled down to the field.
    QWidget* last = Find("eS39");
    const QRect view = Find<QScrollArea>("Pages")->viewport()->rect();
    EXPECT_TRUE(view.contains(
        QRect(last->mapTo(Find<QScrollArea>("Pages")->viewport(), QPoint()), last->size())));
    Find("FindText")->setFocus();
    QTest::keyClicks(Find("FindText"), "zz");
    EXPECT_EQ(Find("FindResult")->property("text"), "No match");
    EXPECT_NE(Find("FindText")->styleSheet(), "");
    QTest::keyClick(Find("FindText"), Qt::Key_Escape);
    EXPECT_FALSE(Find("FindBar")->isVisible());
}

// The search box's filters leave out, on every page, those not built yet too, the fields that do
// not match or are not changed, and the tabs of the groups they leave empty; the rows shown close
// up. Escape shows everything again.
TEST_F(EditorWindowTest, FiltersShowOnlyTheFieldsThatMatchOrAreChanged) {
    const auto key = [&](const char* keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keySequence(focus ? focus : mWindow.get(), QKeySequence(keys));
    };
    const auto type = [&](const char* text) {
        Find<QLineEdit>("FindText")->selectAll();
        QTest::keyClick(Find("FindText"), Qt::Key_Backspace);
        QTest::keyClicks(Find("FindText"), text);
    };
    const QString settings1x = "eS1 eS10 eS11 eS12 eS13 eS14 eS15 eS16 eS17 eS18 eS19";
    QStringList everySetting;
    for (int n = 0; n < 40; ++n)
        everySetting << QString("eS%1").arg(n);
    const struct {
        const char* what;
        std::function<void()> act;
        QString shown;  // the tabs shown | the fields shown on the page shown
    } steps[] = {
        {"finding, no filter",
         [&] {
             key("Ctrl+F");
             type("db");
         },
         "Database Paths Many | eDBHOST eDBPORT"},
        {"only matches", [&] { key("Ctrl+Shift+F"); }, "Database Paths Many | eDBHOST eDBPORT"},
        {"a page built while filtering", [&] { Find<QTabBar>("Categories")->setCurrentIndex(2); },
         "Database Paths Many | eS39"},
        {"groups that keep none", [&] { type("db c"); }, "Many | eS39"},
        {"rows far apart", [&] { type("Setting number 1"); }, "Many | " + settings1x},
        {"and only changed: none", [&] { key("Ctrl+Shift+M"); }, " | "},
        {"only changed, without a text: not at their default; the page shown keeps none",
         [&] { type(""); }, "Database | eDBHOST eDBPORT"},
        {"Escape: every field", [&] { key("Escape"); }, "Database Paths Many | eDBHOST eDBPORT"},
        {"a page filtered before shows every row again",
         [&] { Find<QTabBar>("Categories")->setCurrentIndex(2); },
         "Database Paths Many | " + everySetting.join(' ')},
        {"changed since the save",
         [&] {
             Find<QTabBar>("Categories")->setCurrentIndex(1);
             Find<QLineEdit>("eLOGDIR")->setText("/x");
             key("Ctrl+Shift+M");
         },
         "Database Paths | eLOGDIR"},
        {"Ctrl+Tab passes the tabs left out", [&] { key("Ctrl+Tab"); },
         "Database Paths | eDBHOST eDBPORT"},
    };
    for (const auto& step : steps) {
        step.act();
        QStringList tabs, fields;
        for (int tab = 0; tab < Find<QTabBar>("Categories")->count(); ++tab) {
            if (Find<QTabBar>("Categories")->isTabVisible(tab))
                tabs << Find<QTabBar>("Categories")->tabText(tab);
        }
        for (QWidget* field : Find<QScrollArea>("Pages")->widget()->findChildren<QWidget*>(
                 QRegularExpression("^e"))) {
            if (field->isVisible())
                fields << field->objectName();
        }
        EXPECT_EQ(tabs.join(' ') + " | " + fields.join(' '), step.shown) << "after " << step.what;
        if (step.shown.endsWith(settings1x)) {
            QApplication::processEvents();
            EXPECT_EQ(Find("eS10")->y() - Find("eS1")->y(),
                      Layout::Px(Layout::RowTop(1)) - Layout::Px(Layout::RowTop(0)));
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
        for (const char* name : {"DBPORT", "DBHOST"}) {
            QWidget* field = Find(QByteArray("e") + name);
            text += QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name) + '=' +
                    field->property("text").toString() +
                    (Find(QByteArray("lbl") + name)->font().bold() ? "(bold) " : " ");
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

// The About window belongs to the main window, opens centred on it and shows the version.
TEST_F(EditorWindowTest, TheAboutWindowBelongsToTheMainWindow) {
    Find<QAction>("indAboutTrvSet")->trigger();
    auto* about = Find<xAboutTrvSet>("xAboutTrvSet");
    EXPECT_LE((about->geometry().center() - mWindow->geometry().center()).manhattanLength(), 1);
    EXPECT_EQ(about->findChild<QLabel*>("Version")->text(), VersionText());
}

}  // namespace
