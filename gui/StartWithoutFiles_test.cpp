// A start without "/conf:" in a folder without config.xml, as from the desktop menu.
#include "gui/FirstStart.h"
#include "gui/frmsetup.h"

#include "platform/DiskFileSystem.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"
#include "testing/TextMatchers.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// The start's question, and the answers it offers.
#define QUESTION "There is no configuration file in"
#define OPEN "Open a Configuration..."
#define EXAMPLE "Start from the Example..."

// "a|b" as {"a", "b"}; "" as none. A question without an answer is cancelled.
QStringList Parts(const char* list) {
    return QString(list).split(u'|', Qt::SkipEmptyParts);
}

// The start's exit status and first line of its message, or the window's settings file.
QString Outcome(frmsetup& window, const ScriptedDialogs& dialogs) {
    const std::optional<int> status = window.Form_Load();
    return status
               ? QString("%1 %2").arg(*status).arg(dialogs.messages.value(0).section(u'\n', 0, 0))
               : window.SettingsFile();
}

TEST(StartWithoutFilesTest, SaysWhatItNeedsAndOpensTheConfigurationChosen) {
    const struct {
        const char *what, *arguments, *inFolder;  // inFolder: the configuration where it starts
        const char *answers, *questions;          // a part of each question
        QString outcome;  // the window's settings file, or the exit status and message
    } cases[] = {
        {"opened: settings beside it", "", "c.xml", OPEN "|/u/c.xml", QUESTION "|open",
         "/u/settings.xml"},
        {"opened, with /file:", "/file:s.xml", "c.xml", OPEN "|/u/c.xml", QUESTION "|open",
         "/u/s.xml"},
        {"cancelled: ends as before", "", "c.xml", "", QUESTION, "2 The file could not be loaded!"},
        {"the open dialog cancelled: asked again", "", "c.xml", OPEN, QUESTION "|open|" QUESTION,
         "2 The file could not be loaded!"},
        {"the folder has one: not asked", "", "config.xml", "", "", "settings.xml"},
        {"/conf: given: not asked", "/conf:x.xml", "c.xml", "", "",
         "2 The file could not be loaded!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        for (const char* path :
             {"/u/c.xml", c.inFolder, "/u/settings.xml", "/u/s.xml", "settings.xml"})
            files.SetFile(path, "<xml><group><name>G</name></group></xml>");
        ScriptedDialogs dialogs;
        dialogs.answers = Parts(c.answers);
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine(GetCommandLine(c.arguments)), {dialogs, files, launcher});
        EXPECT_EQ(Outcome(window, dialogs), c.outcome);
        EXPECT_THAT(dialogs.questions, HoldTextsInTurn(Parts(c.questions)));
    }
}

// A build finds the example of its source tree; without one, it is not offered.
TEST(StartWithoutFilesTest, OffersTheExampleOnlyWhereThereIsOne) {
    EXPECT_EQ(FirstStart::BundledExample(), QDir::cleanPath(TERVOSETUP_EXAMPLES));
    FakeFileSystem files;
    ScriptedDialogs dialogs;
    dialogs.answers = QStringList{EXAMPLE};
    EXPECT_EQ(FirstStart(dialogs, files, QString()).Choose("config.xml"), std::nullopt);
    EXPECT_THAT(dialogs.questions, HoldTextsInTurn({QUESTION}));
    EXPECT_FALSE(dialogs.questions.value(0).contains("example"));
}

// The example's configuration, settings and templates are copied into the folder chosen and
// opened there; a folder that holds one of them already gets nothing, and the user is asked again.
TEST(StartWithoutFilesTest, StartsFromACopyOfTheExampleInAFolderWithoutItsFiles) {
    const QStringList copied = {"config.xml", "settings.xml", "templates/app.ini.in",
                                "templates/server.conf.in"};
    const struct {
        const char* what;
        const char* there;  // a file in the folder chosen before the copy, or nothing
        bool chosen;        // or the folder dialog cancelled
        const char *questions, *messages;  // a part of each
        bool opened;
    } cases[] = {
        {"an empty folder", nullptr, true, QUESTION "|folder", "", true},
        {"its settings there", "settings.xml", true, QUESTION "|folder|" QUESTION,
         "holds settings.xml already. Nothing was copied|could not be loaded", false},
        {"a template there", "templates/app.ini.in", true, QUESTION "|folder|" QUESTION,
         "holds templates/app.ini.in already|could not be loaded", false},
        {"the folder dialog cancelled", nullptr, false, QUESTION "|folder|" QUESTION,
         "could not be loaded", false},
    };
    const QString started = QDir::currentPath();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home, chosen;
        ASSERT_TRUE(QDir::setCurrent(home.path()));
        if (c.there) {
            QDir(chosen.path()).mkpath("templates");
            QFile(chosen.filePath(c.there)).open(QIODevice::WriteOnly);
        }
        DiskFileSystem files;
        ScriptedDialogs dialogs;
        dialogs.answers = QStringList{EXAMPLE, c.chosen ? chosen.path() : ""};
        FakeProcessLauncher launcher;
        frmsetup window(ParseCommandLine({}), {dialogs, files, launcher});
        const QString outcome = Outcome(window, dialogs);
        EXPECT_THAT(dialogs.questions, HoldTextsInTurn(Parts(c.questions)));
        EXPECT_THAT(dialogs.messages, HoldTextsInTurn(Parts(c.messages)));
        if (c.opened) {
            EXPECT_EQ(outcome, chosen.filePath("settings.xml"));
            EXPECT_EQ(window.findChild<QLineEdit*>("eDBHOST")->text(), "db.example.org");
            // The settings hold a password: only their owner may read them.
            struct stat status {};
            ASSERT_EQ(stat(QFile::encodeName(chosen.filePath("settings.xml")), &status), 0);
            EXPECT_EQ(status.st_mode & 0777, 0600u);
        }
        for (const QString& name : copied) {
            QFile example(QDir(TERVOSETUP_EXAMPLES).filePath(name)), copy(chosen.filePath(name));
            ASSERT_TRUE(example.open(QIODevice::ReadOnly));
            const bool same = copy.open(QIODevice::ReadOnly) && copy.readAll() == example.readAll();
            EXPECT_EQ(same, c.opened) << name.toStdString();
        }
    }
    QDir::setCurrent(started);
}

}  // namespace
