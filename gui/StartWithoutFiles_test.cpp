// A start without "/conf:" in a folder without a configuration, as from the desktop menu.
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(StartWithoutFilesTest, AsksForTheConfigurationWhenTheFolderHasNone) {
    const struct {
        const char* what;
        QStringList arguments;
        const char* inFolder;  // the configuration file in the folder the program starts in
        QString answer;        // to the open dialog: the configuration chosen, "" cancels
        QStringList questions;
        QString settingsFile;  // the window's, or "" when the start ends with status 2
    } cases[] = {
        {"chosen: settings beside it",
         {},
         "c.xml",
         "/u/app/c.xml",
         {"open"},
         "/u/app/settings.xml"},
        {"chosen, with /file:", {"/file:s.xml"}, "c.xml", "/u/app/c.xml", {"open"}, "/u/app/s.xml"},
        {"cancelled: ends as before", {}, "c.xml", "", {"open"}, ""},
        {"the folder has one: not asked", {}, "config.xml", "", {}, "settings.xml"},
        {"/conf: given: not asked", {"/conf:x.xml"}, "c.xml", "", {}, ""},
    };
    const QByteArray config = "<xml><group><name>G</name></group></xml>";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        for (const char* path : {"/u/app/c.xml", c.inFolder}) {
            files.SetFile(path, config);
        }
        for (const char* path : {"/u/app/settings.xml", "/u/app/s.xml", "settings.xml"}) {
            files.SetFile(path, "<xml/>");
        }
        ScriptedDialogs dialogs;
        dialogs.answers = QStringList(c.answer);
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine(c.arguments), {dialogs, files, launcher});
        if (c.settingsFile.isEmpty()) {
            EXPECT_EQ(window.Form_Load(), 2);
            EXPECT_TRUE(dialogs.messages.value(0).startsWith("The file could not be loaded!\n"));
        } else {
            EXPECT_EQ(window.Form_Load(), std::nullopt);
            EXPECT_EQ(window.SettingsFile(), c.settingsFile);
        }
        EXPECT_EQ(dialogs.questions, c.questions);
    }
}

}  // namespace
