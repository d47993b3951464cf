#include "run/ExportRun.h"

#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/ScriptedDialogs.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// The fake file system with an update lock that tells whether it is held.
struct Files final : FakeFileSystem {
    struct Lock final : UpdateLock {
        explicit Lock(bool& held) : held(held) { held = true; }
        ~Lock() override { held = false; }
        bool& held;
    };
    Status LockForUpdate(const QString&, const LockWait&,
                         std::unique_ptr<UpdateLock>* lock) override {
        *lock = std::make_unique<Lock>(locked);
        ++locks;
        return Status::Ok();
    }
    bool locked = false;
    int locks = 0;
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

// Runs "/export /conf:c/c.xml /file:s.xml <arguments>" on a configuration with the commands "b"
// (before) and "a" (after) and one template, t.in -> t.out, that reads $(HOST); the file `broken`
// runs out of memory when it is read ("<" in front) or cannot be read ("!").
// `expected` reads
// "<exit status>: <commands started>: <how often c/s.xml was written>/<c/t.out> <start of c/t.out>:
// <first line of each message>", then " > <report>" and " ! <warnings>" when there are any.
const QByteArray kSettings = R"~(<xml><variable id="$(HOST)">db1</variable></xml>)~";
struct Case {
    const char* arguments;
    const char* broken;
    QString expected;
    QByteArray settings = kSettings;
    QByteArray text = "host=$(HOST)";
    const char* output = nullptr;  // what c/t.out holds before the run
};

QString Export(const Case& c) {
    Files files;
    const QByteArray commands =
        R"(<command id="before">b</command><command id="after">a</command>)";
    const QByteArray entry = "<file><input>t.in</input><output>%</output></file>";
    files.SetFile("c/c.xml",
                  "<xml><group><name>G</name><item><name>H</name><varname>$(HOST)"
                  "</varname></item><item><name>P</name><type>password</type>"
                  "<varname>$(PW)</varname></item></group>" +
                      commands + "<files>" + QByteArray(entry).replace('%', "t.out") +
                      "</files></xml>");
    // The first entry's output is the configuration itself (the settings file, a template or no
    // output at all: TemplateExport_test).
    QByteArray entries;
    for (const char* output : {"self.xml", "t.out"})
        entries += QByteArray(entry).replace('%', output);
    files.SetFile("c/self.xml", "<xml>" + commands + "<files>" + entries + "</files></xml>");
    files.SetFile("c/s.xml", c.settings);
    files.SetFile("v.xml", "<xml>\n<variable id=\"$(HOST)\">db2</variable>\n</xml>");
    files.SetFile("c/t.in", c.text);
    if (c.output)
        files.SetFile("c/t.out", c.output);
    const QString broken = c.broken;
    if (broken.startsWith('<'))
        files.FailReading(broken.mid(1), FakeFileSystem::kOutOfMemory);
    if (broken.startsWith('!'))
        files.FailReading(broken.mid(1), "Permission denied");
    FakeProcessLauncher launcher;  // each command with "+" when c/t.out had been written by then
    launcher.note = [&] { return QString(files.HasFile("c/t.out") ? "+" : "-"); };
    Dialogs dialogs(files);
    Output out;
    const int status = RunExport(ParseCommandLine(GetCommandLine(
                                     "/export /conf:c/c.xml /file:s.xml " + QString(c.arguments))),
                                 {dialogs, files, launcher}, out);
    for (QString& message : dialogs.messages)
        message = message.section(u'\n', 0, 0);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    // Regression: /check and /diff waited until a save that held the lock was done.
    const bool writesNothing = QString(c.arguments).contains(QRegularExpression("/check|/diff"));
    EXPECT_TRUE(!writesNothing || files.locks == 0) << "/check and /diff take no lock";
    return QString::number(status) + ": " + launcher.commandLines().join(u' ') + ": " +
           QString::number(files.WriteCount("c/s.xml")) + "/" +
           QString::number(files.WriteCount("c/t.out")) + " " +
           files.FileContents("c/t.out").left(16) + ": " + dialogs.messages.join(u'|') +
           (out.report.isEmpty() ? "" : " > " + QString::fromUtf8(out.report)) +
           (out.warnings.isEmpty() ? "" : " ! " + out.warnings.join(u'|'));
}

// Exit status 0: all written; 1: problems after the save, which stands; 2: nothing saved, nor a
// command started. /check and /diff compute the whole save, write nothing, start nothing and take
// no lock, and end with 3 when a file would change. A token that no value replaced and a value that
// no item declares are warnings; /strict makes them errors, and then /export writes nothing, and
// neither does it when its trial run could not finish.
TEST(ExportRunTest, ExitStatusSaysWhatWasOrWouldBeWritten) {
    const QByteArray warnSettings =
        R"~(<xml><variable id="$(HOST)">db1</variable><variable id="$(OLD)">x</variable></xml>)~";
    const QByteArray warnText = "$(HOST)\n$(A)";
    const QString warned =
        " ! c/s.xml: $(OLD) has a value, but no item of the configuration declares it|c/t.out:2: "
        "$(A) has no value";
    const QString refused =
        "Nothing was saved or exported: with /strict, every warning on standard error and every "
        "problem is an error.";
    const Case cases[] = {
        // Regression: the after command started before the templates were exported.
        {"", "", "0: b- a+: 0/1 host=db1: "},
        // Regression: an output that is a file the run reads was overwritten.
        {"/conf:c/self.xml", "",
         "1: b- a+: 0/1 host=db1: The template entry \"t.in\" -> \"self.xml\" was not exported: "
         "its output is the same file as the configuration file c/self.xml. ! c/s.xml: $(HOST) has "
         "a value, but no item of the configuration declares it"},
        // Regression: running out of memory ended the program.
        {"", "<c/t.in", "2: : 0/0 : The settings could not be saved."},
        // Regression: the message of a failed load was shown while the run held the lock.
        {"", "<c/s.xml", "2: : 0/0 : The file could not be loaded!"},
        // Regression: the export read the settings file again, which its load refused once the
        // save had escaped every ">" of this value, and wrote the template unchanged.
        {"", "", "0: b- a+: 0/1 host=>>>>>>>>>>>: ",
         "<xml><variable id='$(HOST)'>" + QByteArray(20 << 20, '>') + "</variable></xml>"},
        // Regression: a new empty file was missing from the diff, and one that could not be read
        // was shown as empty.
        {"/diff", "", "3: : 0/0 :  > diff --git a/c/t.out b/c/t.out\nnew file mode 100644\n",
         kSettings, ""},
        {"/diff", "!c/t.out",
         "1: : 0/0 host=db0\n: c/t.out would change, but /diff cannot show how: c/t.out: "
         "Permission denied",
         kSettings, "host=$(HOST)", "host=db0\n"},
        {"/strict", "", "1: : 0/0 : " + refused + warned, warnSettings, warnText},
        // Regression: an unknown option was ignored, and stderr repeated its value.
        {"/sset:PW=s3cret -st:PW=s3cret", "",
         "2: : 0/0 : Nothing was done: \"/sset:\" is not an option (see --help)."},
        // A file of values reaches the outputs, and the settings file keeps its own.
        {"/values:v.xml", "", "0: b- a+: 0/1 host=db2: "},
        {"/values:v.xml", "!v.xml", "2: : 0/0 : v.xml: Permission denied; nothing was saved."},
        // A path that holds a password is a secret like any other text.
        // ... and a settings file that holds one and others can read is told of.
        {"/check", "",
         "3: : 0/0 :  > " + SecretSet::HeldBackLine() +
             "\n ! c/s.xml holds a password, but its mode 0644 lets others than its owner read it",
         R"~(<xml><variable id="$(HOST)">db1</variable><variable id="$(PW)">t.out</variable></xml>)~"},
        // Regression: a trial that ran out of memory let the export go on unchecked.
        {"/strict", "<c/t.in", "2: : 0/0 : The settings could not be saved."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Export(c), c.expected) << c.arguments << " " << c.broken;
}

}  // namespace
