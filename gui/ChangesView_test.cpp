// The window's preview of a save, on a copy of the example, beside what the program's /diff
// prints for the same files.
#include "gui/frmsetup.h"

#include "platform/DiskFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ChangesViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        FreshCopy();
    }
    void FreshCopy() { Run("rm -rf -- * && cp -r " TERVOSETUP_EXAMPLES "/. ."); }

    // Runs `script` with sh in the copy, where $TERVOSETUP is the built program, and returns what
    // it prints on standard output; `status` receives its exit status.
    QByteArray Run(const QString& script, int* status = nullptr) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("TERVOSETUP", TERVOSETUP_BINARY);
        QProcess sh;
        sh.setProcessEnvironment(environment);
        sh.setWorkingDirectory(mDir.path());
        sh.start("sh", {"-c", script});
        EXPECT_TRUE(sh.waitForFinished(120000)) << script.toStdString();
        if (status != nullptr) {
            *status = sh.exitCode();
        }
        return sh.readAllStandardOutput();
    }
    QString Config() const { return mDir.path() + "/config.xml"; }
    QByteArray Settings() const {
        QFile file(mDir.path() + "/settings.xml");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Opens the window on the copy, then the view of its changes with Ctrl+D.
    QDialog* OpenView() {
        mWindow = std::make_unique<frmsetup>(ParseCommandLine({"/conf:" + Config()}),
                                             ProgramServices{mDialogs, mFiles, mLauncher});
        EXPECT_EQ(mWindow->Form_Load(), std::nullopt);
        mWindow->show();
        QApplication::setActiveWindow(mWindow.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
        for (auto& [id, value] : mEdits) {
            mWindow->findChild<QLineEdit*>(id)->setText(value);
        }
        QTest::keyClick(mWindow.get(), Qt::Key_D, Qt::ControlModifier);
        return mWindow->findChild<QDialog*>("ChangesView");
    }
    static QString Diff(QDialog* view) {
        return view->findChild<QPlainTextEdit*>("Changes")->toPlainText();
    }
    static QString Note(QDialog* view) { return view->findChild<QLabel*>("ChangesNote")->text(); }

    QTemporaryDir mDir;
    DiskFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::vector<std::pair<const char*, QString>> mEdits;
    std::unique_ptr<frmsetup> mWindow;
};

// The view shows exactly what /diff prints, the password masked, and starts no command.
TEST_F(ChangesViewTest, ShowsWhatTheDiffOfTheSameFilesShows) {
    const struct {
        const char* what;
        const char* before;  // run in the copy first
        int diffStatus;
        const char* note;  // a part of the lines above the diff
    } cases[] = {
        {"outputs not made yet, with a password", "true", 3, "passwords as ********"},
        {"a default that the settings file lacks",
         "$TERVOSETUP /export && sed -i /HTTPPORT/d "
         "settings.xml",
         3, ""},
        {"a missing template", "rm templates/server.conf.in", 1, "server.conf.in could not be"},
        {"everything up to date", "$TERVOSETUP /export", 0, "Saving would change no file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshCopy();
        Run(c.before);
        int status = -1;
        const QByteArray diff = Run("$TERVOSETUP /diff /conf:" + Config(), &status);
        EXPECT_EQ(status, c.diffStatus);
        EXPECT_EQ(diff.contains("example-secret"), false);
        QDialog* view = OpenView();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(Diff(view), QString::fromLocal8Bit(diff));
        EXPECT_TRUE(Note(view).contains(c.note)) << Note(view).toStdString();
        EXPECT_EQ(mLauncher.commandLines(), QStringList());
        mWindow.reset();
    }
}

// Save in the view saves the window's values as the window's own save does and closes the view;
// a value that a save would refuse opens no view.
TEST_F(ChangesViewTest, SavesFromTheView) {
    mEdits = {{"eDBHOST", "db2.example.org"}};
    QDialog* view = OpenView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(Diff(view).contains("+  <variable id=\"$(DBHOST)\">db2.example.org"));
    EXPECT_FALSE(Settings().contains("db2"));
    view->findChild<QPushButton*>("ChangesSave")->click();
    EXPECT_TRUE(Settings().contains("db2.example.org"));
    EXPECT_EQ(mLauncher.commandLines(), QStringList("true"));
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(mWindow->Caption().endsWith('*'));

    mEdits = {{"eDBHOST", ""}};
    EXPECT_EQ(OpenView(), nullptr);
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].startsWith("Nothing was saved."))
        << mDialogs.messages[0].toStdString();
}

}  // namespace
