#include "run/ExportRun.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

// The fake file system with an update lock that can fail ("lock" broken) and that tells whether
// it is held.
struct Files final : FakeFileSystem {
    struct Lock final : UpdateLock {
        explicit Lock(bool& held) : held(held) { held = true; }
        ~Lock() override { held = false; }
        bool& held;
    };
    Status LockForUpdate(const QString& path, const LockWait&,
                         std::unique_ptr<UpdateLock>* lock) override {
        if (failLock)
            return Status::PathError(path, "Resource deadlock avoided");
        *lock = std::make_unique<Lock>(locked);
        return Status::Ok();
    }
    bool failLock = false;
    bool locked = false;
};

// Messages, each marked "LOCKED " when it was shown while the run held the update lock: a
// message box may wait for a user for as long as the user likes.
struct Dialogs final : ScriptedDialogs {
    explicit Dialogs(const Files& files) : files(files) {}
    void Show(const QString& text, MessageKind kind) override {
        ScriptedDialogs::Show(files.locked ? "LOCKED " + text : text, kind);
    }
    const Files& files;
};

// What a run reports and warns about.
struct Output final : RunOutput {
    void Report(const QByteArray& bytes) override { report += bytes; }
    void Warn(const QString& line) override { warnings.append(line); }
    QByteArray report;
    QStringList warnings;
};

// Runs "/export /conf:c/c.xml <arguments>" on a configuration with the commands "b" (before) and
// "a" (after) and one template, t.in -> t.out, that reads $(HOST); `broken` (a file or a command)
// is missing, or with "<" or ">" in front runs out of memory when it is read or written, or with
// "!" in front cannot be read; "lock" makes taking the update lock fail. c/chain.xml makes t.out
// from a new file that t.in makes, then from s.xml. The
// result reads "<exit status>: <commands started>: <how often c/s.xml was written>/<c/t.out>
// <start of c/t.out>: <first line of each message>", then " > <report>" and " ! <warnings>" when
// there are any.
const QByteArray kSettings = R"~(<xml><variable id="$(HOST)">db1</variable></xml>)~";

QString ExportWith(const char* arguments, const QString& broken,
                   const QByteArray& settings = kSettings, const QByteArray& text = "host=$(HOST)",
                   const char* output = nullptr) {
    Files files;
    const QByteArray commands =
        R"(<command id="before">b</command><command id="after">a</command>)";
    files.SetFile("c/c.xml", R"(<xml><group><name>G</name><item><name>H</name>
        <varname>$(HOST)</varname></item></group>)" +
                                 commands +
                                 "<files><file><input>t.in</input><output>t.out</output></file>"
                                 "</files></xml>");
    // Every entry but the last names a file the run reads, or nothing.
    QByteArray entries;
    for (const char* output : {"s.xml", "self.xml", "t.in", "", "t.out"})
        entries += QByteArray("<file><input>t.in</input><output>") + output + "</output></file>";
    files.SetFile("c/self.xml", "<xml>" + commands + "<files>" + entries + "</files></xml>");
    files.SetFile("c/chain.xml",
                  "<xml><files><file><input>t.in</input><output>mid</output></file>"
                  "<file><input>mid</input><output>t.out</output></file>"
                  "<file><input>s.xml</input><output>t.out</output></file>"
                  "</files></xml>");
    files.SetFile("c/s.xml", settings);
    files.SetFile("c/t.in", text);
    if (output)
        files.SetFile("c/t.out", output);
    files.RemoveFile(broken);
    if (broken.startsWith('<'))
        files.FailReading(broken.mid(1), FakeFileSystem::kOutOfMemory);
    if (broken.startsWith('>'))
        files.FailWriting(broken.mid(1), FakeFileSystem::kOutOfMemory);
    if (broken.startsWith('!'))
        files.FailReading(broken.mid(1), "Permission denied");
    files.failLock = broken == u"lock";
    FakeProcessLauncher launcher;  // each command with "+" when c/t.out had been written by then
    launcher.note = [&] { return QString(files.HasFile("c/t.out") ? "+" : "-"); };
    launcher.FailFor(broken, "no such program");
    Dialogs dialogs(files);
    Output out;
    const int status = RunExport(
        ParseCommandLine(GetCommandLine("/export /conf:c/c.xml /file:s.xml " + QString(arguments))),
        {dialogs, files, launcher}, out);
    for (QString& message : dialogs.messages)
        message = message.section(u'\n', 0, 0);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    return QString::number(status) + ": " + launcher.commandLines().join(u' ') + ": " +
           QString::number(files.WriteCount("c/s.xml")) + "/" +
           QString::number(files.WriteCount("c/t.out")) + " " +
           files.FileContents("c/t.out").left(16) + ": " + dialogs.messages.join(u'|') +
           (out.report.isEmpty() ? "" : " > " + QString::fromUtf8(out.report)) +
           (out.warnings.isEmpty() ? "" : " ! " + out.warnings.join(u'|'));
}

