// A file that a save creates while it holds a password is readable by its owner only; any other
// new file gets what the umask allows, and a file that exists keeps its mode.

#include "platform/DiskFileSystem.h"
#include "session/EditSession.h"
#include "testing/FakeProcessLauncher.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// "600", or "missing".
std::string ModeOf(const QString& path) {
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return "missing";
    return QByteArray::number(info.st_mode & 07777, 8).toStdString();
}

TEST(SecretFileModeTest, NewFilesHoldingAPasswordAreTheOwnersAlone) {
    const struct {
        const char* what;
        const char *url, *password;  // the values of $(URL), which comes first, and $(PASS)
        const char* templateText;
        mode_t existingMode;  // 0: neither the settings file nor the output exists before the save
        const char *settingsMode, *outputMode;
    } cases[] = {
        {"new files with a password: settings and an output naming it private", "", "s3cret",
         "pw=$(PASS)\n", 0, "600", "600"},
        {"an output that only holds the password's value is private as well", "", "s3cret",
         "pw=s3cret\n", 0, "600", "600"},
        {"an empty password is no secret", "", "", "pw=$(PASS)\n", 0, "644", "644"},
        {"files that exist keep their mode", "", "s3cret", "pw=$(PASS)\n", 0640, "640", "640"},
        // Regression: the output was created readable by everyone.
        {"an output that receives the password inside another value", "pg://u:$(PASS)@h", "s3cret",
         "$(URL)\n", 0, "600", "600"},
        {"... and one that never receives it gets the umask's mode", "pg://u@h", "s3cret",
         "$(URL)\n", 0, "600", "644"},
    };
    const mode_t oldMask = ::umask(022);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const QString base = folder.path() + '/';
        DiskFileSystem disk;
        ASSERT_TRUE(disk.WriteFile(base + "config.xml",
                                   "<xml><files><file><input>t</input><output>out</output></file>"
                                   "</files><group><name>G</name>"
                                   "<item><name>Url</name><varname>$(URL)</varname></item>"
                                   "<item><name>Pass</name><varname>$(PASS)</varname>"
                                   "<type>password</type></item></group></xml>")
                        .ok());
        ASSERT_TRUE(disk.WriteFile(base + "t", c.templateText).ok());
        for (const QString name : {"settings.xml", "out"}) {
            if (c.existingMode != 0) {
                ASSERT_TRUE(disk.WriteFile(base + name, "<xml/>").ok());
                ASSERT_EQ(::chmod(QFile::encodeName(base + name).constData(), c.existingMode), 0);
            }
        }
        FakeProcessLauncher processes;
        EditSession session(disk, processes);
        ASSERT_TRUE(session.LoadConfiguration(base + "config.xml", base).ok());
        if (c.existingMode != 0)
            ASSERT_TRUE(session.Load(base + "settings.xml").ok());
        else
            session.StartNew(base + "settings.xml");
        session.SetValue("$(URL)", c.url);
        session.SetValue("$(PASS)", c.password);
        const SaveResult result = session.Save({});
        ASSERT_TRUE(result.Saved()) << result.refusal.message().toStdString();
        ASSERT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
        EXPECT_EQ(ModeOf(base + "settings.xml"), c.settingsMode) << "settings file";
        EXPECT_EQ(ModeOf(base + "out"), c.outputMode) << "output";
    }
    ::umask(oldMask);
}

}  // namespace
