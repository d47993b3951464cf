// A start without "/conf:" in a folder without config.xml, as from the desktop menu.
#include "gui/frmsetup.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(StartWithoutFilesTest, AsksForTheConfigurationWhenTheFolderHasNone) {
    const struct {
        const char *what, *arguments, *inFolder;  // inFolder: the configuration where it starts
        QString answer;  // to the open dialog: the configuration chosen, "" cancels
        QStringList questions;
        QString settingsFile;  // the window's, or "" when the start ends with status 2
    } cases[] = {
        {"chosen: settings beside it", "", "c.xml", "/u/c.xml", {"open"}, "/u/settings.xml"},
        {"chosen, with /file:", "/file:s.xml", "c.xml", "/u/c.xml", {"open"}, "/u/s.xml"},
        {"cancelled: ends as before", "", "c.xml", "", {"open"}, ""},
        {"the folder has one: not asked", "", "config.xml", "", {}, "settings.xml"},
        {"/conf: given: not asked", "/conf:x.xml", "c.xml", "", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        for (const char* path :
             {"/u/c.xml", c.inFolder, "/u/settings.xml", "/u/s.xml", "settings.xml"})
            files.SetFile(path, "<xml><group><name>G</name></group></xml>");
        ScriptedDialogs dialogs;
        dialogs.answers = QStringList(c.answer);
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine(GetCommandLine(c.arguments)), {dialogs, files, launcher});
        const std::optional<int> status = window.Form_Load();
        EXPECT_EQ(dialogs.questions, c.questions);
        EXPECT_EQ(status ? QString("%1 %2").arg(*status).arg(
                               dialogs.messages.value(0).section(u'\n', 0, 0))
                         : window.SettingsFile(),
                  c.settingsFile.isEmpty() ? "2 The file could not be loaded!" : c.settingsFile);
    }
}

}  // namespace
