// Where the real main window puts its tab row, its rows of labels and fields and its buttons, at
// the design size and larger, over an in-memory disk.
#include "gui/Layout.h"
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

// Failures show a box as "x,y widthxheight".
void PrintTo(const QRect& box, std::ostream* out) {
    *out << box.x() << ',' << box.y() << ' ' << box.width() << 'x' << box.height();
}

namespace {

using Layout::Px;

// An item named `label` of the variable `name`, of the type `type`.
QByteArray Item(const QString& label, const char* name, const char* type = "text") {
    QByteArray item = "<item><name>" + label.toUtf8() + "</name><type>" + type + "</type>";
    if (QByteArray(type) == "choice")
        item += "<option>a very long option that does not need all that room</option>";
    return item + "<varname>$(" + name + ")</varname></item>";
}

class FieldPagesTest : public ::testing::Test {
  protected:
    // Opens the window on the groups `groups` (their <group> elements) and the settings
    // `settings` at its design size.
    void Open(const QByteArray& groups, const QByteArray& settings = "<xml/>") {
        mFiles.SetFile("config.xml", "<xml>" + groups + "</xml>");
        mFiles.SetFile("s.xml", settings);
        mWindow.reset(
            new frmsetup(ParseCommandLine({"/file:s.xml"}), {mDialogs, mFiles, mLauncher}));
        ASSERT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    }
    // Makes the client area `wider` and `taller` pixels larger than designed.
    void Grow(int wider, int taller) {
        const QSize client = Layout::ClientSize() + QSize(wider, taller);
        mWindow->resize(mWindow->size() - mWindow->centralWidget()->size() + client);
        QApplication::processEvents();
        ASSERT_EQ(mWindow->centralWidget()->size(), client);
    }
    QWidget* Control(const QString& name) const {
        QWidget* control = mWindow->findChild<QWidget*>(name);
        EXPECT_NE(control, nullptr) << qPrintable(name);
        return control ? control : mWindow.get();
    }
    // The box of the control `name` in the client area.
    QRect Box(const QString& name) const {
        const QWidget* control = Control(name);
        return QRect(control->mapTo(mWindow->centralWidget(), QPoint()), control->size());
    }
    void ShowGroup(int index) {
        Control("Categories")->setProperty("currentIndex", index);
        QApplication::processEvents();
    }

    FakeFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

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
        Grow(size.wider, size.taller);
        const int width = Layout::ClientSize().width() + size.wider;
        EXPECT_EQ(Box("Categories"),
                  QRect(0, Px(Layout::kTabsTop), width, Px(Layout::kTabsHeight)));
        for (int row = 0; row < names.size(); ++row) {
            SCOPED_TRACE(qPrintable(names[row]));
            const int top = Px(Layout::RowTop(row));
            const int height = Px(Layout::kRowHeight);
            EXPECT_EQ(Box("lbl" + names[row]).topLeft(), QPoint(Px(Layout::kLabelLeft), top));
            EXPECT_EQ(Box('e' + names[row]),
                      QRect(QPoint(Px(Layout::kFieldLeft), top),
                            QPoint(width - Px(Layout::kPageMargin) - 1, top + height - 1)));
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
        QTest::keyClick(Control("FindText"), Qt::Key_Escape);
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
        {"a long label", {"Folder of every service's log files", "Temp"}, false},
        {"kerning pairs", {"AVAVAVAVAVAV To To Wa Wa", "Temp"}, false},
        {"accents and combining marks",
         {"Größe der Übergänge", "Cafe\u0301 de\u0301ja\u0300"},
         false},
        {"other scripts",
         {"Logs \u2013 \u65E5\u672C\u8A9E\u306E\u30E9\u30D9\u30EB",
          "\u0391\u03B8\u03AE\u03BD\u03B1"},
         false},
        {"a label longer than the window", {QString(90, u'W'), "Temp"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray second = "<group><name>Paths</name>";
        for (int i = 0; i < c.labels.size(); ++i)
            second += Item(c.labels[i], QByteArray("P" + QByteArray::number(i)).constData());
        Open("<group><name>Database</name>" + Item("Host", "HOST") + Item("Port", "PORT") +
             "</group>" + second + "</group>");
        mWindow->resize(mWindow->minimumSize());
        QApplication::processEvents();
        const int fieldLeft = Box("eHOST").left();
        EXPECT_GE(fieldLeft, Px(Layout::kFieldLeft));
        ShowGroup(1);
        for (const QString name : {"P0", "P1"}) {
            SCOPED_TRACE(qPrintable(name));
            auto* field = qobject_cast<QLineEdit*>(Control('e' + name));
            ASSERT_NE(field, nullptr);
            field->setText("edited");
            auto* label = qobject_cast<QLabel*>(Control("lbl" + name));
            ASSERT_TRUE(label->font().bold());
            EXPECT_LE(label->x() + label->sizeHint().width(), field->x());
            EXPECT_EQ(Box(field->objectName()).left(), fieldLeft);
            EXPECT_GE(field->width(), Px(Layout::kFieldWidth));
            EXPECT_LE(Box(field->objectName()).right(),
                      mWindow->centralWidget()->width() - Px(Layout::kPageMargin));
        }
        EXPECT_EQ(fieldLeft == Px(Layout::kFieldLeft), c.fit) << "fields start at " << fieldLeft;
    }
}

// A field that gets the focus, whichever way, is scrolled into view on a page longer than the
// window.
TEST_F(FieldPagesTest, ScrollsTheFocusedFieldIntoView) {
    QByteArray many = "<group><name>Many</name>";
    for (int n = 0; n < 40; ++n)
        many += Item(QString("Setting %1").arg(n), QByteArray("S" + QByteArray::number(n)).data());
    Open(many + "</group>");
    auto* area = qobject_cast<QScrollArea*>(Control("Pages"));
    ASSERT_NE(area, nullptr);
    const auto inView = [&](const char* name) {
        const QWidget* field = Control(name);
        return area->viewport()->rect().contains(
            QRect(field->mapTo(area->viewport(), QPoint()), field->size()));
    };
    ASSERT_FALSE(inView("eS39"));
    for (const char* name : {"eS39", "eS0", "eS25"}) {
        Control(name)->setFocus(Qt::MouseFocusReason);
        EXPECT_TRUE(inView(name)) << name;
    }
}

// A tab is marked while a value on its page breaks its rules, from the start and for a page not
// built yet, and unmarked once the last is put right; its text stays the group's name.
TEST_F(FieldPagesTest, MarksTheTabsOfPagesWithValuesThatDoNotFit) {
    const auto number = [](const char* name) {
        return Item(name, name, "number").replace("</item>", "<max>9</max></item>");
    };
    // Each tab as "<text>[!<tooltip>]", ! while it shows its mark.
    const auto marks = [&] {
        auto* tabs = qobject_cast<QTabBar*>(Control("Categories"));
        QStringList shown;
        for (int tab = 0; tab < tabs->count(); ++tab)
            shown << tabs->tabText(tab) + (tabs->tabIcon(tab).isNull() ? "" : "!") +
                         tabs->tabToolTip(tab).remove(" on this page are not valid.");
        return shown.join(" | ");
    };
    Open("<group><name>One</name>" + number("A") + "</group><group><name>Two</name>" + number("B") +
             number("C") + "</group>",
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
        Control(step.field)->findChild<QLineEdit*>()->setText(step.value);
        EXPECT_EQ(marks(), step.marks) << step.field << "=" << step.value;
    }
}

}  // namespace
