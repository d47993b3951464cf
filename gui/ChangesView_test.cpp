// The window's preview of a save on a copy of the example, beside the program's /diff.
#include "gui/frmsetup.h"

#include "platform/DiskFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Each row: a shell step on a fresh copy of the example ($T is the built program), maybe an edit
// of the Host field, then Ctrl+D. Without an edit the view shows what /diff prints; it masks the
// password and starts no command. Its Save is the window's save: /check then finds nothing to do
// but what the save's problem left.
TEST(ChangesViewTest, ShowsWhatDiffShowsAndSaves) {
    const struct {
        const char *what, *before;
        const char *field, *value;  // the field edited, or nothing, and what it is given
        int diffStatus;
        const char *note, *shows;  // a part of the lines above the diff, and of the diff
    } cases[] = {
        {"a missing template", "rm templates/server.conf.in", nullptr, "", 1,
         "server.conf.in could not", "+host = db.example.org"},
        {"a new password: neither the old nor the new one shows", "$T /export", "eDBPASS",
         "n3w-secret", 0, "passwords as ********",
         "-  <variable id=\"$(DBPASS)\">********</variable>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const auto sh = [&dir](const QString& script) {
            QProcess run;
            run.setWorkingDirectory(dir.path());
            run.start("env", {"-u", "DISPLAY", "T=" TERVOSETUP_BINARY, "sh", "-c", script});
            EXPECT_TRUE(run.waitForFinished(120000)) << script.toStdString();
            return std::pair(QString::fromLocal8Bit(run.readAllStandardOutput()), run.exitCode());
        };
        sh(QStringLiteral("cp -r %1/. . && %2").arg(TERVOSETUP_EXAMPLES, c.before));
        const auto [diff, diffStatus] = sh("$T /diff /conf:" + dir.path() + "/config.xml");
        EXPECT_EQ(diffStatus, c.diffStatus);
        ScriptedDialogs dialogs;
        FakeProcessLauncher launcher;
        DiskFileSystem files;
        frmsetup window(ParseCommandLine({"/conf:" + dir.path() + "/config.xml"}),
                        {dialogs, files, launcher});
        ASSERT_EQ(window.Form_Load(), std::nullopt);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        if (c.field != nullptr)
            window.findChild<QLineEdit*>(c.field)->setText(c.value);
        QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
        auto* view = window.findChild<QDialog*>("ChangesView");
        ASSERT_NE(view, nullptr);
        auto* changes = view->findChild<QPlainTextEdit*>("Changes");
        const QString shown = changes->toPlainText();
        EXPECT_EQ(changes->accessibleName(), "Changes a save would make");
        EXPECT_EQ(c.field == nullptr ? diff : shown, shown);
        EXPECT_TRUE(shown.contains(c.shows) && !shown.contains("example-secret") &&
                    !shown.contains("n3w-secret"))
            << shown.toStdString();
        EXPECT_TRUE(view->findChild<QLabel*>("ChangesNote")->text().contains(c.note));
        EXPECT_EQ(launcher.commandLines(), QStringList());

        view->findChild<QPushButton*>("ChangesSave")->click();
        EXPECT_EQ(launcher.commandLines(), QStringList("true"));
        EXPECT_EQ(sh("$T /check").second, c.diffStatus == 1 ? 1 : 0);
        EXPECT_FALSE(view->isVisible());
    }
}

}  // namespace