TEST(ExportRunTest, ExitStatusSaysWhetherTheSettingsAndTheTemplatesWereWritten) {
    const char* const cases[][3] = {
        // Regression: the after command started before the templates were exported.
        {"", "", "0: b- a+: 0/1 host=db1: "},
        // Problems after the save give 1: the settings stand.
        {"", "c/t.in", "1: b- a-: 0/0 : t.in could not be found"},
        // Regression: an output that is a file the run reads was overwritten.
        {"/conf:c/self.xml", "",
         "1: b- a+: 0/1 host=db1: The template entry \"t.in\" -> \"s.xml\" was not exported: its "
         "output is the same file as the settings file c/s.xml.|The template entry \"t.in\" -> "
         "\"self.xml\" was not exported: its output is the same file as the configuration file "
         "c/self.xml.|The template entry \"t.in\" -> \"t.in\" was not exported: its output is the "
         "same file as the template c/t.in.|The template entry \"t.in\" -> \"\" was not exported: "
         "its output is empty. ! c/s.xml: $(HOST) has a value, but no item of the configuration "
         "declares it"},
        // Regression: running out of memory ended the program.
        {"", "<c/t.in", "1: b- a-: 0/0 : t.out could not be written"},
        {"", ">c/s.xml", "2: b-: 1/0 : The settings could not be saved."},
        // Regression: the message of a failed load was shown while the run held the lock.
        {"", "<c/s.xml", "2: : 0/0 : The file could not be loaded!"},
        {"", "lock", "2: : 0/0 : The file could not be loaded!"},
        // Nothing saved gives 2. Without a configuration the settings file is not even read.
        {"/conf:c/none.xml", "c/s.xml", "2: : 0/0 : The file could not be loaded!"},
        {"", "b", "2: b-: 0/0 : The before command could not be started, so nothing was saved."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportWith(c[0], c[1]), QString::fromUtf8(c[2])) << c[0] << c[1];
    // Regression: the export read the settings file again, which its load refused once the save
    // had escaped every ">" of this value, and wrote the template unchanged.
    EXPECT_EQ(ExportWith(
                  "", "",
                  "<xml><variable id='$(HOST)'>" + QByteArray(20 << 20, '>') + "</variable></xml>"),
              "0: b- a+: 0/1 host=>>>>>>>>>>>: ");
}

// /check and /diff compute the whole save, write nothing, start nothing and take no lock, and end
// with 3 when a file would change. A token that no value replaced and a value that no item declares
// are warnings; /strict makes them errors, and then /export writes nothing, and neither does it
// when its trial run could not finish.
TEST(ExportRunTest, CheckDiffAndStrictTellWhatASaveWouldChange) {
    const QByteArray warnSettings =
        R"~(<xml><variable id="$(HOST)">db1</variable><variable id="$(OLD)">x</variable></xml>)~";
    const QByteArray warnText = "$(HOST)\n$(A)";
    const QString warned =
        " ! c/s.xml: $(OLD) has a value, but no item of the configuration declares it|c/t.out:2: "
        "$(A) has no value";
    const QString refused =
        "Nothing was saved or exported: with /strict, every warning on standard error and every "
        "problem is an error.";
    const struct {
        const char* arguments;
        const char* broken;
        const char* output;  // what c/t.out holds before the run; nullptr: nothing
        bool warn;           // with warnText and warnSettings
        QString expected;
        QByteArray text = "host=$(HOST)";
    } cases[] = {
        {"/check", "", nullptr, false, "3: : 0/0 :  > c/t.out\n"},
        {"/check", "c/t.in", nullptr, false, "1: : 0/0 : t.in could not be found"},
        // Regression: a new empty file was missing from the diff, and one that could not be read
        // was shown as empty.
        {"/diff", "", nullptr, false,
         "3: : 0/0 :  > diff --git a/c/t.out b/c/t.out\nnew file mode 100644\n", ""},
        {"/diff", "!c/t.out", "host=db0\n", false,
         "1: : 0/0 host=db0\n: c/t.out would change, but /diff cannot show how: c/t.out: "
         "Permission denied"},
        // What an entry wrote is what a later one reads, and what a later one writes over it
        // changes it again.
        {"/diff /conf:c/chain.xml", "", nullptr, false,
         "3: : 0/0 :  > diff --git a/c/mid b/c/mid\n--- /dev/null\n+++ b/c/mid\n@@ -0,0 +1 @@\n"
         "+host=db1\n\\ No newline at end of file\ndiff --git a/c/t.out b/c/t.out\n"
         "--- /dev/null\n+++ b/c/t.out\n@@ -0,0 +1 @@\n+host=db1\n"
         "\\ No newline at end of file\n"
         "diff --git a/c/t.out b/c/t.out\n--- a/c/t.out\n+++ b/c/t.out\n@@ -1 +1 @@\n"
         "-host=db1\n\\ No newline at end of file\n"
         "+<xml><variable id=\"db1\">db1</variable></xml>\n\\ No newline at end of file\n"
         " ! c/s.xml: $(HOST) has a value, but no item of the configuration declares it"},
        {"", "", nullptr, true, "0: b- a+: 0/1 db1\n$(A): " + warned},
        {"/strict", "", nullptr, true, "1: : 0/0 : " + refused + warned},
        {"/check /strict", "", nullptr, true, "1: : 0/0 :  > c/t.out\n" + warned},
        {"/strict", "", nullptr, false, "0: b- a+: 0/1 host=db1: "},
        // Regression: a trial that ran out of memory let the export go on unchecked.
        {"/strict", "<c/t.in", nullptr, false, "1: : 0/0 : t.out could not be written|" + refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportWith(c.arguments, c.broken, c.warn ? warnSettings : kSettings,
                             c.warn ? warnText : c.text, c.output),
                  c.expected)
            << c.arguments << " " << c.broken;
}

}  // namespace
