// A file that a save creates while it holds a password is readable by its owner only; any other
// new file gets what the umask allows, and a file that exists keeps its mode. A template entry
// may set its output's mode, which every save keeps. A password that goes into a file others can
// read is told, and /strict refuses it.

#include "platform/DiskFileSystem.h"
#include "session/EditSession.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"

#include <QFile>
#include <QRegularExpression>
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
        const char* entry;    // the output's mode="..." and what it holds before, as "0600 pw=x"
        bool strict;
        const char *settingsMode, *outputMode;
        const char* told;  // the files told of as readable, with their modes: "out 0644|..."
    } cases[] = {
        {"an output that only holds the password's value is private as well", "", "s3cret",
         "pw=s3cret\n", 0, "", false, "600", "600", ""},
        {"an empty password is no secret", "", "", "pw=$(PASS)\n", 0, "", false, "644", "644", ""},
        {"files that exist keep their mode, and are told of", "", "s3cret", "pw=$(PASS)\n", 0640,
         "", false, "640", "640", "settings.xml 0640|out 0640"},
        {"files only their owner may read are not told of", "", "s3cret", "pw=$(PASS)\n", 0600, "",
         false, "600", "600", ""},
        {"/strict refuses a password in files others can read, and writes nothing", "", "s3cret",
         "pw=$(PASS)\n", 0644, "", true, "644", "644", "settings.xml 0644|out 0644"},
        // Regression: the output was created readable by everyone.
        {"an output that receives the password inside another value", "pg://u:$(PASS)@h", "s3cret",
         "$(URL)\n", 0, "", false, "600", "600", ""},
        {"... and one that never receives it gets the umask's mode", "pg://u@h", "s3cret",
         "$(URL)\n", 0, "", false, "600", "644", ""},
        {"an entry's mode is a new output's", "", "s3cret", "pw=$(PASS)\n", 0, "0640", false, "600",
         "640", ""},
        {"... and an existing output's, also when no byte of it changes", "", "s3cret",
         "pw=$(PASS)\n", 0644, "0600 pw=s3cret\n", false, "644", "600", "settings.xml 0644"},
        {"... which the configuration chose: it is not told of", "", "s3cret", "pw=$(PASS)\n", 0600,
         "0644", true, "600", "644", ""},
    };
    const mode_t oldMask = ::umask(022);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const QString base = folder.path() + '/';
        DiskFileSystem disk;
        const QString entry = QString::fromUtf8(c.entry);
        const QByteArray entryMode = entry.section(' ', 0, 0).toUtf8();
        const QByteArray outputBefore = entry.section(' ', 1).toUtf8();
        const QByteArray mode = entryMode.isEmpty() ? "" : " mode=\"" + entryMode + '"';
        ASSERT_TRUE(disk.WriteFile(base + "config.xml",
                                   "<xml><files><file" + mode +
                                       "><input>t</input><output>out</output></file>"
                                       "</files><group><name>G</name>"
                                       "<item><name>Url</name><varname>$(URL)</varname></item>"
                                       "<item><name>Pass</name><varname>$(PASS)</varname>"
                                       "<type>password</type></item></group></xml>")
                        .ok());
        ASSERT_TRUE(disk.WriteFile(base + "t", c.templateText).ok());
        for (const QString name : {"settings.xml", "out"}) {
            if (c.existingMode != 0) {
                const QByteArray bytes =
                    name == "out" && !outputBefore.isEmpty() ? outputBefore : "<xml/>";
                ASSERT_TRUE(disk.WriteFile(base + name, bytes).ok());
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
        EditSession::SaveOptions options;
        options.trialFirst = c.strict;
        const SaveResult result = session.Save(options);
        ASSERT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
        QStringList told;
        static const QRegularExpression readable(
            "^(.*) holds a password, but its mode (\\d{4}) lets others than its owner read it$");
        for (const QString& warning : result.warnings) {
            if (const QRegularExpressionMatch match = readable.match(warning); match.hasMatch())
                told.append(match.captured(1).remove(base) + ' ' + match.captured(2));
        }
        EXPECT_EQ(told.join('|'), c.told);
        if (c.strict && *c.told) {
            EXPECT_EQ(result.outcome, SaveResult::Outcome::TrialRefused);
            QFile settings(base + "settings.xml");
            ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
            EXPECT_EQ(settings.readAll(), "<xml/>") << "nothing was written";
        } else {
            ASSERT_TRUE(result.Saved()) << result.refusal.message().toStdString();
        }
        EXPECT_EQ(ModeOf(base + "settings.xml"), c.settingsMode) << "settings file";
        EXPECT_EQ(ModeOf(base + "out"), c.outputMode) << "output";
    }
    ::umask(oldMask);
}

}  // namespace
