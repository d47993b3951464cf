// Finding fields and telling edited ones, in the real main window over an in-memory disk.
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
#include <QMenu>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

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
    T* Find(const char* name) const {
        T* found = mWindow->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString Focus() const { return QApplication::focusWidget()->objectName(); }
    QString Name(const char* name) const {
        return QAccessible::queryAccessibleInterface(Find(name))->text(QAccessible::Name);
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
        EXPECT_EQ(Focus() + " " + Find("FindResult")->property("text").toString(),
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

// An edited field's label is bold and named "(changed)"; putting its value back ends that, and so
// do a save; the caption's "*" says whether any field is edited.
TEST_F(EditorWindowTest, MarksEditedFieldsAndPutsTheirValuesBack) {
    const auto editMenu = [&](const char* action) {
        emit Find<QMenu>("indEdit")->aboutToShow();
        Find<QAction>(action)->trigger();
    };
    const auto fieldMenu = [&](const char* field, const char* action) {
        emit Find(field)->customContextMenuRequested(QPoint(2, 2));
        auto* menu = Find(field)->findChild<QMenu*>("FieldMenu");
        QAction* found = menu->findChild<QAction*>(action);
        if (found)
            found->trigger();
        delete menu;
        return found != nullptr;
    };
    const struct {
        const char* what;
        std::function<void()> act;
        const char *port, *host;  // the values afterwards
        bool portEdited, hostEdited, starred;
    } steps[] = {
        {"typing", [&] { QTest::keyClicks(Find("eDBPORT"), "1"); }, "15432", "db1", true, false,
         true},
        {"Edit menu reset", [&] { editMenu("indResetToSaved"); }, "5432", "db1", false, false,
         false},
        {"undo of the reset", [&] { QTest::keySequence(Find("eDBPORT"), QKeySequence::Undo); },
         "15432", "db1", true, false, true},
        {"field menu default", [&] { EXPECT_TRUE(fieldMenu("eDBHOST", "ResetToDefault")); },
         "15432", "localhost", true, true, true},
        {"no default to put back", [&] { EXPECT_FALSE(fieldMenu("eDBPORT", "ResetToDefault")); },
         "15432", "localhost", true, true, true},
        {"field menu saved", [&] { EXPECT_TRUE(fieldMenu("eDBHOST", "ResetToSaved")); }, "15432",
         "db1", true, false, true},
        {"save", [&] { QTest::keySequence(mWindow.get(), QKeySequence("Ctrl+S")); }, "15432", "db1",
         false, false, false},
    };
    Find("eDBPORT")->setFocus();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(Find("eDBPORT")->property("text").toString(), step.port);
        EXPECT_EQ(Find("eDBHOST")->property("text").toString(), step.host);
        for (const auto& [name, label, text, edited] :
             {std::tuple{"eDBPORT", "lblDBPORT", "Port", step.portEdited},
              std::tuple{"eDBHOST", "lblDBHOST", "Host", step.hostEdited}}) {
            EXPECT_EQ(Name(name), edited ? QString(text) + " (changed)" : QString(text));
            EXPECT_EQ(Find(label)->font().bold(), edited) << label;
        }
        EXPECT_EQ(mWindow->Caption().endsWith('*'), step.starred)
            << mWindow->Caption().toStdString();
    }
}

// The About window belongs to the main window, opens centred on it and shows the version.
TEST_F(EditorWindowTest, TheAboutWindowBelongsToTheMainWindow) {
    Find<QAction>("indAboutTrvSet")->trigger();
    auto* about = Find<xAboutTrvSet>("xAboutTrvSet");
    EXPECT_EQ(about->parentWidget(), mWindow.get());
    EXPECT_LE((about->geometry().center() - mWindow->geometry().center()).manhattanLength(), 1);
    EXPECT_EQ(about->findChild<QLabel*>("Version")->text(), VersionText());
}

}  // namespace
